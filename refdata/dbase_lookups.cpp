#include "refdata/dbase_lookups.h"

#include "refdata/code_table.h"
#include "refdata/dbase.h"

namespace skyloom {

std::atomic<double> g_maxHalfWingSpan{0.0};

bool gf_isKnownModel(std::string_view code) {
    return gf_dbase()->isKnownModel(code);
}

bool gf_isKnownAirline(std::string_view code) {
    return gf_dbase()->isKnownAirline(code);
}

std::optional<std::string> gf_lookupModelFix(std::string_view code) {
    return gf_dbase()->modelFix(code);
}

AircraftCategory gf_modelCategory(std::uint16_t modelId) {
    return gf_dbase()->category(modelId);
}

AircraftCategory gf_modelCategoryOf(std::string_view code) {
    return gf_modelCategory(gf_modelIdOf(code));
}

double gf_wingspan(std::uint16_t modelId) {
    return gf_dbase()->halfWingspanNM(modelId);
}

bool gf_isCargo(const LiveryKey& key) {
    const auto dbase = gf_dbase();
    return dbase->isCargoModel(key.model) || dbase->isCargoOperator(key.airline);
}

} // namespace skyloom
