// Two connections dispatched from two threads while a third moves the clock: each connection
// gets its own messages, complete and in order.
#include <atomic>
#include <thread>

#include <gmock/gmock.h>

#include "support/world_fixture.h"

namespace skyloom::simworld::testing {
namespace {

class ThreadsTest : public WorldTest {};

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

TEST_F(ThreadsTest, TwoConnectionsOnTwoThreads) {
    WorldSetup setup = gf_runningSetup();
    setup.frames.rateHz = 100;
    setup.frames.maxBacklog = 1000;
    start(setup);

    constexpr int kFrames = 150;
    constexpr DWORD kFacilityRequests = 200;
    constexpr int kSpinLimit = 5'000'000;
    std::atomic<bool> mainDone{false};
    std::atomic<bool> facilityDone{false};
    Seen mainSeen;
    Seen facilitySeen;

    std::thread mainThread([&] {
        HANDLE h = nullptr;
        ASSERT_EQ(SimConnect_Open(&h, "Skyloom", nullptr, 0, nullptr, 0), S_OK);
        SimConnect_SubscribeToSystemEvent(h, 204, "Frame");
        for (int spin = 0; spin < kSpinLimit && mainSeen.frames < kFrames; ++spin) {
            ASSERT_EQ(SimConnect_CallDispatch(h, lf_record, &mainSeen), S_OK);
            std::this_thread::yield();
        }
        SimConnect_Close(h);
        mainDone = true;
    });
    std::thread facilityThread([&] {
        HANDLE h = nullptr;
        ASSERT_EQ(SimConnect_Open(&h, "PARKING_DATA_RDR", nullptr, 0, nullptr, 0), S_OK);
        SimConnect_AddToFacilityDefinition(h, 1001, "OPEN AIRPORT");
        SimConnect_AddToFacilityDefinition(h, 1001, "CLOSE AIRPORT");
        for (DWORD request = 1; request <= kFacilityRequests; ++request) {
            ASSERT_EQ(SimConnect_RequestFacilityData(h, 1001, request, "LSZH", ""), S_OK);
            for (int spin = 0; spin < kSpinLimit && facilitySeen.facilityRequests.size() < request;
                 ++spin) {
                ASSERT_EQ(SimConnect_CallDispatch(h, lf_record, &facilitySeen), S_OK);
            }
        }
        SimConnect_Close(h);
        facilityDone = true;
    });
    for (int step = 0; step < kSpinLimit && !(mainDone && facilityDone); ++step) {
        advance(0.001);
        std::this_thread::yield();
    }
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
