// The decoder of the traffic entries that the mailbox delivers: an aircraft seen for the first
// time is admitted as a new live record (unless quarantined, filtered out or a duplicate of a
// flight under another hexid); a known aircraft's report is checked against its newest sample
// (repeats and reports too close in time are ignored, samples that add nothing thinned out, a
// jumping ground track quarantined), its identity compared, and the sample handed on to
// decodeExisting. Main worker thread only.
#pragma once

#include "feed/traffic_entry.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_state.h"

namespace skyloom {

// Reports closer than this to the newest sample taken are ignored.
inline constexpr double kMinSampleGapSeconds = 1.0;
// A buffered aircraft this close to the park airport's altitude, between 0 and 10000 ft, waits.
inline constexpr double kAirportLevelBandFt = 120.0;
inline constexpr double kAirportLevelCeilingFt = 10000.0;
inline constexpr double kNoAirportAltitudeFt = -1000.0;

void decodeMessage(TrafficState& state, const TrafficEntry& entry);
// An entry for a hexid that no live aircraft has: its key taken from a known registration,
// admitted when its model is known.
void lf_admitNewTraffic(TrafficState& state, TrafficEntry entry);
// Builds the record (state "buffer", phase "birth") and appends it; false when dropped.
bool lf_addLiveAircraft(TrafficState& state, const TrafficEntry& entry);
// Removes an aircraft whose samples ran out.
void noMoreNextPos(TrafficState& state, LiveAircraft& aircraft);

// The decoder the mailbox calls, on the main worker thread, for the traffic state it serves.
class LiveTrafficDecoder final : public TrafficDecoder {
public:
    explicit LiveTrafficDecoder(TrafficState& state) : state_(state) {}
    void decodeMessage(const TrafficEntry& entry) override;

private:
    TrafficState& state_;
};

} // namespace skyloom
