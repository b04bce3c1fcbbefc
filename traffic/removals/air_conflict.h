// The predictor of the user aircraft's air-collision check: whether a live aircraft near the
// user in the air is, or is about to be, in the user's way, with the reason when it is not.
// Flat earth around the user: 60 NM per degree, longitudes scaled by cos of the user's
// latitude and taken the short way round the antimeridian.
#pragma once

#include <cstdint>

#include "foundation/lalo.h"

namespace skyloom {

struct AirConflictRequest {
    // 0: only the close check; 1: also ahead within 0.6 NM on a similar track; any other: also
    // the wider look ahead and behind of a low, slow user.
    int mode = 0;
    Lalo user;
    Lalo aircraft;
    double cosUserLat = 1.0;
    double userTrack = 0.0;     // rad
    double aircraftTrack = 0.0; // rad, the aircraft's reference track
    double userAltitudeFt = 0.0;
    double aircraftAltitudeFt = 0.0;
};

struct AirConflict {
    // 0 none; 1 close ahead; 2 close behind on the same track; 3 ahead on the same track; 4
    // ahead on a similar track (mode 1).
    int conflict = 0;
    // 0 none; 1 farther than 4 NM; 2 more than 1000 ft apart; 3 tracks differ; 4 too far
    // behind or aside; 5 abeam; 6 too far ahead; 7 too far aside.
    int clearReason = 0;
    double distanceNM = 0.0;
    double heightDifferenceFt = 0.0; // aircraft - user
    double alongNM = 0.0;            // ahead of the user along its track
    double crossFt = 0.0;
    double crossLimitFt = 0.0;
    double trackDifferenceDeg = 0.0; // |user track - aircraft track|, wrapped
};

AirConflict gf_predictAirConflict(const AirConflictRequest& request) noexcept;

} // namespace skyloom
