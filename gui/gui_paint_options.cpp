// The captions of the options area (expanded only): the section titles in bold at fixed
// places, and each option's caption at the caption place of its control, coloured by the
// current settings where a setting deserves attention (yellow), blocks everything (red) or
// does not apply (grey).
#include <string_view>

#include "config/option_control.h"
#include "config/parameters.h"
#include "gui/gui.h"
#include "gui/gui_palette.h"
#include "gui/gui_text.h"

namespace skyloom {
namespace {

struct CaptionPainter {
    const Gui& gui;
    winui::HDC dc;

    void title(std::string_view text, int x, int y) const {
        gf_textOut(gui, text, dc, x, y, kTextBlack, true);
    }
    // At the caption place of the control.
    void at(std::string_view text, const OptionControl& control,
            winui::COLORREF colour = kTextBlack, bool bold = false) const {
        gf_textOut(gui, text, dc, control.layout().captionX, control.layout().rowY, colour, bold);
    }
    // At the left edge, on the control's row.
    void rowStart(std::string_view text, const OptionControl& control) const {
        gf_textOut(gui, text, dc, 5, control.layout().rowY, kTextBlack, false);
    }
};

winui::COLORREF lf_yellowWhen(bool attention) {
    return attention ? kTextYellow : kTextBlack;
}

winui::COLORREF lf_greyWhen(bool inactive) {
    return inactive ? kTextGrey : kTextBlack;
}

} // namespace

void Gui::paintOptionLabels(winui::HDC dc, const GuiPaintFacts& facts) const {
    const ProgramParameters& p = gf_params();
    const ParamsSnapshot& s = *facts.settings;
    const CaptionPainter paint{*this, dc};
    const bool timeShiftOff = !state_.timeShiftEnabled;

    paint.title("MISC", 657, 207);
    paint.at("Random", p.RANDOM, lf_yellowWhen(!s.RANDOM));
    paint.at("Stay on top", p.ALWAYS_ON_TOP);
    paint.at("Flight messages", p.FLIGHT_MESSAGES);
    paint.at("Objectids", p.OBJECTID_LIST, lf_yellowWhen(s.OBJECTID_LIST));
    paint.at("Nav lights", p.NAV_LIGHTS_WHILE_PARKED);
    paint.at("GUID changes", p.GUID_CHANGES, lf_yellowWhen(!s.GUID_CHANGES));

    gf_textOut(*this, "TIME SHIFT", dc, 657, 343, timeShiftOff ? kTextGrey : kTextBlack,
               !timeShiftOff);
    paint.at("Keep", p.KEEP_SIM_TIME_PAR, lf_greyWhen(timeShiftOff));
    paint.at("Sim Time", p.SIM_TIME, lf_greyWhen(timeShiftOff));
    paint.at("Aerowinx", p.AEROWINX, facts.rtDirect ? kTextGrey : lf_yellowWhen(s.AEROWINX));
    const auto shiftColour = [&](std::int32_t value) {
        return timeShiftOff ? kTextGrey : lf_yellowWhen(value > 0);
    };
    paint.at("day", p.TIME_SHIFT_DAYS, shiftColour(s.TIME_SHIFT_DAYS));
    paint.at("hour", p.TIME_SHIFT_HOURS, shiftColour(s.TIME_SHIFT_HOURS));
    paint.at("min", p.TIME_SHIFT_MINS, shiftColour(s.TIME_SHIFT_MINS));

    paint.title("DATA SOURCES", 5, 103);
    paint.rowStart("airports:", p.SKIP_AIRPORT_SCAN);
    paint.at("skip scan", p.SKIP_AIRPORT_SCAN);
    paint.rowStart("liveries:", p.SKIP_LIVERIES_SCAN);
    paint.at("skip scan", p.SKIP_LIVERIES_SCAN);
    paint.at("priority", p.LIG_PRIORITIZE);
    paint.at("automatic", p.LIG_AUTOMATIC);

    paint.title("CONFIGURATION", 657, 103);

    paint.title("COLLISION AVOIDANCE", 5, 207);
    paint.at("user ground", p.COLLISION_USER_GND);
    paint.at("user air", p.COLLISION_USER_AIR);
    paint.at("live vs parked", p.COLLISION_LIVE_PARKED_GND);

    // Both limits at 0: no aircraft at all.
    const bool noAircraft = s.MAX_LIVE_SEL == 0 && s.MAX_PARK_SEL == 0;
    const auto limitColour = [&](std::int32_t limit) {
        return noAircraft ? kTextRed : lf_yellowWhen(limit == 0);
    };
    paint.title("TRAFFIC INJECTION", 5, 343);
    paint.rowStart("radius:", p.RANGE);
    paint.at("nm", p.RANGE);
    paint.at("auto radius", p.AUTO_RANGE);
    paint.at("max live", p.MAX_LIVE_SEL, limitColour(s.MAX_LIVE_SEL));
    paint.rowStart("taxiing:", p.MAX_HOLDING_MINUTES);
    paint.at("max holding mtrs", p.HOLDING_THRESHOLD_METERS);
    paint.at("max holding minutes", p.MAX_HOLDING_MINUTES);
    paint.at("depth:", p.MATCHING_DEPTH);
    paint.at("with extra TCAS coverage above this FL", p.TCAS_FL);
    paint.rowStart("include:", p.LIGHT_AIRCRAFT);
    paint.at("two props", p.TWO_PROPS);
    paint.at("light aircraft", p.LIGHT_AIRCRAFT);
    paint.at("helicopters", p.HELICOPTERS);
    paint.at("fighter jets", p.HIGH_PERF_AIRCRAFT);

    const bool rtParkedOnly = s.RT_PARKTRAFFIC_ONLY != 0;
    const bool autoPark = s.AUTO_PARK != 0;
    paint.title("PARKING", 5, 511);
    paint.at("update interval (min)", p.PARKING_INTERVAL_MINUTES, kTextBlack, true);
    paint.at("RT parked only", p.RT_PARKTRAFFIC_ONLY);
    paint.at("max fit hrs", p.MAX_FIT_FL, lf_greyWhen(!rtParkedOnly && autoPark));
    paint.at("max park", p.MAX_PARK_SEL, limitColour(s.MAX_PARK_SEL));
    paint.at("destination", p.DESTINATION);
    paint.at("reserved stand", p.STAND_SELECTOR);
    paint.at("range nm", p.AIRP_RANGE);
    paint.at("below height", p.AIRP_HEIGHT);
    paint.at("target % ", p.parking_percentage, lf_greyWhen(rtParkedOnly));
    paint.at("auto park", p.AUTO_PARK, lf_greyWhen(rtParkedOnly));
    paint.at("week", p.WEEK, lf_greyWhen(rtParkedOnly || autoPark));
    paint.at("soft", p.PARK_SOFT, lf_greyWhen(rtParkedOnly || autoPark));
}

} // namespace skyloom
