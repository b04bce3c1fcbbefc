// How far what the world showed of an aircraft in a program replay lies from what the feed
// reported, by ground phase:
// - cross-track: the distance of a frame from the line of the reports (the segments between
//   consecutive reports due within a minute of the frame), in metres;
// - same time: the distance of a frame from where the reports put the aircraft at the frame's
//   time (between the two reports due around it, each due at the time the program is to show
//   it: its arrival plus the playback delay, less its age in its batch), in metres;
// - the largest step between two frames of one object, in metres, with the speed it makes and
//   the fastest speed reported within 10 s of it.
// The phases: roll (take-off or landing roll), standing (the reports due around the frame say
// at most 1 kt), taxi (every other frame on the ground). Frames in the air and frames outside
// the reports' time are left out.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "feed/traffic_entry.h"
#include "tests/traffic/support/program_replay.h"
#include "tools/rtapp_standin/capture.h"

namespace skyloom::testing {

// One report as the program is to show it.
struct DueReport {
    double dueSeconds = 0; // on the run's clock
    double latitude = 0;
    double longitude = 0;
    double groundSpeedKt = 0;
    bool airborne = false;
};

// The reports of a capture by hexid, in due order; a datagram that repeats the last one of its
// hexid is left out (the feed drops it). The run's clock starts with the first live burst: with
// the App's buffer of `bufferedBursts` bursts, the one after them (ProgramReplayTest's
// firstBurstEpoch), and the buffer's reports fall due before it as their age says.
std::map<std::uint32_t, std::vector<DueReport>> gf_dueReports(const tools::Capture& capture,
                                                              double playbackDelaySeconds = 30.0,
                                                              std::size_t bufferedBursts = 0);

// The fastest speed an aircraft's reports give (kt): their ground speeds, and what two of its
// reports 5 s or more apart make by their positions; 30 kt at least (for aircraft reported
// standing that the program moves).
double gf_fastestReportedKt(const std::vector<DueReport>& reports);
// The same of the reports as the feed's parser posts them, timed by their own stamps.
double gf_fastestReportedKt(const std::vector<TrafficEntry>& reports);
// The fastest step of one aircraft's objects over `fastestKt`: each step spans at least 0.2 s
// of frames of one object (as the end-to-end runs trace the world: it moves its objects at its
// own frames, 30 a second, which the main cycles see 10 ms late or early). The first step after
// each stall of the main loop (`stalls`: the run's seconds at which they began, in order) is
// left out: there the objects are put where they are due.
double gf_fastestStepRatio(const std::vector<ObjectFrame>& frames, double fastestKt,
                           const std::vector<double>& stalls = {});

enum class GroundPhase { taxi, standing, roll };
std::string gf_groundPhaseName(GroundPhase phase);

struct PhaseFigures {
    std::size_t frames = 0;
    double crossMedianM = 0, crossP95M = 0, crossMaxM = 0;
    double sameTimeMedianM = 0, sameTimeP95M = 0, sameTimeMaxM = 0;
    double largestStepM = 0;
    double largestStepKt = 0; // the speed of that step
    double reportedKt = 0;    // the fastest report within 10 s of it
};

std::map<GroundPhase, PhaseFigures> gf_measureGround(const std::vector<ObjectFrame>& frames,
                                                     const std::vector<DueReport>& reports);

// The fastest step of one object over at least `windowSeconds` (the world moves an object at
// its own frames, 30 a second, which the main cycles of 10 ms see unevenly), in knots, and the
// run's second it began at; steps across a new object of the aircraft are left out.
struct FastestStep {
    double kt = 0;
    double seconds = 0;
};
FastestStep gf_fastestStep(const std::vector<ObjectFrame>& frames, double windowSeconds = 0.2);

// How many seconds each taxiing frame lies ahead of its reports (negative: behind): when the
// reports passed the point of their line nearest to it, less the frame's time. Only frames
// within 30 m of a segment between two reports due within 90 s of the frame whose positions
// make 2.5 m/s or more (the aircraft moves) count.
std::vector<double> gf_taxiLeadSeconds(const std::vector<ObjectFrame>& frames,
                                       const std::vector<DueReport>& reports);
// The same of frames in the air, within 300 m of their reports' line (a path through a turn
// cuts inside it).
std::vector<double> gf_airLeadSeconds(const std::vector<ObjectFrame>& frames,
                                      const std::vector<DueReport>& reports);

// The largest angle (degrees) between the nose of an object moving on the ground at 5 kt or
// more (a pushback is slower) and the direction it moves in, taken between its frames 1 s
// either side of a frame (as the end-to-end checks take it), and the run's second of it.
struct NoseOff {
    double deg = 0;
    double seconds = 0;
};
NoseOff gf_largestGroundNoseOff(const std::vector<ObjectFrame>& frames);

// "taxi: 1234 frames, cross-track 0.0 / 3.1 / 12.0 m, same time ..." lines.
std::string gf_groundFiguresText(const std::map<GroundPhase, PhaseFigures>& figures);

} // namespace skyloom::testing
