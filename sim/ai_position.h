// `AIPosition`: the position and attitude of one AI object as definition 402 writes it, 64
// bytes: latitude and longitude in degrees, pitch, bank and true heading in radians, altitude in
// feet, vertical speed in feet per minute and true airspeed in knots.
#pragma once

namespace skyloom {

struct AIPosition {
    double latitude = 0;
    double longitude = 0;
    double pitch = 0;
    double bank = 0;
    double headingTrue = 0;
    double altitude = 0;
    double verticalSpeed = 0;
    double trueAirspeed = 0;

    friend bool operator==(const AIPosition&, const AIPosition&) = default;
};

static_assert(sizeof(AIPosition) == 64);

} // namespace skyloom
