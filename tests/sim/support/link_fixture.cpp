#include "tests/sim/support/link_fixture.h"

#include <cmath>

namespace skyloom::testing {

LinkTest::LinkTest() {
    link_.radiusMetres = [this] { return radiusMetres_; };
}

LinkTest::~LinkTest() {
    client_.reset();
}

simworld::WorldSetup LinkTest::aiSetup() {
    simworld::WorldSetup setup = runningSetup();
    simworld::TrackPoint zurich;
    zurich.latitudeDeg = 47.4581;
    zurich.longitudeDeg = 8.5555;
    setup.user.track.push_back(zurich);
    setup.user.groundElevationFeet = 1400;
    setup.liveries = {{kA320Livery, "A20N", 7.2, 0.4}, {kB738Livery, "B738", 6.8, 1.1}};
    setup.aiObjects.assignDelaySeconds = 0.1;
    setup.aiObjects.removeDelaySeconds = 0.05;
    return setup;
}

SimClientContext LinkTest::linkContext() {
    SimClientContext c = context();
    c.work = &link_;
    return c;
}

SimClient& LinkTest::connect(simworld::WorldSetup setup) {
    startWorld(std::move(setup));
    client_.emplace(linkContext());
    EXPECT_EQ(client_->connect(), SimClient::ConnectResult::connected);
    client_->dispatchPass();
    return *client_;
}

void LinkTest::run(double seconds, const std::function<void()>& tick) {
    const auto steps = static_cast<long>(std::llround(seconds * 1000.0));
    for (long i = 0; i < steps; ++i) {
        if (tick && i % 10 == 0) {
            tick();
            batch_.commit(gf_steadyNanoseconds(clock_));
        }
        advance(0.001);
        client_->dispatchPass();
    }
}

SimCreateRequest LinkTest::createRequest(std::uint32_t hexid, const std::string& callsign,
                                         const std::string& livery) {
    return gf_createRequest(hexid, callsign, livery);
}

SimCreateRequest gf_createRequest(std::uint32_t hexid, const std::string& callsign,
                                  const std::string& livery) {
    SimCreateRequest request;
    request.position = SIMCONNECT_DATA_INITPOSITION{47.4600, 8.5500, 1400, 0, 0, 140, 1, 0};
    request.callsign = callsign;
    request.liveryTitle = livery;
    request.hexid = hexid;
    return request;
}

std::vector<SimEvent> LinkTest::drainEvents() {
    std::vector<SimEvent> out;
    events_.drain([&](const SimEvent& event) { out.push_back(event); });
    return out;
}

std::vector<std::uint32_t> LinkTest::assignedIds(const std::vector<SimEvent>& events) {
    std::vector<std::uint32_t> ids;
    for (const SimEvent& event : events) {
        if (event.kind == SimEventKind::liveAssigned ||
            event.kind == SimEventKind::staticAssigned) {
            ids.push_back(event.objectId);
        }
    }
    return ids;
}

std::uint32_t gf_packetOfCall(const std::string& journalLine) {
    const std::size_t mark = journalLine.rfind('#');
    return mark == std::string::npos
               ? 0
               : static_cast<std::uint32_t>(std::stoul(journalLine.substr(mark + 1)));
}

} // namespace skyloom::testing
