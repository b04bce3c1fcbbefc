// The park-airport panel: three rows about the park airport, its airport file and the static
// aircraft on its stands. Shown when expanded, and in compact mode while there is a park
// airport.
#include <string>

#include <fmt/format.h>

#include "foundation/text.h"
#include "gui/gui.h"
#include "gui/gui_palette.h"
#include "gui/gui_text.h"

namespace skyloom {
namespace {

// The minutes to the next parking update are shown only within a day.
constexpr std::int32_t kMaxShownUpdateMinutes = 1440;

} // namespace

void Gui::paintAirportPanel(winui::HDC dc, const GuiPaintFacts& facts, int panelTop) const {
    const StaticParkingShown parking = staticParking();
    const int row1 = panelTop + 7;
    const int row2 = panelTop + 39;
    const int row3 = panelTop + 71;
    const auto text = [&](std::string_view line, int x, int y,
                          winui::COLORREF colour = kTextGreen) {
        gf_textOut(*this, line, dc, x, y, colour, false);
    };

    // 1. No park airport.
    if (!state_.parkAirport.isSet()) {
        if (facts.simulatorConnected) {
            text("No airport within reach", 5, row1);
        }
        return;
    }

    // 2. and 3. The airport and its file.
    text(fmt::format("airport: {}", state_.parkAirport.text()), 5, row1,
         state_.airportFileLoaded ? kTextGreen : kTextYellow);
    if (!state_.airportFileLoaded) {
        return;
    }
    text(fmt::format(" {}   publisher: {}{},  week: {}", state_.parkAirportName, state_.publisher,
                     state_.airportFileHandmade ? " (h)" : "", parking.fileWeek),
         167, row1);

    // 4.
    if (!state_.userWingspanKnown) {
        text("wingspan user ac unknown?", 657, row1, kTextYellow);
    }

    // 5. to 8. Row 2: the parking update, the quality, the reserved stand, the learned updates.
    if (parking.generating) {
        text("generating parking ...", 5, row2, kTextYellow);
    } else if (parking.active && state_.minutesToNextParkingUpdate >= 1 &&
               state_.minutesToNextParkingUpdate <= kMaxShownUpdateMinutes) {
        text("next update (min):", 5, row2);
        text(fmt::format("{}", state_.minutesToNextParkingUpdate), 167, row2);
    }
    text(fmt::format("qf: {}", state_.qualityText), 440, row2);
    if (parking.active && facts.reservedStand) {
        text(fmt::format("reserved stand: {}", *facts.reservedStand), 548, row2);
    }
    text(fmt::format("# updates: {:4}", state_.airportFileUpdates), 765, row2);

    // 9. and 10. Row 3: stands and parked aircraft.
    text(fmt::format("# stands: {:3}", state_.standCount), 5, row3);
    text(fmt::format("park live: {:3}", state_.parkedLiveCount), 167, row3);
    if (state_.liveFit > 0.0F) {
        text(fmt::format("live fit: {}", gf_numberText(state_.liveFit)), 276, row3);
    }
    if (state_.maxParkedCount < 1) {
        return;
    }
    text(fmt::format("static: {:3}", state_.staticCount), 440, row3);
    if (state_.staticPlanCount != 0) {
        text(fmt::format(" ({})", state_.staticPlanCount), 505, row3, kTextYellow);
    }
    if (!state_.staticFitHidden && state_.staticFit > 0.0F) {
        text(fmt::format("static fit: {}", gf_numberText(state_.staticFit)), 548, row3);
    }
    text(fmt::format("max park: {:3} (={} %)", state_.maxParkedCount, state_.maxParkedPercentage),
         657, row3);
}

} // namespace skyloom
