// Helpers of the user-aircraft tests: a `SimTest` with the user aircraft's data, the reference
// data and the stand services cleared around each test, a dbase built from a few model lines,
// and the bytes of the four user-aircraft replies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/user_aircraft.h"
#include "tests/sim/support/sim_test_support.h"

namespace skyloom::testing {

// Reply bytes: the data header and the payload; `size` is what the handler is told.
struct ReplyBytes {
    std::vector<std::byte> bytes;
    std::size_t size = 0;

    const SIMCONNECT_RECV_SIMOBJECT_DATA& message() const {
        return *reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data());
    }
};

ReplyBytes gf_positionReply(const UserAircraftState& state, DWORD objectId = 1);
ReplyBytes gf_onGroundReply(std::int64_t value);
// The text as it stands (add the NUL yourself), padded with NULs to at least one byte.
ReplyBytes gf_titleReply(std::string_view bytes);
// The 32-byte field: the text, then NULs.
ReplyBytes gf_modelReply(std::string_view text);

// A state standing at the position, with a zulu time of 2026-01-05 12:00.
UserAircraftState gf_stateAt(double latitude, double longitude);

class UserAircraftTest : public SimTest {
protected:
    UserAircraftTest();
    ~UserAircraftTest() override;

    // Publishes a dbase with these model elements (`<m c="A320" w="35.8"/>` ...) and body
    // elements after them (categories).
    static void loadDbase(std::string_view models, std::string_view rest = {});

    // What the program does after the SimClient was joined: the user aircraft and the reply
    // handlers' memory cleared.
    void clearUserAircraft();

    // Hands the reply to gf_onUserAircraftData with the test's window and stop request, under
    // another request id when one is given.
    void deliver(const ReplyBytes& reply, std::optional<DWORD> requestId = std::nullopt);

    std::vector<bool> wingspanUpdates() const;
    std::vector<std::string> standUpdates() const;
};

} // namespace skyloom::testing
