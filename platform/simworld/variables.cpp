#include "platform/simworld/variables.h"

#include <array>
#include <cctype>
#include <charconv>

namespace skyloom::simworld {

namespace {

using Ctx = VariableContext;

VariableValue lf_number(double v) {
    return VariableValue{v};
}

const std::array kVariables{
    Variable{"PLANE LATITUDE", Dimension::angle, "degree", 0,
             [](const Ctx& c, int) { return lf_number(c.object.latitudeDeg); },
             [](ObjectState& o, int, double v) { o.latitudeDeg = v; }},
    Variable{"PLANE LONGITUDE", Dimension::angle, "degree", 0,
             [](const Ctx& c, int) { return lf_number(c.object.longitudeDeg); },
             [](ObjectState& o, int, double v) { o.longitudeDeg = v; }},
    Variable{"PLANE ALTITUDE", Dimension::length, "feet", 0,
             [](const Ctx& c, int) { return lf_number(c.object.altitudeFeet); },
             [](ObjectState& o, int, double v) { o.altitudeFeet = v; }},
    Variable{"PLANE PITCH DEGREES", Dimension::angle, "radian", 0,
             [](const Ctx& c, int) { return lf_number(c.object.pitchRad); },
             [](ObjectState& o, int, double v) { o.pitchRad = v; }},
    Variable{"PLANE BANK DEGREES", Dimension::angle, "radian", 0,
             [](const Ctx& c, int) { return lf_number(c.object.bankRad); },
             [](ObjectState& o, int, double v) { o.bankRad = v; }},
    Variable{"PLANE HEADING DEGREES TRUE", Dimension::angle, "radian", 0,
             [](const Ctx& c, int) { return lf_number(c.object.headingTrueRad); },
             [](ObjectState& o, int, double v) { o.headingTrueRad = v; }},
    Variable{"VERTICAL SPEED", Dimension::speed, "feet per minute", 0,
             [](const Ctx& c, int) { return lf_number(c.object.verticalSpeedFpm); },
             [](ObjectState& o, int, double v) { o.verticalSpeedFpm = v; }},
    Variable{"AIRSPEED TRUE", Dimension::speed, "knots", 0,
             [](const Ctx& c, int) { return lf_number(c.object.trueAirspeedKnots); },
             [](ObjectState& o, int, double v) { o.trueAirspeedKnots = v; }},
    Variable{"INDICATED ALTITUDE", Dimension::length, "feet", 0,
             [](const Ctx& c, int) { return lf_number(c.object.altitudeFeet); }, nullptr},
    Variable{"PLANE ALT ABOVE GROUND", Dimension::length, "feet", 0,
             [](const Ctx& c, int) {
                 return lf_number(c.object.altitudeFeet - c.object.groundAltitudeFeet);
             },
             nullptr},
    Variable{"GROUND ALTITUDE", Dimension::length, "feet", 0,
             [](const Ctx& c, int) { return lf_number(c.object.groundAltitudeFeet); }, nullptr},
    Variable{"GROUND VELOCITY", Dimension::speed, "knots", 0,
             [](const Ctx& c, int) { return lf_number(c.object.groundSpeedKnots); }, nullptr},
    Variable{"GPS GROUND TRUE TRACK", Dimension::angle, "degree", 0,
             [](const Ctx& c, int) { return lf_number(c.object.groundTrackDeg); }, nullptr},
    Variable{"SIM ON GROUND", Dimension::scalar, "bool", 0,
             [](const Ctx& c, int) { return lf_number(c.object.onGround ? 1.0 : 0.0); }, nullptr},
    Variable{"ZULU TIME", Dimension::time, "seconds", 0,
             [](const Ctx& c, int) { return lf_number(gf_zuluParts(c.zulu).secondsOfDay); },
             nullptr},
    Variable{"ZULU DAY OF YEAR", Dimension::scalar, "number", 0,
             [](const Ctx& c, int) {
                 return lf_number(static_cast<double>(gf_zuluParts(c.zulu).dayOfYear));
             },
             nullptr},
    Variable{
        "ZULU YEAR", Dimension::scalar, "number", 0,
        [](const Ctx& c, int) { return lf_number(static_cast<double>(gf_zuluParts(c.zulu).year)); },
        nullptr},
    Variable{"LIGHT STATES", Dimension::scalar, "mask", 0,
             [](const Ctx& c, int) { return lf_number(static_cast<double>(c.object.lightStates)); },
             nullptr},
    Variable{"LIGHT ON STATES", Dimension::scalar, "mask", 0,
             [](const Ctx& c, int) { return lf_number(static_cast<double>(c.object.lightStates)); },
             nullptr},
    Variable{"STATIC CG TO GROUND", Dimension::length, "feet", 0,
             [](const Ctx& c, int) { return lf_number(c.object.staticCgToGroundFeet); }, nullptr},
    Variable{"STATIC PITCH", Dimension::angle, "radian", 0,
             [](const Ctx& c, int) { return lf_number(c.object.staticPitchRad); }, nullptr},
    Variable{"SPOILERS HANDLE POSITION", Dimension::ratio, "percent", 0,
             [](const Ctx& c, int) { return lf_number(c.object.spoilersHandlePercent); },
             [](ObjectState& o, int, double v) { o.spoilersHandlePercent = v; }},
    Variable{"GENERAL ENG THROTTLE LEVER POSITION", Dimension::ratio, "percent", 4,
             [](const Ctx& c, int i) {
                 return lf_number(
                     c.object.throttleLeverPercent.at(static_cast<std::size_t>(i - 1)));
             },
             [](ObjectState& o, int i, double v) {
                 o.throttleLeverPercent.at(static_cast<std::size_t>(i - 1)) = v;
             }},
    Variable{"TITLE", Dimension::text, "", 0,
             [](const Ctx& c, int) { return VariableValue{c.object.title}; }, nullptr},
    Variable{"ATC MODEL", Dimension::text, "", 0,
             [](const Ctx& c, int) { return VariableValue{c.object.atcModel}; }, nullptr},
    Variable{"ATC ID", Dimension::text, "", 0,
             [](const Ctx& c, int) { return VariableValue{c.object.atcId}; }, nullptr},
};

std::string lf_upperTrimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

std::optional<VariableRef> gf_findVariable(std::string_view name) {
    std::string key = lf_upperTrimmed(name);
    int index = 0;
    if (const auto colon = key.rfind(':'); colon != std::string::npos) {
        const std::string_view digits = std::string_view(key).substr(colon + 1);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
        if (ec != std::errc{} || end != digits.data() + digits.size() || index < 1) {
            return std::nullopt;
        }
        key.resize(colon);
    }
    for (const Variable& variable : kVariables) {
        if (variable.name != key) {
            continue;
        }
        if ((variable.maxIndex == 0 && index != 0) ||
            (variable.maxIndex > 0 && (index == 0 || index > variable.maxIndex))) {
            return std::nullopt;
        }
        return VariableRef{&variable, index};
    }
    return std::nullopt;
}

ZuluParts gf_zuluParts(Clock::UtcTime zulu) {
    using namespace std::chrono;
    const auto day = floor<days>(zulu);
    const year_month_day date{day};
    const sys_days newYear{date.year() / January / 1};
    const double seconds = duration<double>(zulu - day).count();
    return ZuluParts{seconds, (day - newYear).count() + 1,
                     static_cast<std::int64_t>(static_cast<int>(date.year()))};
}

} // namespace skyloom::simworld
