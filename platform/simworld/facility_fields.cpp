#include "platform/simworld/facility_fields.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

struct FieldEntry {
    std::string_view name;
    FacilityFieldType type;
};

using T = FacilityFieldType;

constexpr std::array<FieldEntry, 16> kAirportFields{{{"LATITUDE", T::f64},
                                                     {"LONGITUDE", T::f64},
                                                     {"ALTITUDE", T::f64},
                                                     {"MAGVAR", T::f32},
                                                     {"NAME", T::text32},
                                                     {"NAME64", T::text64},
                                                     {"ICAO", T::text8},
                                                     {"REGION", T::text8},
                                                     {"N_RUNWAYS", T::i32},
                                                     {"N_STARTS", T::i32},
                                                     {"N_FREQUENCIES", T::i32},
                                                     {"N_HELIPADS", T::i32},
                                                     {"N_TAXI_PARKINGS", T::i32},
                                                     {"N_TAXI_POINTS", T::i32},
                                                     {"N_TAXI_PATHS", T::i32},
                                                     {"N_JETWAYS", T::i32}}};

constexpr std::array<FieldEntry, 14> kRunwayFields{{{"LATITUDE", T::f64},
                                                    {"LONGITUDE", T::f64},
                                                    {"ALTITUDE", T::f64},
                                                    {"HEADING", T::f32},
                                                    {"LENGTH", T::f32},
                                                    {"WIDTH", T::f32},
                                                    {"PATTERN_ALTITUDE", T::f32},
                                                    {"SLOPE", T::f32},
                                                    {"TRUE_SLOPE", T::f32},
                                                    {"SURFACE", T::i32},
                                                    {"PRIMARY_NUMBER", T::i32},
                                                    {"PRIMARY_DESIGNATOR", T::i32},
                                                    {"SECONDARY_NUMBER", T::i32},
                                                    {"SECONDARY_DESIGNATOR", T::i32}}};

constexpr std::array<FieldEntry, 4> kThresholdFields{
    {{"LENGTH", T::f32}, {"WIDTH", T::f32}, {"SURFACE", T::i32}, {"ENABLE", T::i32}}};

constexpr std::array<FieldEntry, 7> kStartFields{{{"LATITUDE", T::f64},
                                                  {"LONGITUDE", T::f64},
                                                  {"ALTITUDE", T::f64},
                                                  {"HEADING", T::f32},
                                                  {"NUMBER", T::i32},
                                                  {"DESIGNATOR", T::i32},
                                                  {"TYPE", T::i32}}};

constexpr std::array<FieldEntry, 8> kHelipadFields{{{"LATITUDE", T::f64},
                                                    {"LONGITUDE", T::f64},
                                                    {"ALTITUDE", T::f64},
                                                    {"HEADING", T::f32},
                                                    {"LENGTH", T::f32},
                                                    {"WIDTH", T::f32},
                                                    {"SURFACE", T::i32},
                                                    {"TYPE", T::i32}}};

constexpr std::array<FieldEntry, 11> kTaxiParkingFields{{{"TYPE", T::i32},
                                                         {"TAXI_POINT_TYPE", T::i32},
                                                         {"NAME", T::i32},
                                                         {"SUFFIX", T::i32},
                                                         {"NUMBER", T::u32},
                                                         {"ORIENTATION", T::i32},
                                                         {"HEADING", T::f32},
                                                         {"RADIUS", T::f32},
                                                         {"BIAS_X", T::f32},
                                                         {"BIAS_Z", T::f32},
                                                         {"N_AIRLINES", T::i32}}};

// Kinds the world knows but holds no records of.
constexpr std::array<FieldEntry, 3> kFrequencyFields{
    {{"TYPE", T::i32}, {"FREQUENCY", T::i32}, {"NAME", T::text64}}};
constexpr std::array<FieldEntry, 4> kTaxiPointFields{
    {{"TYPE", T::i32}, {"ORIENTATION", T::i32}, {"BIAS_X", T::f32}, {"BIAS_Z", T::f32}}};
constexpr std::array<FieldEntry, 3> kTaxiPathFields{
    {{"TYPE", T::i32}, {"WIDTH", T::f32}, {"NAME", T::i32}}};
constexpr std::array<FieldEntry, 3> kJetwayFields{
    {{"PARKING_GATE", T::i32}, {"PARKING_SUFFIX", T::i32}, {"PARKING_SPOT", T::i32}}};

constexpr std::array<std::string_view, kFacilityKindCount> kKindNames{"AIRPORT",
                                                                      "RUNWAY",
                                                                      "START",
                                                                      "HELIPAD",
                                                                      "TAXI_PARKING",
                                                                      "PRIMARY_THRESHOLD",
                                                                      "SECONDARY_THRESHOLD",
                                                                      "FREQUENCY",
                                                                      "TAXI_POINT",
                                                                      "TAXI_PATH",
                                                                      "JETWAY"};

template <std::size_t N>
std::optional<FacilityFieldType> lf_find(const std::array<FieldEntry, N>& fields,
                                         std::string_view name) {
    for (const FieldEntry& f : fields) {
        if (f.name == name) {
            return f.type;
        }
    }
    return std::nullopt;
}

std::string lf_upperTrimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

enum class EntryOp { open, close, field };

struct Entry {
    EntryOp op = EntryOp::field;
    std::string name; // the kind's name for open and close, else the field's
};

Entry lf_entry(std::string_view text) {
    const std::string key = lf_upperTrimmed(text);
    for (const auto& [prefix, op] :
         {std::pair<std::string_view, EntryOp>{"OPEN", EntryOp::open},
          std::pair<std::string_view, EntryOp>{"CLOSE", EntryOp::close}}) {
        if (key.size() > prefix.size() && key.starts_with(prefix) &&
            std::isspace(static_cast<unsigned char>(key[prefix.size()])) != 0) {
            return Entry{op, lf_upperTrimmed(std::string_view(key).substr(prefix.size()))};
        }
    }
    return Entry{EntryOp::field, key};
}

bool lf_anyKindHasField(std::string_view name) {
    for (std::size_t k = 0; k < kFacilityKindCount; ++k) {
        if (gf_facilityFieldType(static_cast<FacilityKind>(k), name)) {
            return true;
        }
    }
    return false;
}

// Applies one entry to the stack of open blocks; the reason when it cannot follow.
std::optional<std::string> lf_apply(std::vector<FacilityBlock>& open, bool& complete,
                                    std::string_view text, FacilityBlock* finished) {
    const Entry entry = lf_entry(text);
    if (complete) {
        return std::string("the definition is complete after CLOSE AIRPORT");
    }
    if (entry.op == EntryOp::open) {
        const auto kind = gf_facilityKindOfName(entry.name);
        if (!kind) {
            return fmt::format("unknown facility kind \"{}\"", entry.name);
        }
        if (open.empty() ? *kind != FacilityKind::airport
                         : !gf_isFacilityChildKind(open.back().kind, *kind)) {
            return open.empty() ? std::string("a definition starts with OPEN AIRPORT")
                                : fmt::format("{} cannot be opened inside {}", entry.name,
                                              gf_facilityKindName(open.back().kind));
        }
        open.push_back(FacilityBlock{*kind, {}, {}});
        return std::nullopt;
    }
    if (open.empty()) {
        return std::string("a definition starts with OPEN AIRPORT");
    }
    if (entry.op == EntryOp::close) {
        if (entry.name != gf_facilityKindName(open.back().kind)) {
            return fmt::format("CLOSE {} does not close the open {}", entry.name,
                               gf_facilityKindName(open.back().kind));
        }
        FacilityBlock block = std::move(open.back());
        open.pop_back();
        if (open.empty()) {
            complete = true;
            if (finished != nullptr) {
                *finished = std::move(block);
            }
        } else {
            open.back().children.push_back(std::move(block));
        }
        return std::nullopt;
    }
    if (!gf_facilityFieldType(open.back().kind, entry.name)) {
        return lf_anyKindHasField(entry.name)
                   ? fmt::format("{} is no field of {}", entry.name,
                                 gf_facilityKindName(open.back().kind))
                   : fmt::format("unknown facility field \"{}\"", entry.name);
    }
    open.back().fields.push_back(entry.name);
    return std::nullopt;
}

} // namespace

std::string_view gf_facilityKindName(FacilityKind kind) {
    return kKindNames[static_cast<std::size_t>(kind)];
}

std::optional<FacilityKind> gf_facilityKindOfName(std::string_view name) {
    const std::string key = lf_upperTrimmed(name);
    for (std::size_t k = 0; k < kFacilityKindCount; ++k) {
        if (kKindNames[k] == key) {
            return static_cast<FacilityKind>(k);
        }
    }
    return std::nullopt;
}

SIMCONNECT_FACILITY_DATA_TYPE gf_facilityDataType(FacilityKind kind) {
    switch (kind) {
    case FacilityKind::airport:
        return SIMCONNECT_FACILITY_DATA_AIRPORT;
    case FacilityKind::runway:
        return SIMCONNECT_FACILITY_DATA_RUNWAY;
    case FacilityKind::start:
        return SIMCONNECT_FACILITY_DATA_START;
    case FacilityKind::helipad:
        return SIMCONNECT_FACILITY_DATA_HELIPAD;
    case FacilityKind::taxiParking:
        return SIMCONNECT_FACILITY_DATA_TAXI_PARKING;
    case FacilityKind::primaryThreshold:
    case FacilityKind::secondaryThreshold:
        return SIMCONNECT_FACILITY_DATA_PAVEMENT;
    case FacilityKind::frequency:
        return static_cast<SIMCONNECT_FACILITY_DATA_TYPE>(3);
    case FacilityKind::taxiPoint:
        return static_cast<SIMCONNECT_FACILITY_DATA_TYPE>(16);
    case FacilityKind::taxiPath:
        return static_cast<SIMCONNECT_FACILITY_DATA_TYPE>(17);
    case FacilityKind::jetway:
        return static_cast<SIMCONNECT_FACILITY_DATA_TYPE>(20);
    }
    return SIMCONNECT_FACILITY_DATA_AIRPORT;
}

bool gf_isFacilityChildKind(FacilityKind parent, FacilityKind child) {
    switch (parent) {
    case FacilityKind::airport:
        return child != FacilityKind::airport && child != FacilityKind::primaryThreshold &&
               child != FacilityKind::secondaryThreshold;
    case FacilityKind::runway:
        return child == FacilityKind::primaryThreshold || child == FacilityKind::secondaryThreshold;
    default:
        return false;
    }
}

std::optional<FacilityFieldType> gf_facilityFieldType(FacilityKind kind, std::string_view field) {
    const std::string name = lf_upperTrimmed(field);
    switch (kind) {
    case FacilityKind::airport:
        return lf_find(kAirportFields, name);
    case FacilityKind::runway:
        return lf_find(kRunwayFields, name);
    case FacilityKind::start:
        return lf_find(kStartFields, name);
    case FacilityKind::helipad:
        return lf_find(kHelipadFields, name);
    case FacilityKind::taxiParking:
        return lf_find(kTaxiParkingFields, name);
    case FacilityKind::primaryThreshold:
    case FacilityKind::secondaryThreshold:
        return lf_find(kThresholdFields, name);
    case FacilityKind::frequency:
        return lf_find(kFrequencyFields, name);
    case FacilityKind::taxiPoint:
        return lf_find(kTaxiPointFields, name);
    case FacilityKind::taxiPath:
        return lf_find(kTaxiPathFields, name);
    case FacilityKind::jetway:
        return lf_find(kJetwayFields, name);
    }
    return std::nullopt;
}

std::size_t gf_facilityFieldSize(FacilityFieldType type) {
    switch (type) {
    case FacilityFieldType::f64:
    case FacilityFieldType::text8:
        return 8;
    case FacilityFieldType::f32:
    case FacilityFieldType::i32:
    case FacilityFieldType::u32:
        return 4;
    case FacilityFieldType::text32:
        return 32;
    case FacilityFieldType::text64:
        return 64;
    }
    return 0;
}

bool gf_isFacilityFieldName(std::string_view name) {
    const Entry entry = lf_entry(name);
    if (entry.op != EntryOp::field) {
        return gf_facilityKindOfName(entry.name).has_value();
    }
    return lf_anyKindHasField(entry.name);
}

std::optional<std::string> gf_facilityEntryFault(const std::vector<std::string>& sofar,
                                                 std::string_view entry) {
    std::vector<FacilityBlock> open;
    bool complete = false;
    for (const std::string& earlier : sofar) {
        if (auto fault = lf_apply(open, complete, earlier, nullptr)) {
            return fmt::format("the definition so far is broken: {}", *fault);
        }
    }
    return lf_apply(open, complete, entry, nullptr);
}

std::variant<FacilityBlock, std::string>
gf_parseFacilityDefinition(const std::vector<std::string>& entries) {
    std::vector<FacilityBlock> open;
    bool complete = false;
    FacilityBlock root;
    for (const std::string& entry : entries) {
        if (auto fault = lf_apply(open, complete, entry, &root)) {
            return *fault;
        }
    }
    if (!complete) {
        return open.empty() ? std::string("the definition is empty")
                            : fmt::format("the definition leaves {} open",
                                          gf_facilityKindName(open.back().kind));
    }
    return root;
}

} // namespace skyloom::simworld
