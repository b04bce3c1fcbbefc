// Where the RealTraffic web API is asked for traffic: the query areas of the web API's reader
// under one mutex (the web API's query-area mutex), with the reference altitude that static
// parking hands over for the park airport.
// - The traffic area is a box around a centre with the traffic radius (RANGE). It follows
//   the user: it is built afresh when the user has left the centre by a quarter of the
//   radius, and at once when `gf_updateRtApiQueryArea` asks (the radius changed). A move
//   beyond the whole radius counts as a jump.
// - The parked area is a box of 3 NM around the park airport; it is set when the reader asks
//   for the park airport's parked traffic.
// - Boxes are rounded outward to 2 decimals, longitudes wrapped into [-180, 180]: a box across
//   the antimeridian has its west edge east of its east edge, as the service takes it.
// The traffic-state reset clears both areas.
#pragma once

#include <mutex>
#include <optional>

#include "foundation/lalo.h"

namespace skyloom {

struct RtApiBox {
    double top = 0.0;    // north latitude
    double bottom = 0.0; // south latitude
    double left = 0.0;   // west longitude
    double right = 0.0;  // east longitude

    // True when the position lies inside (across the antimeridian too).
    bool holds(const Lalo& position) const noexcept;

    friend bool operator==(const RtApiBox&, const RtApiBox&) = default;
};

// The box that holds the circle of `radiusNm` around the centre: latitudes clamped to
// [-90, 90]; near a pole, or for a radius that spans the globe, every longitude.
RtApiBox gf_rtApiBoxAround(const Lalo& centre, double radiusNm) noexcept;

struct RtApiTrafficArea {
    Lalo centre;
    double radiusNm = 0.0;
    RtApiBox box;
};

struct UserPosition;

class RtApiQueryArea {
public:
    // The area to ask for with the user at `user` and the radius `radiusNm`: the current one
    // while the user stays near its centre and the radius is unchanged, else a new one. No
    // value for an invalid position or a radius not above 0. `jumped` is set when the new
    // centre lies beyond the old area's radius (or there was none).
    std::optional<RtApiTrafficArea> trafficArea(const Lalo& user, double radiusNm,
                                                bool* jumped = nullptr);
    // The next trafficArea call builds its area afresh.
    void invalidate();
    std::optional<RtApiTrafficArea> currentTrafficArea() const;

    void setParkedArea(std::optional<RtApiBox> box);
    std::optional<RtApiBox> parkedArea() const;

    void setReference(std::optional<double> altitudeFt);
    std::optional<double> reference() const;

    // Both areas are forgotten (the reference altitude stays: parking owns it).
    void clear();

private:
    mutable std::mutex mutex_;
    std::optional<RtApiTrafficArea> traffic_;
    bool stale_ = false;
    std::optional<RtApiBox> parked_;
    std::optional<double> referenceFt_;
};

// The web API reader's query areas.
RtApiQueryArea& gf_rtApiQueryArea();

// Recomputes the web API's traffic area from the user position and the current radius
// (RANGE), now when the user position is known, else at the reader's next request.
void gf_updateRtApiQueryArea(const UserPosition& user);

// Stores the web API reader's reference altitude (feet; none clears it) under the query-area
// mutex. The reader gives it to aircraft on the ground whose altitude the service leaves out.
void gf_setRtApiReference(std::optional<double> altitudeFt);

// The traffic-state reset's part: both query areas cleared.
void gf_clearRtApiQueryAreas();

} // namespace skyloom
