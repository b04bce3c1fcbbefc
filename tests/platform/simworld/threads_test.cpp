// Two connections dispatched from two threads while a third moves the clock: each connection
// gets its own messages, complete and in order. The threads wait for each other's events (the
// clock's step, a dispatch after it), never for a number of tries, so that a busy machine
// only slows the test.
#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

class ThreadsTest : public WorldTest {
public:
    void advanceClock(double seconds) { advance(seconds); }
};

struct Seen {
    std::vector<DWORD> ids;
    std::vector<DWORD> facilityRequests;
    int frames = 0;
};

void CALLBACK lf_record(SIMCONNECT_RECV* data, DWORD, void* context) {
    auto& seen = *static_cast<Seen*>(context);
    seen.ids.push_back(data->dwID);
    if (data->dwID == SIMCONNECT_RECV_ID_EVENT_FRAME) {
        ++seen.frames;
    }
    if (data->dwID == SIMCONNECT_RECV_ID_FACILITY_DATA_END) {
        seen.facilityRequests.push_back(
            static_cast<SIMCONNECT_RECV_FACILITY_DATA_END*>(data)->requestId);
    }
}

// The clock and the two dispatching threads in lockstep: the clock moves one millisecond, then
// waits until each thread still at work has dispatched after that step; a thread that has taken
// all that is due waits for the clock's next step. Every thread sees every step, whichever of
// them the machine runs first or how long it keeps the others waiting.
class Lockstep {
public:
    enum Dispatcher { kMain, kFacility };

    // The clock's side: one step, then the wait for both dispatchers. False once both are done.
    bool step(ThreadsTest& test) {
        test.advanceClock(0.001);
        std::unique_lock lock(mutex_);
        ++step_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return caughtUp(kMain) && caughtUp(kFacility); });
        return !(done_[kMain] && done_[kFacility]);
    }
    // The clock gives up: what is still waiting stops.
    void stopClock() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
        changed_.notify_all();
    }
    // A dispatcher's side: the step its last dispatch followed is recorded, and it waits for the
    // next one. False when the clock stopped instead.
    bool awaitNextStep(Dispatcher who) {
        std::unique_lock lock(mutex_);
        seen_[who] = dispatchedAt_[who];
        changed_.notify_all();
        changed_.wait(lock, [&] { return step_ > seen_[who] || stopped_; });
        return step_ > seen_[who];
    }
    // Called before each dispatch: the step that dispatch follows.
    void dispatching(Dispatcher who) {
        const std::lock_guard lock(mutex_);
        dispatchedAt_[who] = step_;
    }
    void finish(Dispatcher who) {
        const std::lock_guard lock(mutex_);
        done_[who] = true;
        changed_.notify_all();
    }

private:
    bool caughtUp(Dispatcher who) const { return done_[who] || seen_[who] >= step_; }

    std::mutex mutex_;
    std::condition_variable changed_;
    long step_ = 0;
    std::array<long, 2> seen_{};
    std::array<long, 2> dispatchedAt_{};
    std::array<bool, 2> done_{};
    bool stopped_ = false;
};

// Marks a dispatcher done however its thread ends (an assertion returns early).
class Finished {
public:
    Finished(Lockstep& lockstep, Lockstep::Dispatcher who) : lockstep_(lockstep), who_(who) {}
    ~Finished() { lockstep_.finish(who_); }
    Finished(const Finished&) = delete;
    Finished& operator=(const Finished&) = delete;

private:
    Lockstep& lockstep_;
    Lockstep::Dispatcher who_;
};

TEST_F(ThreadsTest, TwoConnectionsOnTwoThreads) {
    WorldSetup setup = gf_runningSetup();
    setup.frames.rateHz = 100;
    setup.frames.maxBacklog = 1000;
    start(setup);

    constexpr int kFrames = 150;
    constexpr DWORD kFacilityRequests = 200;
    // 150 frames at 100 Hz take 1.5 s of the clock; it stops after 60 s.
    constexpr int kClockSteps = 60'000;
    Lockstep lockstep;
    Seen mainSeen;
    Seen facilitySeen;

    std::thread mainThread([&] {
        const Finished finished(lockstep, Lockstep::kMain);
        HANDLE h = nullptr;
        ASSERT_EQ(SimConnect_Open(&h, "Skyloom", nullptr, 0, nullptr, 0), S_OK);
        SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
        do {
            lockstep.dispatching(Lockstep::kMain);
            ASSERT_EQ(SimConnect_CallDispatch(h, lf_record, &mainSeen), S_OK);
        } while (mainSeen.frames < kFrames && lockstep.awaitNextStep(Lockstep::kMain));
        SimConnect_Close(h);
    });
    std::thread facilityThread([&] {
        const Finished finished(lockstep, Lockstep::kFacility);
        HANDLE h = nullptr;
        ASSERT_EQ(SimConnect_Open(&h, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
        SimConnect_AddToFacilityDefinition(h, 1001, "OPEN AIRPORT");
        SimConnect_AddToFacilityDefinition(h, 1001, "CLOSE AIRPORT");
        for (DWORD request = 1; request <= kFacilityRequests; ++request) {
            ASSERT_EQ(SimConnect_RequestFacilityData(h, 1001, request, "LSZH", ""), S_OK);
            do {
                lockstep.dispatching(Lockstep::kFacility);
                ASSERT_EQ(SimConnect_CallDispatch(h, lf_record, &facilitySeen), S_OK);
            } while (facilitySeen.facilityRequests.size() < request &&
                     lockstep.awaitNextStep(Lockstep::kFacility));
            if (facilitySeen.facilityRequests.size() < request) {
                break; // the clock stopped first
            }
        }
        SimConnect_Close(h);
    });
    for (int step = 0; step < kClockSteps && lockstep.step(*this); ++step) {
    }
    lockstep.stopClock();
    mainThread.join();
    facilityThread.join();

    EXPECT_GE(mainSeen.frames, kFrames);
    ASSERT_FALSE(mainSeen.ids.empty());
    EXPECT_EQ(mainSeen.ids.front(), SIMCONNECT_RECV_ID_OPEN);
    for (std::size_t i = 1; i < mainSeen.ids.size(); ++i) {
        ASSERT_EQ(mainSeen.ids[i], SIMCONNECT_RECV_ID_EVENT_FRAME) << i;
    }
    ASSERT_EQ(facilitySeen.facilityRequests.size(), kFacilityRequests);
    for (DWORD i = 0; i < kFacilityRequests; ++i) {
        ASSERT_EQ(facilitySeen.facilityRequests[i], i + 1);
    }
    EXPECT_EQ(facilitySeen.frames, 0);
    EXPECT_EQ(world_->connectionCount(), 0u);
}

} // namespace
} // namespace skyloom::simworld::testing
