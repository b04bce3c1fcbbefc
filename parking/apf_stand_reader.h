// Reading the stand section of an airport file: `parkpositions` with one `parkpos` per stand
// and its `opt` flight options. The readers skip what they cannot use, each skip with one log
// line naming the stand, and keep going; bad content never throws. Flight-option keys come
// from the registration table when it knows the registration, else from the airline and model
// codes of the option (codes not yet known are added to the code tables).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <pugixml.hpp>

#include "foundation/lalo.h"
#include "refdata/airport_file.h"
#include "refdata/livery_key.h"

namespace skyloom {

// At most this many `parkpos` elements of one file are looked at, skipped ones included; a
// learned file's hand-made stands never take an airport beyond this many stands either.
inline constexpr std::size_t kMaxApfStands = 512;
// At most this many `opt` elements of one `parkpos` are looked at, and a stand keeps at most
// this many learned options (those of its airport file are bounded by the same number).
inline constexpr std::size_t kMaxStandOptions = 1000;
// The writer gives a radius in metres with one decimal: the smallest one it can write, and so
// the smallest one a reader accepts. A radius written from a stand read is never "0.0".
inline constexpr double kMinStandRadiusMetres = 0.1;

// Whether a radius in metres may be read and written: finite and at least
// kMinStandRadiusMetres (give or take the rounding of a trip through nautical miles).
bool gf_isUsableStandRadius(double radiusMetres) noexcept;

// A decimal number of an attribute, as strtod reads it (blanks and a '+' before it allowed,
// whatever follows it ignored); 0 when missing or unreadable.
double gf_apfNumberAttribute(const pugi::xml_node& node, const char* name);

// The position of a `parkpos` (`latitude`, `longitude`) when it is a valid `Lalo` (finite,
// inside the ranges, not both within 0.0001 of 0); every reader of stands takes positions by
// this one rule.
std::optional<Lalo> gf_readParkposPosition(const pugi::xml_node& parkpos);

// The `id` of a `parkpos` trimmed of blanks, tabs, CR and LF; empty when missing or blank.
std::string gf_readParkposId(const pugi::xml_node& parkpos);

// The boolean attribute `name` of `node`: true when its text begins with '1', 't', 'T', 'y' or
// 'Y' (gf_dataSetBool); false when absent.
bool gf_apfBoolAttribute(const pugi::xml_node& node, const char* name);

struct FlightOptionIdentity {
    std::string callsign;
    std::string callsign2;
    LiveryKey key;
};

// The callsigns and the key of an `opt` element: `cs` split at its first ':' (without one,
// all of it is the first callsign); the registration table's key for a non-empty `reg` that it
// knows, else the key of `airl` and `type`.
FlightOptionIdentity gf_readFlightOption(const pugi::xml_node& opt);
// The key of the `airl` and `type` attributes: airline and model ids, operator and cargo 0.
LiveryKey gf_readFlightOptionAirlineType(const pugi::xml_node& opt);

// The option an `opt` element describes, with the hours already read from its `hh`: key and
// callsigns (gf_readFlightOption), `reg`, `day`, real unless `soft`, `cpl`.
FlightOption gf_makeFlightOption(const pugi::xml_node& opt, HoursBitset hours, std::uint32_t seq,
                                 std::uint32_t origin);

// A stand's place and shape as its `parkpos` gives them (radius in metres, heading in degrees),
// with the type and the cargo and ramp flags it takes.
struct ParkposGeometry {
    Lalo position;
    double radiusMetres = 0;
    double headingDeg = 0;
    StandType type = StandType::NONE;
    bool cargo = false;
    bool ramp = false;
    bool heli = false;
};

// The one rule by which every reader of stands (airport files, learned files, the destination's
// closest stand and stand names) takes a `parkpos`: a valid position; a known type, or for type
// NONE off a helipad both `cargo` and `ramp` and a radius above 0; a radius of at least
// kMinStandRadiusMetres and a finite heading. A refused one gives the format of its log line,
// "{}" standing for the stand's id.
std::variant<ParkposGeometry, const char*> gf_readParkposGeometry(const pugi::xml_node& parkpos);

// The `parkpositions` section under `root`, or at the top when there is no `root`; an empty
// node when there is none.
pugi::xml_node gf_parkpositionsSection(const pugi::xml_document& document);

enum class ParkposWalkLog { lines, quiet };

// Walks the `parkpos` elements of a stand section as the airport-file reader takes them: at most
// kMaxApfStands are looked at; ids are trimmed; an element without id, with an empty id or with
// an id seen before (the first is kept) is passed over, with an important log line under
// ParkposWalkLog::lines; `take` gets every other element with its trimmed id.
void gf_walkParkpositions(const pugi::xml_node& section, ParkposWalkLog log,
                          const std::function<void(const pugi::xml_node&, std::string)>& take);

// Reads one `parkpos` element with the trimmed `id` as a stand appended to `stands`; its
// accepted options (non-empty `hh`, `day` 1..7) are numbered seq 1, 2, ... and get `origin`;
// past kMaxStandOptions `opt` elements the rest is skipped with one log line.
// A stand without a valid position, type or geometry is rejected with one important log line
// naming it; returns whether a stand was appended.
bool gf_readParkpos(const pugi::xml_node& parkpos, std::string id, std::uint32_t origin,
                    std::vector<Stand>& stands);

// Reads the `parkpositions` section (under `root`, or at the top when there is no `root`) into
// `stands`, appending; options get origin 1. Elements without id, with an empty id or with an
// id seen before in the section are skipped with an important log line (the first of equal
// ids is kept); past kMaxApfStands elements the rest is skipped with one log line.
void gf_readParkpositions(const pugi::xml_document& document, std::vector<Stand>& stands);

} // namespace skyloom
