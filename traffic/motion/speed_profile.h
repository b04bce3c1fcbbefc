// `SpeedProfile`: a distance L covered in a time T, starting at speed va and ending at vb,
// as the cubic Hermite curve s(u) = h10(u) T va + h01(u) L + h11(u) T vb with u = t / T. The
// take-off and landing rolls read their speed and distance from it every tick. Units are the
// caller's (metres and seconds with m/s, for example), used consistently.
#pragma once

#include <cstdint>

namespace skyloom {

struct SpeedProfile {
    double length = 0.0;     // L
    double duration = 0.0;   // T
    double startSpeed = 0.0; // va
    double endSpeed = 0.0;   // vb
    std::uint8_t valid = 0;
};

// Builds the profile. L and T must be finite and positive and both speeds finite, else the
// profile stays all zero and invalid (false). Negative speeds count as 0. With the mean speed
// m = L / T, the end speeds as multiples a and b of m are scaled down together when
// a^2 + b^2 > 9, so that the curve never runs backwards.
bool gf_buildSpeedProfile(SpeedProfile& profile, double length, double duration, double startSpeed,
                          double endSpeed) noexcept;

// t / T clamped to [0, 1]; +infinity gives 1, any other non-finite time 0.
double gf_speedProfileFraction(const SpeedProfile& profile, double t) noexcept;

// The u at which the speed has its extremum, or -1 when the speed is (nearly) linear in u.
double gf_speedProfileExtremum(const SpeedProfile& profile) noexcept;

// The distance covered at time t (clamped to [0, T]); 0 for an invalid profile.
double gf_speedProfileDistanceAt(const SpeedProfile& profile, double t) noexcept;

// The speed at time t (clamped to [0, T]), never below 0; 0 for an invalid profile.
double gf_speedProfileSpeedAt(const SpeedProfile& profile, double t) noexcept;

// The lowest and highest speed over the whole profile; 0 for an invalid profile.
double gf_speedProfileMinSpeed(const SpeedProfile& profile) noexcept;
double gf_speedProfileMaxSpeed(const SpeedProfile& profile) noexcept;

// A profile that keeps va exactly, never exceeds vmax and accelerates (or holds its speed) at
// both ends: first with the end speed asked for; failing that, with the end speed
// max(2 L / T - va, va), which needs va at most the mean speed. On success the profile is
// written and the result is true; on failure the profile is left as it was.
bool gf_fitSpeedProfile(SpeedProfile& profile, double length, double duration, double startSpeed,
                        double endSpeed, double maximumSpeed) noexcept;

} // namespace skyloom
