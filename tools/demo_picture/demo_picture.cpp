#include "tools/demo_picture/demo_picture.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>
#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "tools/demo_picture/map_view.h"

namespace skyloom::tools {

namespace {

constexpr int kWidth = 1520;
constexpr int kHeight = 1090;
constexpr double kMargin = 16;
constexpr double kTitleHeight = 70;
constexpr double kMapSize = 1000;
// The map shows this far around the airport's reference point.
constexpr double kMapRadiusNm = 15;
constexpr double kPanelLeft = kMargin + kMapSize + 20;
constexpr double kInsetSize = kWidth - kMargin - kPanelLeft;
// The inset shows the airport's runways and stands with this much room around them.
constexpr double kInsetMarginMetres = 450;
constexpr double kInsetDefaultMetres = 4000;

std::string lf_clockText(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
}

// A square view around the airport's runways and stands.
MapView lf_insetView(const simworld::AirportFacilitySetup& airport, const AirportFrame& frame,
                     double left, double top) {
    double minE = 0, maxE = 0, minN = 0, maxN = 0;
    auto add = [&](const FlatOffset& o) {
        minE = std::min(minE, o.east);
        maxE = std::max(maxE, o.east);
        minN = std::min(minN, o.north);
        maxN = std::max(maxN, o.north);
    };
    for (const simworld::FacilityRunwaySetup& runway : airport.runways) {
        for (const FlatOffset& corner : gf_runwayCorners(runway, frame)) {
            add(corner);
        }
    }
    for (const simworld::FacilityTaxiParkingSetup& stand : airport.taxiParkings) {
        add({stand.biasXMeters, stand.biasZMeters});
    }
    double span = std::max(maxE - minE, maxN - minN);
    span = span > 0 ? span + 2 * kInsetMarginMetres : kInsetDefaultMetres;
    return {left, top, kInsetSize, {(minE + maxE) / 2, (minN + maxN) / 2}, kInsetSize / span};
}

void lf_drawRangeRings(cairo_t* cr, const MapView& view) {
    cairo_save(cr);
    cairo_rectangle(cr, view.left, view.top, view.size, view.size);
    cairo_clip(cr);
    const auto [x, y] = view.pixel({0, 0});
    for (const double nm : {5.0, 10.0, 15.0}) {
        const double radius = nm * geo::kMetresPerNM * view.pixelsPerMetre;
        cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_set_line_width(cr, 1);
        cairo_new_path(cr);
        cairo_arc(cr, x, y, radius, 0, geo::kTwoPi);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
        gf_drawText(cr, x + radius * std::sqrt(0.5) + 3, y - radius * std::sqrt(0.5),
                    fmt::format("{:g} NM", nm), 11);
    }
    cairo_restore(cr);
}

void lf_outlineView(cairo_t* cr, const MapView& on, const MapView& inner) {
    const double halfMetres = inner.size / 2 / inner.pixelsPerMetre;
    const auto [x0, y0] =
        on.pixel({inner.centre.east - halfMetres, inner.centre.north + halfMetres});
    const auto [x1, y1] =
        on.pixel({inner.centre.east + halfMetres, inner.centre.north - halfMetres});
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_set_line_width(cr, 1);
    const double dash = 4;
    cairo_set_dash(cr, &dash, 1, 0);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

void lf_drawTitle(cairo_t* cr, const simworld::AirportFacilitySetup& airport,
                  const std::vector<TraceTrack>& tracks) {
    cairo_set_source_rgb(cr, 0, 0, 0);
    gf_drawText(cr, kMargin, 10,
                fmt::format("{} {}: the simulator's AI traffic", airport.icao, airport.name), 24,
                TextAnchor::left, true);
    std::string span = "no AI objects in the trace";
    if (!tracks.empty()) {
        double first = tracks.front().points.front().seconds;
        double last = first;
        for (const TraceTrack& track : tracks) {
            for (const TracePoint& p : track.points) {
                first = std::min(first, p.seconds);
                last = std::max(last, p.seconds);
            }
        }
        span = fmt::format("world time {} to {} ({:.0f} s); map {:g} NM around the airport, "
                           "north up",
                           lf_clockText(first), lf_clockText(last), last - first, kMapRadiusNm);
    }
    gf_drawText(cr, kMargin, 44, span, 15);
}

double lf_drawPanel(cairo_t* cr, const std::vector<TraceTrack>& tracks) {
    const PhaseCounts atEnd = gf_phasesAtEnd(tracks);
    const PhaseCounts seen = gf_phasesSeen(tracks);
    const double endSeconds = gf_lastPositionSeconds(tracks);
    const auto present = std::count_if(tracks.begin(), tracks.end(), [&](const TraceTrack& t) {
        return gf_trackEndAt(t, endSeconds).has_value();
    });
    double y = kTitleHeight;
    cairo_set_source_rgb(cr, 0, 0, 0);
    y += gf_drawText(cr, kPanelLeft, y,
                     fmt::format("{} AI objects, {} there at {}", tracks.size(), present,
                                 lf_clockText(endSeconds)),
                     15, TextAnchor::left, true) +
         6;
    y += gf_drawText(
             cr, kPanelLeft, y,
             fmt::format("phase: objects at {} (in it at some time)", lf_clockText(endSeconds)),
             13) +
         6;
    std::vector<LegendItem> items;
    for (std::size_t p = 0; p < kTracePhaseCount; ++p) {
        const auto phase = static_cast<TracePhase>(p);
        items.push_back({fmt::format("{}: {} ({})", gf_tracePhaseName(phase), atEnd[p], seen[p]),
                         gf_phaseColour(phase)});
    }
    y = gf_drawLegend(cr, kPanelLeft, y, items) + 6;
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    for (const std::string_view note :
         {"On the ground: standing below 1 kt, taxi below 40 kt, else roll.",
          "Airborne: climbing above +300 fpm, descending below -300 fpm.",
          "Dots: the objects there at the trace's last position, where",
          "they were last (the program's shutdown removes them after it).",
          "Runways dark grey, stands small blue dots."}) {
        y += gf_drawText(cr, kPanelLeft, y, note, 12) + 2;
    }
    return y + 12;
}

} // namespace

void gf_drawDemoPicture(const std::filesystem::path& png,
                        const simworld::AirportFacilitySetup& airport,
                        const std::vector<TraceTrack>& tracks,
                        const std::map<std::uint32_t, std::string>& atcIds) {
    const PngCanvas canvas(kWidth, kHeight);
    cairo_t* cr = canvas.cr();
    const AirportFrame frame(airport);
    const MapContent content{airport, frame, tracks, atcIds, gf_lastPositionSeconds(tracks)};
    const MapView map{
        kMargin, kTitleHeight, kMapSize, {0, 0}, kMapSize / (2 * kMapRadiusNm * geo::kMetresPerNM)};
    lf_drawTitle(cr, airport, tracks);
    const double insetTop = lf_drawPanel(cr, tracks);
    const MapView inset = lf_insetView(airport, frame, kPanelLeft, insetTop + 22);
    ViewStyle mapStyle;
    mapStyle.labelledIn = &inset;
    gf_drawMapView(cr, map, content, mapStyle);
    lf_drawRangeRings(cr, map);
    gf_drawScaleBar(cr, map.pixelsPerMetre, map.left + 20, map.top + map.size - 20);
    cairo_set_source_rgb(cr, 0, 0, 0);
    gf_drawText(cr, kPanelLeft, insetTop, fmt::format("{} itself", airport.icao), 13,
                TextAnchor::left, true);
    gf_drawMapView(cr, inset, content, {.trackWidth = 2, .standRadiusPx = 2, .runwayNames = true});
    gf_drawScaleBar(cr, inset.pixelsPerMetre, inset.left + 12, inset.top + inset.size - 14);
    lf_outlineView(cr, map, inset);
    canvas.save(png);
}

} // namespace skyloom::tools
