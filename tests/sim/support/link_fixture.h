// A fixture for the command queue, the AI position batch and the AI objects: a world with an
// installed livery catalogue, a `SimLinkWork` on the test's own queue and batch, a SimClient
// driven on the test thread one millisecond at a time, and a stand-in for the traffic step
// that commits positions every 10 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event.h"
#include "sim/sim_link_work.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {

inline constexpr const char* kA320Livery = "Airbus A320 Neo Swiss";
inline constexpr const char* kB738Livery = "Boeing 737-800 Ryanair";

class LinkTest : public SimTest {
protected:
    LinkTest();
    ~LinkTest() override;

    // A running flight at 30 frames a second, the user at Zurich, two installed liveries,
    // objects assigned after 0.1 s and removals confirmed after 0.05 s.
    static simworld::WorldSetup aiSetup();

    // The context of a client with the link work.
    SimClientContext linkContext();
    // Starts the world and connects a client on the test thread (one dispatch done).
    SimClient& connect(simworld::WorldSetup setup = aiSetup());
    // Moves the clock on in 1 ms steps, dispatching after each; every 10 ms `tick` runs first
    // as the traffic step would (it may set current positions; they are committed after it).
    void run(double seconds, const std::function<void()>& tick = {});

    static SimCreateRequest createRequest(std::uint32_t hexid, const std::string& callsign,
                                          const std::string& livery = kA320Livery);
    // Every event posted so far, in order.
    std::vector<SimEvent> drainEvents();
    // The object ids of the assignment events among `events`.
    static std::vector<std::uint32_t> assignedIds(const std::vector<SimEvent>& events);

    SimCommandQueue queue_;
    AIPositionBatch batch_;
    SimLinkWork link_{queue_, batch_};
    std::uint32_t radiusMetres_ = 37040;
    std::optional<SimClient> client_;
};

// A create request at Zurich.
SimCreateRequest gf_createRequest(std::uint32_t hexid, const std::string& callsign,
                                  const std::string& livery = kA320Livery);

// The packet id of a journaled call ("... = S_OK #12").
std::uint32_t gf_packetOfCall(const std::string& journalLine);

} // namespace skyloom::testing
