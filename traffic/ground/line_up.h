// The recognition of an aircraft lined up on a runway, which arms the take-off check: its
// entry onto the runway, its turn onto it, and a report held while it waits there.
#pragma once

#include <string>

#include "foundation/lalo.h"
#include "traffic/motion/motion_world.h"

namespace skyloom {

struct TrafficSample;
struct TrafficState;
struct LiveAircraft;

void lf_trackLineUp(MotionContext& ctx);
bool lf_heldOnRunway(MotionContext& ctx, const std::string& runway, const Lalo& position);
void lf_checkRunwayEntry(MotionContext& ctx);
void lf_checkTurnOntoRunway(MotionContext& ctx);
bool lf_holdSampleOnRunway(MotionContext& ctx, const TrafficSample& newSample);
// The per-tick line-up tracking with the state's world (the per-tick update runs it).
void gf_trackLineUp(TrafficState& state, LiveAircraft& aircraft);

} // namespace skyloom
