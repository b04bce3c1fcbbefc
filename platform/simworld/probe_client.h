// A scripted client for looking at a world from the outside, as the program would: it opens a
// connection (retrying while refused), subscribes to the system events, defines the user
// aircraft's title, model, position and on-ground data and an AI position list, asks for them
// once or every second, dispatches every step of a manual clock, reconnects after a failed
// dispatch or a QUIT, and writes one line for everything it sees. It reads the bytes of each
// message itself, so it checks what the world sends rather than what the world meant.
#pragma once

#include <string>
#include <vector>

#include "foundation/manual_clock.h"

namespace skyloom::simworld {

struct ProbeOptions {
    std::string clientName = "Skyloom";
    double durationSeconds = 10;
    double stepSeconds = 0.05;
    double retrySeconds = 0.1;
};

// Runs against the installed world; the world must run on `clock`. Lines read
// "{seconds:9.3f} {what}", seconds counted from the world's start.
std::vector<std::string> gf_runProbeClient(ManualClock& clock, const ProbeOptions& options);

} // namespace skyloom::simworld
