// The text the program and the RealTraffic App exchange on their TCP connection. The program
// sends `Qs` lines, each ended by "\n", with numbers written with '.' decimals:
//   Qs121=<pitch>;<bank>;<heading>;<alt>;<speed>;<lat>;<lon>  the user aircraft: pitch and bank
//         in radians x 100000 (integers; the bank with its sign inverted), true heading in
//         radians, altitude in feet x 1000, ground speed in knots x 1000 (integers), latitude
//         and longitude in radians
//   Qs123=<epoch ms>                      the simulator's UTC time (professional licences)
//   Qs999=version                         asks for the App's version and licence level
//   Qs999=sendparked,<b>,<l>,<t>,<r>      asks once for parked traffic in a box (degrees:
//                                         south, west, north, east)
//   Qs999=sendbuffer=<n>,<s>,<b>,<l>,<t>,<r>  asks for n buffered snapshots s seconds apart
// The App answers requests with JSON objects, such as {"version":"10.0.240","level":2};
// `AppReplyReader` takes them out of the byte stream however the App frames them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/lalo.h"

namespace skyloom {

// The App's licence level of a professional licence.
inline constexpr std::int32_t kProfessionalLicenceLevel = 2;

// The user aircraft as the App is told of it.
struct AppPositionReport {
    Lalo position;
    double altitudeFt = 0.0;
    // Radians, positive nose up.
    double pitchRad = 0.0;
    // Radians, positive with the right wing down.
    double bankRad = 0.0;
    // True heading, radians.
    double headingRad = 0.0;
    double groundSpeedKt = 0.0;
    // The simulator's UTC time, Unix milliseconds; only while the licence is professional.
    std::optional<std::int64_t> simUtcMs;
};

// A box in degrees.
struct GeoBox {
    double south = 0.0;
    double west = 0.0;
    double north = 0.0;
    double east = 0.0;

    friend bool operator==(const GeoBox&, const GeoBox&) = default;
};

// The box reaching `radiusNm` north, south, east and west of the centre (latitudes held
// inside [-90, 90], longitudes wrapped into [-180, 180]).
GeoBox gf_boxAround(const Lalo& centre, double radiusNm) noexcept;

std::string gf_positionLine(const AppPositionReport& report);
std::string gf_simTimeLine(std::int64_t epochMs);
std::string gf_versionRequestLine();
std::string gf_parkedRequestLine(const GeoBox& box);
std::string gf_bufferRequestLine(std::uint32_t count, std::uint32_t spacingSeconds,
                                 const GeoBox& box);

// What the App's version reply says.
struct AppVersionReply {
    std::string version;
    std::int32_t level = 0;
};
// The version reply in a reply object; no value for any other object.
std::optional<AppVersionReply> gf_appVersionReply(const nlohmann::json& reply);

// Takes JSON objects out of the App's byte stream: bytes outside objects (line ends, blanks,
// noise) are skipped; an object is complete when its braces balance outside strings. An
// object that grows beyond kMaxReplyBytes is dropped.
class AppReplyReader {
public:
    static constexpr std::size_t kMaxReplyBytes = 65536;

    // Adds received bytes; returns the objects completed by them, in order, and counts the
    // texts that were not JSON objects (a run of stray characters counts once).
    std::vector<nlohmann::json> add(std::string_view bytes);
    std::size_t malformedCount() const noexcept { return malformed_; }

private:
    std::string current_;
    std::size_t depth_ = 0;
    bool inString_ = false;
    bool escaped_ = false;
    bool inStray_ = false;
    std::size_t malformed_ = 0;
};

} // namespace skyloom
