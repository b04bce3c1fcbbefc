#include "tools/demo_picture/map_view.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>
#include <fmt/format.h>

#include "foundation/geo_constants.h"

namespace skyloom::tools {

namespace {

constexpr double kMetresPerDegree = geo::kFlatNMPerDegree * geo::kMetresPerNM;
constexpr Rgb kLandColour{0.95, 0.95, 0.92};
constexpr Rgb kRunwayColour{0.3, 0.3, 0.3};
constexpr Rgb kStandColour{0.45, 0.45, 0.7};
constexpr double kLabelPx = 11;
// Runway names sit this far beyond the runway's end.
constexpr double kRunwayNameGapMetres = 120;

std::string lf_runwayEndName(std::int32_t number, std::int32_t designator) {
    static constexpr std::array<const char*, 7> designators{"", "L", "R", "C", "W", "A", "B"};
    if (number < 1 || number > 36) {
        return {};
    }
    const std::size_t d =
        designator >= 0 && designator < 7 ? static_cast<std::size_t>(designator) : 0;
    return fmt::format("{:02}{}", number, designators[d]);
}

void lf_drawRunways(cairo_t* cr, const MapView& view, const MapContent& content,
                    const ViewStyle& style) {
    gf_setColour(cr, kRunwayColour);
    for (const simworld::FacilityRunwaySetup& runway : content.airport.runways) {
        const std::array<FlatOffset, 4> corners = gf_runwayCorners(runway, content.frame);
        for (std::size_t i = 0; i < corners.size(); ++i) {
            const auto [x, y] = view.pixel(corners[i]);
            i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
        }
        cairo_close_path(cr);
        // At least a hairline where the runway is narrower than a pixel.
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        if (!style.runwayNames) {
            continue;
        }
        const FlatOffset centre = content.frame.offset({runway.latitudeDeg, runway.longitudeDeg});
        const double heading = runway.headingDeg * geo::kRadiansPerDegree;
        const double reach = runway.lengthMeters / 2 + kRunwayNameGapMetres;
        // The primary direction's name is painted at the end it is flown from.
        for (const auto& [name, sign] :
             {std::pair{lf_runwayEndName(runway.primaryNumber, runway.primaryDesignator), -1.0},
              std::pair{lf_runwayEndName(runway.secondaryNumber, runway.secondaryDesignator),
                        1.0}}) {
            const auto [x, y] = view.pixel({centre.east + sign * reach * std::sin(heading),
                                            centre.north + sign * reach * std::cos(heading)});
            gf_drawText(cr, x, y - kLabelPx / 2 - 2, name, kLabelPx, TextAnchor::centre, true,
                        true);
        }
    }
}

void lf_drawStands(cairo_t* cr, const MapView& view, const MapContent& content,
                   const ViewStyle& style) {
    gf_setColour(cr, kStandColour);
    for (const simworld::FacilityTaxiParkingSetup& stand : content.airport.taxiParkings) {
        const auto [x, y] = view.pixel({stand.biasXMeters, stand.biasZMeters});
        cairo_new_sub_path(cr);
        cairo_arc(cr, x, y, style.standRadiusPx, 0, geo::kTwoPi);
    }
    cairo_fill(cr);
}

void lf_drawTracks(cairo_t* cr, const MapView& view, const MapContent& content,
                   const ViewStyle& style) {
    cairo_set_line_width(cr, style.trackWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (const TraceTrack& track : content.tracks) {
        for (std::size_t i = 1; i < track.points.size(); ++i) {
            const TracePoint& a = track.points[i - 1];
            const TracePoint& b = track.points[i];
            const auto [x0, y0] = view.pixel(content.frame.offset(a.position));
            const auto [x1, y1] = view.pixel(content.frame.offset(b.position));
            gf_setColour(cr, gf_phaseColour(gf_tracePhase(&a, b)));
            cairo_move_to(cr, x0, y0);
            cairo_line_to(cr, x1, y1);
            cairo_stroke(cr);
        }
    }
}

struct EndLabel {
    double x, y;
    std::string text;
};

// The labels beside their dots, right, left, above or below, inside the view where they cover
// no label drawn before; a label with no free place is left out.
void lf_drawEndLabels(cairo_t* cr, const MapView& view, const std::vector<EndLabel>& labels) {
    std::vector<std::array<double, 4>> taken; // left, top, right, bottom
    for (const EndLabel& label : labels) {
        const auto [width, height] = gf_textSize(cr, label.text, kLabelPx);
        for (const auto& [left, top] : {std::pair{label.x + 5, label.y - height / 2},
                                        std::pair{label.x - 5 - width, label.y - height / 2},
                                        std::pair{label.x - width / 2, label.y - 4 - height},
                                        std::pair{label.x - width / 2, label.y + 4}}) {
            const std::array<double, 4> box{left, top, left + width, top + height};
            const bool inside = box[0] >= view.left && box[2] <= view.left + view.size &&
                                box[1] >= view.top && box[3] <= view.top + view.size;
            const bool free =
                inside && std::none_of(taken.begin(), taken.end(), [&](const auto& t) {
                    return box[0] < t[2] && t[0] < box[2] && box[1] < t[3] && t[1] < box[3];
                });
            if (free) {
                taken.push_back(box);
                cairo_set_source_rgb(cr, 0, 0, 0);
                gf_drawText(cr, left, top, label.text, kLabelPx, TextAnchor::left, false, true);
                break;
            }
        }
    }
}

// Where each object there at the end was last: a dot in its phase's colour, and its ATC id.
void lf_drawEnds(cairo_t* cr, const MapView& view, const MapContent& content,
                 const ViewStyle& style) {
    std::vector<EndLabel> labels;
    for (const TraceTrack& track : content.tracks) {
        const std::optional<TrackEnd> at = gf_trackEndAt(track, content.endSeconds);
        if (!at) {
            continue;
        }
        const FlatOffset end = content.frame.offset(at->point->position);
        const auto [x, y] = view.pixel(end);
        cairo_new_sub_path(cr);
        cairo_arc(cr, x, y, 3.5, 0, geo::kTwoPi);
        gf_setColour(cr, gf_phaseColour(at->phase));
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);
        const auto atcId = content.atcIds.find(track.id);
        if (atcId != content.atcIds.end() &&
            (style.labelStanding || at->phase != TracePhase::standing) &&
            (style.labelledIn == nullptr || !style.labelledIn->shows(end))) {
            labels.push_back({x, y, atcId->second});
        }
    }
    lf_drawEndLabels(cr, view, labels);
}

} // namespace

Rgb gf_phaseColour(TracePhase phase) noexcept {
    switch (phase) {
    case TracePhase::standing:
        return {0.55, 0.55, 0.55};
    case TracePhase::taxi:
        return {0.15, 0.6, 0.15};
    case TracePhase::roll:
        return {0.9, 0.5, 0.0};
    case TracePhase::climbing:
        return {0.1, 0.35, 0.9};
    case TracePhase::descending:
        return {0.85, 0.1, 0.45};
    case TracePhase::level:
        return {0.0, 0.7, 0.75};
    }
    return {};
}

AirportFrame::AirportFrame(const simworld::AirportFacilitySetup& airport)
    : reference_{airport.latitudeDeg, airport.longitudeDeg},
      cosLat_(std::cos(airport.latitudeDeg * geo::kRadiansPerDegree)) {}

FlatOffset AirportFrame::offset(const Lalo& position) const noexcept {
    return gf_flatOffsetMetres(reference_, position, kMetresPerDegree, cosLat_);
}

std::array<double, 2> MapView::pixel(const FlatOffset& offset) const noexcept {
    return {left + size / 2 + (offset.east - centre.east) * pixelsPerMetre,
            top + size / 2 - (offset.north - centre.north) * pixelsPerMetre};
}

bool MapView::shows(const FlatOffset& offset) const noexcept {
    const auto [x, y] = pixel(offset);
    return x >= left && x <= left + size && y >= top && y <= top + size;
}

std::array<FlatOffset, 4> gf_runwayCorners(const simworld::FacilityRunwaySetup& runway,
                                           const AirportFrame& frame) {
    const FlatOffset centre = frame.offset({runway.latitudeDeg, runway.longitudeDeg});
    const double heading = runway.headingDeg * geo::kRadiansPerDegree;
    const FlatOffset along{std::sin(heading) * runway.lengthMeters / 2,
                           std::cos(heading) * runway.lengthMeters / 2};
    const FlatOffset across{std::cos(heading) * runway.widthMeters / 2,
                            -std::sin(heading) * runway.widthMeters / 2};
    auto at = [&](double a, double b) {
        return FlatOffset{centre.east + a * along.east + b * across.east,
                          centre.north + a * along.north + b * across.north};
    };
    return {at(-1, -1), at(1, -1), at(1, 1), at(-1, 1)};
}

void gf_drawMapView(cairo_t* cr, const MapView& view, const MapContent& content,
                    const ViewStyle& style) {
    cairo_save(cr);
    cairo_rectangle(cr, view.left, view.top, view.size, view.size);
    cairo_clip(cr);
    gf_setColour(cr, kLandColour);
    cairo_paint(cr);
    lf_drawRunways(cr, view, content, style);
    lf_drawStands(cr, view, content, style);
    lf_drawTracks(cr, view, content, style);
    lf_drawEnds(cr, view, content, style);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, view.left + 0.5, view.top + 0.5, view.size - 1, view.size - 1);
    cairo_stroke(cr);
}

} // namespace skyloom::tools
