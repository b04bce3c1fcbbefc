// The replay of one real track through the program's live-traffic pipeline: the track becomes
// App traffic datagrams at the App's own cadence, which the feed's assembler parses and posts
// to the traffic mailbox; a decoder stand-in hands each report to one aircraft's record; the
// traffic step creates its object in the simulated world and moves it with the motion between
// samples, all on a manual clock; what the world saw of the object comes back as frames.
#pragma once

#include <filesystem>
#include <vector>

#include "tools/track_replay/flight_figures.h"
#include "tools/track_replay/true_track.h"
#include "traffic/step/aircraft_record.h"

namespace skyloom::tools {

// The feed's playback delay: the object stands at a report 30 s after it came.
inline constexpr double kReplayDelaySeconds = 30.0;

// The median time between two reports of one aircraft in an App capture (the capture formats
// of the App stand-in); throws std::runtime_error when the capture holds no repeated aircraft.
double gf_appCadenceSeconds(const std::filesystem::path& capture);

struct ReplayFrame {
    double seconds = 0; // of the track's time: the world's time less the playback delay
    double latitude = 0;
    double longitude = 0;
    double altitudeFt = 0;
    double headingRad = 0;
    double bankRad = 0;
    FlightPhase phase = FlightPhase::flying;
};

struct ReplayRun {
    std::vector<ReplayFrame> frames;
    std::vector<FlightReport> reports; // each datagram sent, at its track time
    bool removed = false;    // the aircraft was removed before the end
};

// Replays the part (airborne points, times from the track's start) with one report every
// `cadenceSeconds`, the aircraft a Large starting in flying.
ReplayRun gf_replayTrack(const std::vector<TruePoint>& part, double cadenceSeconds);

} // namespace skyloom::tools
