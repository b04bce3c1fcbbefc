// The check that keeps the user aircraft clear of traffic while it is on the ground: the first
// live aircraft on the ground, or failing one the first static aircraft, whose circle touches
// the user's. The caller hands over what the check reads of each aircraft and removes the one
// it names (through the aircraft commands); at most one per call, a live one before any
// static one, never an airborne live one.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "foundation/lalo.h"

namespace skyloom {

struct GroundCheckAircraft {
    Lalo position;
    double radiusNm = 0.0; // the aircraft's size figure, half its wingspan
    bool active = false;   // its SimState is active
    bool onGround = false; // read for live aircraft only
};

struct UserGroundHit {
    bool live = false; // else static
    std::size_t index = 0;
};

// `userTermNm` is the user's size-and-speed term. Live aircraft touch the user by
// gf_isWithinNm; static ones when r = userTermNm + radius > 0 and the latitude and scaled
// longitude differences (60 NM per degree, cos of the user's latitude) each stay within r and
// r^2 reaches the squared flat distance.
std::optional<UserGroundHit>
gf_checkUserAcGndCollisions(const Lalo& user, double userTermNm,
                            std::span<const GroundCheckAircraft> live,
                            std::span<const GroundCheckAircraft> statics) noexcept;

} // namespace skyloom
