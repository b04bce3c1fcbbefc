#include "parking/park_airport_choice.h"

#include <fmt/format.h>

#include "config/parameters.h"
#include "feed/feed_identities.h"
#include "feed/rt_app_link.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "parking/airport_store.h"
#include "parking/park_airport_list.h"
#include "parking/parking_context.h"
#include "parking/parking_state.h"
#include "parking/parking_window.h"
#include "parking/static_parking.h"
#include "parking/static_parking_state.h"
#include "refdata/park_airport.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "traffic/removals/bulk_removals.h"

namespace skyloom {

namespace {

// "EHAM (AMS)", "?" for a missing code.
std::string lf_airportText(const AirportEntry& airport) {
    std::string text = airport.icao.isSet() ? airport.icao.text() : "?";
    if (airport.iata.isSet()) {
        text += fmt::format(" ({})", airport.iata.view());
    }
    return text;
}

void lf_choose(ParkingContext& context, const AirportEntry& airport) {
    context.entry.set(airport);
    context.services.window.enqueueUpdate(GuiUpdate::ParkAirport{airport.icao});
}

void lf_afterChoice(ParkingContext& context) {
    context.state.parkingUpdateRequested = true;
    context.window.disableParkingControls();
    gf_clearTrafficMaps();
}

void lf_leave(ParkingContext& context, std::string_view reason) {
    LogFile::writeNow(reason);
    context.staticParking.plan.clear();
    lf_removeAllStaticAndLiveAtAirport(context.traffic);
    lf_stopStaticParking(context);
}

} // namespace

bool lf_isWithinReach(const ParamsSnapshot& settings, double userAglFt, const Lalo& user,
                      const Lalo& airport) {
    if (userAglFt > settings.AIRP_HEIGHT) {
        return false;
    }
    const double range = settings.AIRP_RANGE;
    const double d = gf_flatDistanceFromUserNM(user, airport);
    return d * d <= range * range;
}

void gf_updateParkAirport(ParkingContext& context, const Lalo& user) {
    WindowSink& window = context.services.window;
    if (context.user.onGround) {
        const std::optional<AirportEntry> closest = gf_findClosestAirport(user);
        if (!closest) {
            window.showStatusText("User aircraft on the ground, no RT supported airport within reach",
                                  true);
            return;
        }
        if (!gf_airportFileExists(closest->icao)) {
            window.showStatusText(fmt::format("User aircraft on the ground at {}, no airport file found",
                                              closest->icao.view()),
                                  true);
            return;
        }
        LogFile::write(fmt::format("User aircraft on the ground at {}", closest->icao.view()));
        context.entry.set(*closest);
        LogFile::writeNow(fmt::format("\nThe park airport is {}", closest->icao.view()));
        window.enqueueUpdate(GuiUpdate::ParkAirport{closest->icao});
        lf_afterChoice(context);
        return;
    }
    const std::optional<ParkAirport> front = context.list.front();
    const auto settings = context.parameters.settings();
    if (!front || !lf_isWithinReach(*settings, context.user.state().altitudeAboveGround, user,
                                    front->position())) {
        return;
    }
    const std::optional<AirportEntry> airport = gf_findAirportById(front->code);
    if (!airport) {
        window.enqueueUpdate(GuiUpdate::ParkAirport{IcaoCode()});
        return;
    }
    lf_choose(context, *airport);
    LogFile::write(fmt::format("\nThe park airport is {}", airport->icao.view()));
    if (!context.rtDirect) {
        gf_requestRtAppParkedTraffic();
    }
    window.showStatusText(fmt::format("{} within reach", airport->icao.view()), true);
    lf_afterChoice(context);
    LogFile::flush();
}

void gf_checkParkAirportsReach(ParkingContext& context, const Lalo& user) {
    if (context.user.onGround) {
        return;
    }
    const AirportEntry park = context.entry.get();
    const auto settings = context.parameters.settings();
    const double agl = context.user.state().altitudeAboveGround;
    if (!lf_isWithinReach(*settings, agl, user, park.position())) {
        lf_leave(context, fmt::format("\n{} {} is no longer within reach, parked aircraft will be "
                                      "removed",
                                      gf_programTimeText(), lf_airportText(park)));
        return;
    }
    const std::optional<ParkAirport> front = context.list.front();
    if (!front || front->code == park.icao) {
        return;
    }
    if (lf_isWithinReach(*settings, agl, user, front->position()) &&
        gf_flatDistanceFromUserNM(user, front->position()) <=
            gf_flatDistanceFromUserNM(user, park.position()) &&
        gf_distanceNM(user, front->position()) <= gf_distanceNM(user, park.position())) {
        lf_leave(context, fmt::format("\n{} {} is within reach, parked aircraft at {} will be "
                                      "removed first",
                                      gf_programTimeText(), front->code.view(), lf_airportText(park)));
    }
}

} // namespace skyloom
