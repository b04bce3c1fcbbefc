// The dbase: the reference data about aircraft models and airlines. It knows the ICAO model and
// airline codes, each model's category and wingspan, cargo models and cargo operators, the fixes
// for model codes that liveries get wrong, groups of similar models, and registrations with the
// livery key they stand for. It is read from the data set "dbase" (docs/data-sets.md) at each
// start and published whole as an immutable object; readers on any thread take the current one
// without waiting. The program-wide look-ups are in refdata/dbase_lookups.h and
// refdata/registrations.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "refdata/aircraft_category.h"
#include "refdata/livery_key.h"

namespace skyloom {

inline constexpr std::string_view kDbaseDataSetName = "dbase";

// The wingspan table holds the models with ids below this; a higher id has no entry.
inline constexpr std::size_t kWingspanTableSize = 2700;
// Wingspan in metres to half wingspan in NM.
inline constexpr double kHalfSpanNMPerMetre = 0.5 * 0.0005399568034557236;

// The categories that the dbase lists, in the order a model's category is tested; a model in
// none of them is Light.
inline constexpr std::array<AircraftCategory, 6> kCategoryTestOrder = {
    AircraftCategory::Large,    AircraftCategory::Heavy,      AircraftCategory::Bizjet,
    AircraftCategory::TwoProps, AircraftCategory::Rotorcraft, AircraftCategory::HighPerf};

struct RegistrationRecord {
    std::string registration;
    // Its fromRegistration byte is 1.
    LiveryKey key;
};

class Dbase {
public:
    // Numbers of what was read, for the log and for tests.
    struct Counts {
        std::size_t models = 0;
        std::size_t wingspans = 0;
        std::size_t airlines = 0;
        std::size_t modelFixes = 0;
        std::size_t similarGroups = 0;
        std::size_t cargoModels = 0;
        std::size_t cargoOperators = 0;
        std::size_t registrations = 0;
        // Records skipped as faulty (each one logged, up to a limit).
        std::size_t skipped = 0;
    };

    // An empty dbase: knows nothing; every model is Light without wingspan.
    Dbase();
    Dbase(const Dbase&) = delete;
    Dbase& operator=(const Dbase&) = delete;

    // Builds a dbase from the `root` of a dbase document. Codes are interned into the
    // program's code tables in document order (the models first). A faulty record is logged
    // and skipped; `source` names the file in those lines.
    static std::shared_ptr<const Dbase> fromDocument(const pugi::xml_node& root,
                                                     std::string_view source);

    const std::string& version() const { return version_; }
    const Counts& counts() const { return counts_; }

    bool isKnownModel(std::string_view code) const;
    bool isKnownAirline(std::string_view code) const;
    const std::set<std::string, std::less<>>& knownModels() const { return knownModels_; }
    const std::set<std::string, std::less<>>& knownAirlines() const { return knownAirlines_; }
    // The correct code for a wrong one.
    std::optional<std::string> modelFix(std::string_view code) const;

    AircraftCategory category(std::uint16_t modelId) const;
    // Half wingspan in NM: 0 (unknown) when the dbase gives none or the id lies beyond the
    // table; callers then take the largest half span. A fixed fallback of 35 would be read as
    // 35 NM and make the aircraft wider than most airports.
    double halfWingspanNM(std::uint16_t modelId) const;
    // The largest half wingspan read (NM); 0 when none.
    double maxHalfWingspanNM() const { return maxHalfWingspanNM_; }

    bool isCargoModel(std::uint16_t modelId) const;
    bool isCargoOperator(std::uint16_t airlineId) const;

    // The groups of similar models, as codes in document order.
    const std::vector<std::vector<std::string>>& similarGroups() const { return similarGroups_; }

    // The registration records, sorted byte-wise by registration, each registration once.
    std::span<const RegistrationRecord> registrations() const { return registrations_; }
    // The record of exactly this registration.
    const RegistrationRecord* findRegistration(std::string_view registration) const;
    // The records whose registration has fewer than 6 characters, in the same order.
    std::span<const RegistrationRecord* const> shortRegistrations() const {
        return shortRegistrations_;
    }

private:
    class Builder;

    std::string version_;
    Counts counts_;
    std::set<std::string, std::less<>> knownModels_;
    std::set<std::string, std::less<>> knownAirlines_;
    std::map<std::string, std::string, std::less<>> modelFixes_;
    // Category by model id; ids beyond the end are Light.
    std::vector<AircraftCategory> categories_;
    std::array<double, kWingspanTableSize> halfWingspansNM_{};
    double maxHalfWingspanNM_ = 0.0;
    // Flags by id; ids beyond the end are not cargo.
    std::vector<bool> cargoModels_;
    std::vector<bool> cargoOperators_;
    std::vector<std::vector<std::string>> similarGroups_;
    std::vector<RegistrationRecord> registrations_;
    std::vector<const RegistrationRecord*> shortRegistrations_;
};

// The current dbase; an empty one until the first read. Never null.
std::shared_ptr<const Dbase> gf_dbase();
// Makes `dbase` the current one (and sets g_maxHalfWingSpan from it).
void gf_publishDbase(std::shared_ptr<const Dbase> dbase);

// Reads the data set "dbase" of the folder (the input folder without argument), logs what it
// holds and publishes it. Throws std::runtime_error when the file is missing or unusable; the
// current dbase then stays as it was.
void gf_readDbase();
void gf_readDbase(const std::filesystem::path& folder);

} // namespace skyloom
