// One square view of the demo's map: positions on a flat frame around the airport's reference
// point mapped into a square of the picture, and what the map draws in it (runways, stands,
// tracks coloured by phase, the objects still there at the end), clipped to the square.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/simworld/facility_setup.h"
#include "tools/demo_picture/trace_file.h"
#include "tools/demo_picture/trace_phase.h"
#include "tools/map_picture/map_picture.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom::tools {

Rgb gf_phaseColour(TracePhase phase) noexcept;

// Metres east and north of the airport's reference point.
class AirportFrame {
public:
    explicit AirportFrame(const simworld::AirportFacilitySetup& airport);
    FlatOffset offset(const Lalo& position) const noexcept;

private:
    Lalo reference_;
    double cosLat_;
};

struct MapView {
    double left = 0; // the square in the picture, pixels
    double top = 0;
    double size = 0;
    FlatOffset centre;         // of the frame, shown at the square's centre
    double pixelsPerMetre = 1; // of the frame

    std::array<double, 2> pixel(const FlatOffset& offset) const noexcept;
    bool shows(const FlatOffset& offset) const noexcept;
};

struct MapContent {
    const simworld::AirportFacilitySetup& airport;
    const AirportFrame& frame;
    const std::vector<TraceTrack>& tracks;
    const std::map<std::uint32_t, std::string>& atcIds;
    double endSeconds = 0; // objects in the simulator then are marked where they were last
};

struct ViewStyle {
    double trackWidth = 1.5;
    double standRadiusPx = 1.5;
    bool runwayNames = false;
    bool labelStanding = false; // labels for objects standing at the end too
    // Objects whose end lies in this view are labelled there, not here.
    const MapView* labelledIn = nullptr;
};

// Runways, stands, tracks and end markers with labels, clipped to the view, with a border.
void gf_drawMapView(cairo_t* cr, const MapView& view, const MapContent& content,
                    const ViewStyle& style);

// The corners of the runway in the frame, for fitting a view around the airport.
std::array<FlatOffset, 4> gf_runwayCorners(const simworld::FacilityRunwaySetup& runway,
                                           const AirportFrame& frame);

} // namespace skyloom::tools
