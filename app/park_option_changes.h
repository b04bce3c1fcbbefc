// Which changes of the park options the main loop has not yet acted on: a switch of
// RT_PARKTRAFFIC_ONLY (the window's change counter) or a new value of an option that shapes the
// plan of the park airport's stands (share of stands, maximum fit, RealTraffic parked only, auto
// park, week, soft options). The limits of parked and live aircraft have requests of their own.
// Main worker thread.
#pragma once

#include "config/params_snapshot.h"
#include "config/window_requests.h"

namespace skyloom {

class ParkOptionChanges {
public:
    // True when the window changed a park option since the last `takeCurrent`.
    bool pending(const WindowRequests& requests, const ParamsSnapshot& settings) const;
    // Notes the current options as acted on; returns the value RT_PARKTRAFFIC_ONLY was last
    // switched to in this run (false when never).
    bool takeCurrent(const WindowRequests& requests, const ParamsSnapshot& settings);

private:
    ParkTrafficOnlyChange rtOnly_;
    ParkOptions options_;
};

} // namespace skyloom
