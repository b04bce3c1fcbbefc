// Test helpers for the simulated world: a fixture that runs a world on a manual clock and
// installs it, and a client that opens a connection and keeps a copy of every message its
// dispatches receive.
#pragma once

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "platform/simconnect/simconnect.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld::testing {

// One received message, copied out of the dispatch.
struct Received {
    DWORD id = 0;
    DWORD size = 0;
    std::vector<std::byte> bytes;

    template <typename Record> Record as() const {
        Record record{};
        std::memcpy(&record, bytes.data(), std::min(sizeof(Record), bytes.size()));
        return record;
    }
    template <typename T> T dataAt(std::size_t offset) const {
        T value{};
        std::memcpy(&value, bytes.data() + offset, sizeof(T));
        return value;
    }
    // The text at offset, up to its first NUL or the end of the message.
    std::string textAt(std::size_t offset, std::size_t capacity) const;
};

std::vector<Received> gf_ofKind(const std::vector<Received>& messages, DWORD id);

class TestClient {
public:
    // Opens at once; check opened().
    explicit TestClient(const char* name = "Skyloom");
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool opened() const { return handle_ != nullptr; }
    HRESULT openResult() const { return openResult_; }
    HANDLE handle() const { return handle_; }
    DWORD lastPacket() const;
    HRESULT close();

    // One CallDispatch; the messages it delivered.
    std::vector<Received> dispatch();
    HRESULT lastDispatchResult() const { return dispatchResult_; }

private:
    HANDLE handle_ = nullptr;
    HRESULT openResult_ = S_OK;
    HRESULT dispatchResult_ = S_OK;
};

class WorldTest : public ::testing::Test {
protected:
    ~WorldTest() override;

    World& start(WorldSetup setup);
    void advance(double seconds);

    ManualClock clock_{ManualClock::utcTime(2026, 1, 5, 12)};
    std::shared_ptr<World> world_;
    std::optional<WorldInstallation> installation_;
};

// A setup whose flight runs from the start, with the zulu time fixed at 2026-01-05 12:00:00.
WorldSetup gf_runningSetup();

// A timeline event of `kind` at `at` seconds of world time.
TimelineEvent gf_timelineEvent(double at, TimelineEventKind kind);

} // namespace skyloom::simworld::testing
