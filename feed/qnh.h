// QNH: the current sea-level pressure setting in whole hPa, read by the live traffic without a
// lock (1013 while none is known), and the ways the App reports it: weather datagrams (JSON)
// whose pressure values are hPa or, above 2000, inHg x 100. (METAR texts: feed/rtapi_metar.h.)
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

class WindowSink;

inline constexpr std::int32_t kStandardQnhHpa = 1013;
// Pressures outside this range are not QNH values.
inline constexpr double kMinQnhHpa = 800.0;
inline constexpr double kMaxQnhHpa = 1100.0;

// The current QNH in whole hPa.
std::int32_t gf_qnh() noexcept;
// Stores the QNH; when it changed, the window hears of it.
void gf_setQnh(std::int32_t hpa, WindowSink& window);
// Back to 1013 (the traffic-state reset before a restart).
void gf_resetQnh() noexcept;

// Whole hPa of a pressure in hPa (rounded half away from zero).
std::int32_t gf_wholeHpa(double hpa) noexcept;

// The pressure in hPa of a value as RealTraffic writes it: hPa, or inHg x 100 for values above
// 2000; no value when the result lies outside 800 to 1100 hPa or the value is not finite.
std::optional<double> gf_qnhHpaFromValue(double value) noexcept;

// What one weather datagram of the App says.
struct AppWeatherReport {
    std::string icao;
    // The QNH in hPa: from "QNH" (number or text), else from the METAR, else from
    // "locWX"."SLP".
    std::optional<double> qnhHpa;
    // RealTraffic's placeholder for "no station": ICAO "UNKN" with QNH 1013. It must not
    // overwrite a QNH that a real station gave.
    bool placeholder = false;
};

// Parses one weather datagram: a JSON object, at the root or under "data". Throws
// FeedRecordError when the text is not such an object.
AppWeatherReport gf_parseAppWeather(std::string_view datagram);

} // namespace skyloom
