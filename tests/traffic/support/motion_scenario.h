// A fixture that flies one live aircraft along feed samples through the traffic step and the
// simulator stand-in: the samples reach the aircraft's stream as a feed would deliver them
// (each at its report time, due a playback delay later), the traffic step creates and
// activates the object, a stand-in for the per-tick update runs the motion (the driver when
// the target is due, one tick of motion while it is not stationary) and hands the position to
// the AI position batch, and the simulated world keeps the object's trace.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/simworld/ai_traffic.h"
#include "tests/sim/support/link_fixture.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/step/traffic_state.h"

namespace skyloom::testing {

// One feed report: the sample and its report time in seconds from the start.
struct FeedReport {
    double seconds = 0;
    TrafficSample sample;
};

// Reports along a path: start, speed, altitude and vertical speed at each report, the heading
// turning at `turnDegPerSecond`, one report every `everySeconds`.
struct PathLeg {
    double seconds = 60;
    double turnDegPerSecond = 0;
    double verticalSpeedFpm = 0;
    double speedKt = 250;
};
std::vector<FeedReport> gf_reportsAlong(Lalo start, double headingDeg, double altitudeFt,
                                        const std::vector<PathLeg>& legs, double everySeconds);

class MotionScenarioTest : public LinkTest {
protected:
    MotionScenarioTest();

    // Flies the reports for `seconds` of simulated time after the first report; the aircraft
    // starts in `phase`. Returns the simulated world's trace of the object (written points).
    std::vector<simworld::TracePoint> fly(const std::vector<FeedReport>& reports, FlightPhase phase,
                                          double seconds,
                                          AircraftCategory category = AircraftCategory::Large);

    // Runs on the new record before it is created (a stand, a route, a request).
    std::function<void(LiveAircraft&)> prepare_;
    // The phases the aircraft went through, in order, and whether its removal was asked.
    std::vector<FlightPhase> phases_;
    bool removed_ = false;
    // Reports join the stream through the decoder of a known aircraft (its sample checks,
    // repeats marked as standing, the take-off start) instead of being appended as they come.
    bool throughDecoder_ = false;
    double playbackDelaySeconds_ = 30.0;
    std::uint32_t objectId_ = 0;
    std::atomic<std::uint32_t> tick_{0};
    TrafficTestWorld trafficWorld_{clock_, tick_};
    TrafficState state_{trafficWorld_.links(queue_, events_, batch_)};
};

} // namespace skyloom::testing
