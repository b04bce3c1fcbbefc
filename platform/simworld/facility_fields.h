// The facility catalogue of the world: the kinds of facility records ("AIRPORT", "RUNWAY", ...),
// which kinds nest in which, the fields of each kind with the type each is sent as, and the
// shape of a facility definition. A definition is a list of entries: "OPEN kind", the kind's
// fields, nested "OPEN"/"CLOSE" pairs of its child kinds, and "CLOSE kind"; it starts with
// "OPEN AIRPORT" and ends when that block closes. Names are matched without regard to case
// or surrounding blanks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/simconnect/simconnect_enums.h"

namespace skyloom::simworld {

enum class FacilityKind : std::uint8_t {
    airport,
    runway,
    start,
    helipad,
    taxiParking,
    primaryThreshold,
    secondaryThreshold,
    frequency,
    taxiPoint,
    taxiPath,
    jetway,
};
inline constexpr std::size_t kFacilityKindCount = 11;

// How a field travels in a reply: numbers in their binary form, texts as fixed character
// arrays (filled up to their size, a NUL only when the text is shorter).
enum class FacilityFieldType : std::uint8_t { f64, f32, i32, u32, text8, text32, text64 };

std::string_view gf_facilityKindName(FacilityKind kind);
std::optional<FacilityKind> gf_facilityKindOfName(std::string_view name);
// The data type of the kind's records in FACILITY_DATA (both thresholds are pavements).
SIMCONNECT_FACILITY_DATA_TYPE gf_facilityDataType(FacilityKind kind);
// True when `child` may be opened inside `parent`.
bool gf_isFacilityChildKind(FacilityKind parent, FacilityKind child);
// The type of a field of the kind, or none when the kind has no such field.
std::optional<FacilityFieldType> gf_facilityFieldType(FacilityKind kind, std::string_view field);
std::size_t gf_facilityFieldSize(FacilityFieldType type);

// True for every name AddToFacilityDefinition could take somewhere: "OPEN x" and "CLOSE x" of
// a kind, and the field names of any kind.
bool gf_isFacilityFieldName(std::string_view name);

// One block of a definition: its kind, its fields (upper case, in order) and its child blocks
// in order.
struct FacilityBlock {
    FacilityKind kind = FacilityKind::airport;
    std::vector<std::string> fields;
    std::vector<FacilityBlock> children;
};

// Why `entry` cannot follow the entries `sofar` of a definition, or none when it can.
std::optional<std::string> gf_facilityEntryFault(const std::vector<std::string>& sofar,
                                                 std::string_view entry);
// The block tree of a complete definition, or the reason it is not one.
std::variant<FacilityBlock, std::string>
gf_parseFacilityDefinition(const std::vector<std::string>& entries);

} // namespace skyloom::simworld
