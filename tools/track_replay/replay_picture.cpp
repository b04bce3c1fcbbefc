#include "tools/track_replay/replay_picture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <cairo.h>

#include "foundation/geo_constants.h"
#include "tools/map_picture/map_picture.h"
#include "traffic/motion/flat_earth.h"

namespace skyloom::tools {

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 900;
constexpr double kMargin = 40;

Rgb lf_phaseColour(FlightPhase phase) {
    switch (phase) {
    case FlightPhase::takeoff_roll:
    case FlightPhase::takeoff:
        return {0.85, 0.45, 0.0};
    case FlightPhase::flying:
        return {0.0, 0.45, 0.85};
    case FlightPhase::landing:
        return {0.8, 0.1, 0.6};
    default:
        return {0.2, 0.6, 0.2};
    }
}

// A flat frame around the track's first point, fitted into the picture.
class MapFrame {
public:
    MapFrame(const std::vector<TruePoint>& truth, const ReplayRun& run) {
        origin_ = {truth.front().latitude, truth.front().longitude};
        cosLat_ = std::cos(origin_.lat * geo::kRadiansPerDegree);
        auto add = [this](const Lalo& p) {
            const FlatOffset o = offset(p);
            minE_ = std::min(minE_, o.east);
            maxE_ = std::max(maxE_, o.east);
            minN_ = std::min(minN_, o.north);
            maxN_ = std::max(maxN_, o.north);
        };
        for (const TruePoint& p : truth) {
            add({p.latitude, p.longitude});
        }
        for (const ReplayFrame& f : run.frames) {
            add({f.latitude, f.longitude});
        }
        const double spanE = std::max(maxE_ - minE_, 1.0);
        const double spanN = std::max(maxN_ - minN_, 1.0);
        scale_ = std::min((kWidth - 2 * kMargin) / spanE, (kHeight - 2 * kMargin) / spanN);
    }
    FlatOffset offset(const Lalo& p) const {
        return gf_flatOffsetMetres(origin_, p, 111319.49, cosLat_);
    }
    std::array<double, 2> pixel(const Lalo& p) const {
        const FlatOffset o = offset(p);
        return {kMargin + (o.east - minE_) * scale_,
                kHeight - kMargin - (o.north - minN_) * scale_};
    }
    double pixelsPerMetre() const { return scale_; }

private:
    Lalo origin_;
    double cosLat_ = 1;
    double minE_ = 1e18, maxE_ = -1e18, minN_ = 1e18, maxN_ = -1e18;
    double scale_ = 1;
};

void lf_drawLegend(cairo_t* cr) {
    gf_drawLegend(cr, kWidth - 150, 10,
                  {{"true track", {0.55, 0.55, 0.55}},
                   {"take-off", lf_phaseColour(FlightPhase::takeoff)},
                   {"flying", lf_phaseColour(FlightPhase::flying)},
                   {"landing", lf_phaseColour(FlightPhase::landing)},
                   {"ground", lf_phaseColour(FlightPhase::taxi)}});
}

} // namespace

void gf_drawReplay(const std::filesystem::path& png, const std::vector<TruePoint>& truth,
                   const ReplayRun& run) {
    const MapFrame frame(truth, run);
    const PngCanvas canvas(kWidth, kHeight);
    cairo_t* cr = canvas.cr();
    cairo_set_line_width(cr, 4);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    for (std::size_t i = 0; i < truth.size(); ++i) {
        const auto [x, y] = frame.pixel({truth[i].latitude, truth[i].longitude});
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.5);
    for (std::size_t i = 1; i < run.frames.size(); ++i) {
        const ReplayFrame& a = run.frames[i - 1];
        const ReplayFrame& b = run.frames[i];
        gf_setColour(cr, lf_phaseColour(b.phase));
        const auto [x0, y0] = frame.pixel({a.latitude, a.longitude});
        const auto [x1, y1] = frame.pixel({b.latitude, b.longitude});
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_stroke(cr);
    }
    gf_drawScaleBar(cr, frame.pixelsPerMetre(), kMargin, kHeight - 15);
    lf_drawLegend(cr);
    canvas.save(png);
}

} // namespace skyloom::tools
