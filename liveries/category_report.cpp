#include "liveries/category_report.h"

#include <algorithm>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "foundation/log_file.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {
namespace {

constexpr std::size_t kModelCodesPerLine = 20;
constexpr std::string_view kGenericAirlineCode = "ZZZ";

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

std::string_view lf_switchOffText(AircraftCategory category) {
    switch (category) {
    case AircraftCategory::Light:
        return "{} temporarily switched off because you do not have light aircraft installed";
    case AircraftCategory::TwoProps:
        return "{} temporarily switched off because you do not have two-prop aircraft installed";
    case AircraftCategory::HighPerf:
        return "{} temporarily switched off because you do not have High Perf aircraft installed";
    case AircraftCategory::Rotorcraft:
        return "{} temporarily switched off because you do not have Helicopters installed";
    default:
        return {};
    }
}

// The model codes in lines of two blanks and up to 20 codes joined by commas.
void lf_logModelCodes(const std::vector<std::uint16_t>& models) {
    for (std::size_t first = 0; first < models.size(); first += kModelCodesPerLine) {
        const std::size_t last = std::min(models.size(), first + kModelCodesPerLine);
        std::string line = "  ";
        for (std::size_t i = first; i < last; ++i) {
            if (i != first) {
                line += ',';
            }
            line += gf_modelCode(models[i]);
        }
        LogFile::write(line);
    }
}

void lf_fillCategoryModels(LiveryTables& tables, AircraftCategory category,
                           const std::vector<std::uint16_t>& models) {
    auto& list = tables.categoryModels[static_cast<std::size_t>(category)];
    list.insert(list.end(), models.begin(), models.end());
    lf_logModelCodes(models);
}

void lf_publishCategoryFilters(const ProgramParameters& parameters) {
    gf_setCategoryFilters(parameters.LIGHT_AIRCRAFT.value(), parameters.TWO_PROPS.value(),
                          parameters.HELICOPTERS.value(), parameters.HIGH_PERF_AIRCRAFT.value());
}

} // namespace

CheckboxParameter* gf_categoryParameter(ProgramParameters& parameters, AircraftCategory category) {
    switch (category) {
    case AircraftCategory::Light:
        return &parameters.LIGHT_AIRCRAFT;
    case AircraftCategory::TwoProps:
        return &parameters.TWO_PROPS;
    case AircraftCategory::HighPerf:
        return &parameters.HIGH_PERF_AIRCRAFT;
    case AircraftCategory::Rotorcraft:
        return &parameters.HELICOPTERS;
    default:
        return nullptr;
    }
}

void gf_reportCategory(LiveryTables& tables, ProgramParameters& parameters,
                       AircraftCategory category) {
    std::size_t modelsFound = 0;
    std::size_t passengerTitles = 0;
    std::size_t cargoTitles = 0;
    std::vector<std::uint16_t> models;
    for (const LiveryKind kind : {LiveryKind::passenger, LiveryKind::cargo}) {
        for (const auto& [model, titles] : tables.modelLiveries[static_cast<std::size_t>(kind)]) {
            if (gf_modelCategory(model) != category) {
                continue;
            }
            ++modelsFound;
            (kind == LiveryKind::cargo ? cargoTitles : passengerTitles) += titles.size();
            models.push_back(model);
        }
    }

    CheckboxParameter* const parameter = gf_categoryParameter(parameters, category);
    const std::string_view name = gf_categoryName(category);
    if (modelsFound == 0) {
        LogFile::write(fmt::format("Category {}: No livery found", name));
        if (parameter != nullptr) {
            if (parameter->value()) {
                parameter->setChecked(false);
                gf_saveBoolParameter(*parameter);
                LogFile::write(
                    fmt::format(fmt::runtime(lf_switchOffText(category)), parameter->name()));
            }
            parameter->enable(false);
        }
    } else {
        const std::string cargoPart =
            cargoTitles != 0
                ? fmt::format(" and {} cargo liverie{}", cargoTitles, lf_plural(cargoTitles))
                : std::string();
        LogFile::write(fmt::format("Category {}: {} pax liverie{}{}", name, passengerTitles,
                                   lf_plural(passengerTitles), cargoPart));
        std::sort(models.begin(), models.end());
        models.erase(std::unique(models.begin(), models.end()), models.end());
        lf_fillCategoryModels(tables, category, models);
        if (parameter != nullptr) {
            parameter->enable(true);
        }
    }
    lf_publishCategoryFilters(parameters);
}

void gf_reportGenericLiveries(const LiveryTables& tables) {
    const auto generic = gf_airlineCodeTable().find(kGenericAirlineCode);
    const auto it =
        generic ? tables.airlineLiveryIndex.find(*generic) : tables.airlineLiveryIndex.end();
    if (it == tables.airlineLiveryIndex.end()) {
        LogFile::write("No generic liveries");
        return;
    }
    std::vector<std::uint16_t> models;
    for (const auto& [model, entries] : it->second) {
        models.push_back(model);
    }
    std::sort(models.begin(), models.end());
    models.erase(std::unique(models.begin(), models.end()), models.end());
    LogFile::write(
        fmt::format("{} model{} have a generic livery", models.size(), lf_plural(models.size())));
    lf_logModelCodes(models);
}

} // namespace skyloom
