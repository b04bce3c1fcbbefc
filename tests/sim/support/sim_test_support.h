// Helpers for the simulator-link tests: a fixture that runs a simulated world on a manual
// clock, a `Gui` whose updates are applied on the test thread (and recorded), a window that
// records MSG_SWITCH_SIM, its own stop request and event queue, a log in a temporary folder,
// and `RecordingWork`, a `SimClientWork` that records what the client hands on to it and can
// be told to misbehave.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "gui/gui.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/win_types.h"
#include "runtime/gui_update.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_client.h"
#include "sim/sim_client_work.h"
#include "sim/sim_event_queue.h"
#include "sim/user_aircraft_stand.h"
#include "tests/support/temp_dir.h"

namespace skyloom::testing {

class RecordingWork : public SimClientWork {
public:
    void forgetConnection() override;
    void doFrameWork(SimClient& client) override;
    void onUserAircraftData(SimClient& client, const SIMCONNECT_RECV_SIMOBJECT_DATA& message,
                            std::size_t size) override;
    void onAssignedObjectId(SimClient& client, DWORD requestId, DWORD objectId) override;
    void onCreateObjectFailed(SimClient& client, DWORD packetId) override;
    void onTooManyObjects(SimClient& client, DWORD packetId) override;
    void onObjectRemoved(SimClient& client, DWORD objectId) override;
    void rememberUserStand(SimClient& client) override;
    std::optional<PositionUpdateReport> lastPositionUpdate() const override { return report; }
    void startShutdownRemoval(SimClient& client) override;
    bool shutdownRemovalPending() const override;
    ShutdownRemovalCounts shutdownRemovalCounts() const override { return counts; }
    void endShutdownRemoval() override { ++shutdownEnds; }

    // What happened.
    int connectionsForgotten = 0;
    int frames = 0;
    int framesDuringShutdown = 0;
    std::vector<DWORD> userDataRequests;
    std::vector<std::pair<DWORD, DWORD>> assigned; // request id, object id
    std::vector<DWORD> failedPackets;
    std::vector<DWORD> tooManyObjectsPackets;
    std::vector<DWORD> removed;
    int standsRemembered = 0;
    int shutdownStarts = 0;
    int shutdownEnds = 0;
    mutable int pendingAsked = 0;
    std::string threadName; // of the thread that forgot the last connection

    // How it behaves.
    std::function<void(SimClient&)> onFrame;    // called from doFrameWork
    std::function<void(SimClient&)> onShutdown; // called from startShutdownRemoval
    std::function<void()> throwFromStand;       // called from rememberUserStand
    // shutdownRemovalPending answers true this many times (negative: always).
    int pendingAnswers = 0;
    ShutdownRemovalCounts counts;
    std::optional<PositionUpdateReport> report;
};

// Stand services made of functions; an empty one answers none (and refuses the name).
class TestStands final : public UserStandServices {
public:
    std::optional<std::string> standAtPosition(const Lalo& position) const override {
        return standAt ? standAt(position) : std::nullopt;
    }
    std::optional<std::uint64_t> parkAirportKey() const override {
        return key ? key() : std::nullopt;
    }
    bool setParkAirportName(std::uint64_t parkKey, std::string_view name) override {
        return setName && setName(parkKey, name);
    }

    std::function<std::optional<std::string>(const Lalo&)> standAt;
    std::function<std::optional<std::uint64_t>()> key;
    std::function<bool(std::uint64_t, std::string_view)> setName;
};

class SimTest : public ::testing::Test {
protected:
    SimTest();
    ~SimTest() override;

    // Makes and installs the world on the test's clock.
    simworld::World& startWorld(simworld::WorldSetup setup);
    // A world whose flight runs from the start (zulu 2026-01-05 12:00).
    static simworld::WorldSetup runningSetup();

    // The context of a client with the test's clock, window, stop request, user aircraft,
    // stands, work and events; MSFS 2020 selected.
    SimClientContext context();
    // Runs a client on the test thread until `until` says to stop (checked after every pass)
    // or the client ends by itself. The stop token fires when `until` is true.
    void runClient(SimClientContext context, const std::function<bool(SimClient&)>& until);
    void runClientFor(double seconds);

    void advance(double seconds);
    double worldSeconds() const;

    // A window on the test thread that counts the MSG_SWITCH_SIM it receives.
    void createSwitchWindow();
    int switchMessages();

    // The log's lines (flushed first), and how many are equal to `line`.
    std::vector<std::string> logLines() const;
    std::size_t logCount(const std::string& line) const;
    bool logHas(const std::string& line) const { return logCount(line) > 0; }
    std::vector<std::string> journalCalls(std::string_view function) const;

    std::vector<GuiUpdate> updates() const { return applied_; }
    std::vector<std::string> statusTexts() const;
    std::vector<std::string> errorTexts() const;
    std::vector<bool> connectedUpdates() const;

    ManualClock clock_{ManualClock::utcTime(2026, 1, 5, 12)};
    TempDir dir_;
    std::shared_ptr<winui::headless::HeadlessBackend> backend_;
    Gui gui_;
    StopControl stop_;
    UserAircraft user_;
    TestStands stands_;
    SimEventQueue events_;
    RecordingWork work_;
    std::shared_ptr<simworld::World> world_;
    std::optional<simworld::WorldInstallation> installation_;

private:
    std::vector<GuiUpdate> applied_;
    winui::HWND window_ = nullptr;
};

// The message bytes of a SIMOBJECT_DATA(_BYTYPE) message with this payload after the 40-byte
// header, for feeding handlers directly.
std::vector<std::byte> gf_objectDataBytes(DWORD id, DWORD requestId, DWORD objectId,
                                          const std::vector<std::byte>& payload);

template <typename T> void gf_appendBytes(std::vector<std::byte>& out, const T& value) {
    const auto* begin = reinterpret_cast<const std::byte*>(&value);
    out.insert(out.end(), begin, begin + sizeof(T));
}

} // namespace skyloom::testing
