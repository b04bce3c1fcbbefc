#include "world_fixture.h"

namespace skyloom::simworld::testing {

namespace {

void CALLBACK lf_collect(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto& out = *static_cast<std::vector<Received>*>(context);
    Received r;
    r.id = data->dwID;
    r.size = size;
    const auto* begin = reinterpret_cast<const std::byte*>(data);
    r.bytes.assign(begin, begin + size);
    out.push_back(std::move(r));
}

} // namespace

std::string Received::textAt(std::size_t offset, std::size_t capacity) const {
    std::string out;
    for (std::size_t i = offset; i < bytes.size() && i < offset + capacity; ++i) {
        if (bytes[i] == std::byte{0}) {
            break;
        }
        out.push_back(static_cast<char>(bytes[i]));
    }
    return out;
}

std::vector<Received> gf_ofKind(const std::vector<Received>& messages, DWORD id) {
    std::vector<Received> out;
    for (const Received& m : messages) {
        if (m.id == id) {
            out.push_back(m);
        }
    }
    return out;
}

TestClient::TestClient(const char* name) {
    openResult_ = SimConnect_Open(&handle_, name, nullptr, 0, nullptr, 0);
    if (openResult_ != S_OK) {
        handle_ = nullptr;
    }
}

TestClient::~TestClient() {
    if (handle_ != nullptr) {
        SimConnect_Close(handle_);
    }
}

HRESULT TestClient::close() {
    const HRESULT hr = SimConnect_Close(handle_);
    handle_ = nullptr;
    return hr;
}

DWORD TestClient::lastPacket() const {
    DWORD packet = 0;
    EXPECT_EQ(SimConnect_GetLastSentPacketID(handle_, &packet), S_OK);
    return packet;
}

std::vector<Received> TestClient::dispatch() {
    std::vector<Received> out;
    dispatchResult_ = SimConnect_CallDispatch(handle_, lf_collect, &out);
    return out;
}

WorldTest::~WorldTest() = default;

World& WorldTest::start(WorldSetup setup) {
    world_ = std::make_shared<World>(std::move(setup), clock_);
    installation_.emplace(world_);
    return *world_;
}

void WorldTest::advance(double seconds) {
    clock_.advance(
        std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(seconds)));
}

WorldSetup gf_runningSetup() {
    WorldSetup setup;
    setup.simulator.flightRunning = true;
    setup.zuluStart = ManualClock::utcTime(2026, 1, 5, 12);
    return setup;
}

TimelineEvent gf_timelineEvent(double at, TimelineEventKind kind) {
    TimelineEvent e;
    e.atSeconds = at;
    e.kind = kind;
    return e;
}

} // namespace skyloom::simworld::testing
