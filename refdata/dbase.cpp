#include "refdata/dbase.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "refdata/code_table.h"
#include "refdata/data_set.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {

namespace {

// Faulty records are logged one by one up to this many per read, then only counted.
constexpr std::size_t kMaxReportedProblems = 20;
// A wingspan above this many metres is taken as a typing error.
constexpr double kMaxWingspanMetres = 150.0;

std::optional<double> lf_parseDouble(std::string_view text) {
    const auto trimmed = gf_trim(text);
    double value = 0.0;
    const auto* first = trimmed.data();
    const auto* last = trimmed.data() + trimmed.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || trimmed.empty()) {
        return std::nullopt;
    }
    return value;
}

void lf_setFlag(std::vector<bool>& flags, std::uint16_t id) {
    if (flags.size() <= id) {
        flags.resize(static_cast<std::size_t>(id) + 1, false);
    }
    flags[id] = true;
}

bool lf_flag(const std::vector<bool>& flags, std::uint16_t id) {
    return id < flags.size() && flags[id];
}

std::atomic<std::shared_ptr<const Dbase>>& lf_current() {
    static std::atomic<std::shared_ptr<const Dbase>> current{std::make_shared<const Dbase>()};
    return current;
}

} // namespace

// Reads one document into a new dbase, section by section.
class Dbase::Builder {
public:
    Builder(const pugi::xml_node& root, std::string_view source)
        : root_(root), source_(source), dbase_(std::make_shared<Dbase>()) {}

    std::shared_ptr<const Dbase> build() {
        dbase_->version_ = root_.child("dataset").attribute("version").as_string();
        readModels();
        readAirlines();
        readModelFixes();
        readCategories();
        readCargo();
        readSimilarGroups();
        readRegistrations();
        if (dbase_->counts_.skipped > kMaxReportedProblems) {
            LogFile::writeImportant(fmt::format("{}: {} further faulty records not shown", source_,
                                                dbase_->counts_.skipped - kMaxReportedProblems));
        }
        return dbase_;
    }

private:
    void problem(std::string_view text) {
        if (++dbase_->counts_.skipped <= kMaxReportedProblems) {
            LogFile::writeImportant(fmt::format("{}: {}", source_, text));
        }
    }

    // The model id as gf_modelId gives it, with the fixes of the dbase being read.
    std::uint16_t modelId(std::string_view code) {
        auto& table = gf_modelCodeTable();
        if (const auto id = table.find(code)) {
            return *id;
        }
        if (const auto fixed = dbase_->modelFix(code)) {
            if (const auto id = table.find(*fixed)) {
                return *id;
            }
        }
        return table.intern(code);
    }

    void readModels() {
        std::size_t beyondTable = 0;
        for (const auto m : root_.child("models").children("m")) {
            const auto code = gf_trim(m.attribute("c").as_string());
            if (code.empty()) {
                problem("model without code skipped");
                continue;
            }
            if (!dbase_->knownModels_.insert(code).second) {
                problem(fmt::format("model {} listed twice", code));
                continue;
            }
            const auto id = gf_modelCodeTable().intern(code);
            const auto wingspanText = m.attribute("w");
            if (!wingspanText) {
                continue;
            }
            const auto metres = lf_parseDouble(wingspanText.as_string());
            if (!metres || !std::isfinite(*metres) || *metres <= 0.0 ||
                *metres > kMaxWingspanMetres) {
                problem(
                    fmt::format("model {}: wingspan '{}' ignored", code, wingspanText.as_string()));
                continue;
            }
            if (id >= kWingspanTableSize) {
                ++beyondTable;
                continue;
            }
            const double half = *metres * kHalfSpanNMPerMetre;
            dbase_->halfWingspansNM_[id] = half;
            dbase_->maxHalfWingspanNM_ = std::max(dbase_->maxHalfWingspanNM_, half);
            ++dbase_->counts_.wingspans;
        }
        dbase_->counts_.models = dbase_->knownModels_.size();
        if (beyondTable > 0) {
            LogFile::writeImportant(
                fmt::format("{}: {} model wingspans beyond the table of {} entries are not kept",
                            source_, beyondTable, kWingspanTableSize));
        }
    }

    void readAirlines() {
        for (const auto list : root_.children("ICAO_airlines")) {
            for (auto& code : gf_splitComma(list.attribute("a").as_string())) {
                dbase_->knownAirlines_.insert(code);
                gf_airlineId(code);
            }
        }
        dbase_->counts_.airlines = dbase_->knownAirlines_.size();
    }

    void readModelFixes() {
        for (const auto f : root_.child("modelfixes").children("f")) {
            const auto wrong = gf_trim(f.attribute("w").as_string());
            const auto right = gf_trim(f.attribute("c").as_string());
            if (wrong.empty() || right.empty() || wrong == right) {
                problem(fmt::format("model fix '{}' -> '{}' skipped", wrong, right));
                continue;
            }
            if (!dbase_->modelFixes_.emplace(wrong, right).second) {
                problem(fmt::format("model fix for {} listed twice", wrong));
            }
        }
        dbase_->counts_.modelFixes = dbase_->modelFixes_.size();
    }

    void readCategories() {
        // Filled from the last category to the first, so that the earlier ones win.
        std::array<std::vector<std::uint16_t>, kAircraftCategoryCount> members;
        for (const auto c : root_.child("categories").children("c")) {
            const std::string name = c.attribute("n").as_string();
            const auto category = gf_categoryFromName(name);
            if (!category || *category == AircraftCategory::Light) {
                problem(fmt::format("category '{}' skipped", name));
                continue;
            }
            for (const auto& code : gf_splitComma(c.attribute("m").as_string())) {
                members[static_cast<std::size_t>(*category)].push_back(modelId(code));
            }
        }
        auto& categories = dbase_->categories_;
        for (auto it = kCategoryTestOrder.rbegin(); it != kCategoryTestOrder.rend(); ++it) {
            for (const auto id : members[static_cast<std::size_t>(*it)]) {
                if (categories.size() <= id) {
                    categories.resize(static_cast<std::size_t>(id) + 1, AircraftCategory::Light);
                }
                categories[id] = *it;
            }
        }
    }

    void readCargo() {
        std::set<std::uint16_t> models;
        for (const auto list : root_.children("cargomodels")) {
            for (const auto& code : gf_splitComma(list.attribute("m").as_string())) {
                const auto id = modelId(code);
                lf_setFlag(dbase_->cargoModels_, id);
                models.insert(id);
            }
        }
        std::set<std::uint16_t> operators;
        for (const auto list : root_.children("cargooperators")) {
            for (const auto& code : gf_splitComma(list.attribute("a").as_string())) {
                const auto id = gf_airlineId(code);
                lf_setFlag(dbase_->cargoOperators_, id);
                operators.insert(id);
            }
        }
        dbase_->counts_.cargoModels = models.size();
        dbase_->counts_.cargoOperators = operators.size();
    }

    void readSimilarGroups() {
        for (const auto g : root_.child("similar").children("g")) {
            auto codes = gf_splitComma(g.attribute("m").as_string());
            if (codes.size() < 2) {
                problem(fmt::format("similar group '{}' has fewer than 2 models",
                                    g.attribute("m").as_string()));
                continue;
            }
            dbase_->similarGroups_.push_back(std::move(codes));
        }
        dbase_->counts_.similarGroups = dbase_->similarGroups_.size();
    }

    void readRegistrations() {
        auto& records = dbase_->registrations_;
        for (const auto r : root_.child("registrations").children("r")) {
            const auto registration = gf_trim(r.attribute("g").as_string());
            const auto model = gf_trim(r.attribute("m").as_string());
            if (registration.empty() || model.empty()) {
                problem(fmt::format("registration '{}' without model skipped", registration));
                continue;
            }
            LiveryKey key;
            key.airline = gf_airlineId(gf_trim(r.attribute("a").as_string()));
            key.operatorId = gf_airlineId(gf_trim(r.attribute("o").as_string()));
            key.model = modelId(model);
            key.cargo = gf_dataSetBool(r.attribute("c").as_string()) ? 1 : 0;
            key.fromRegistration = 1;
            records.push_back(RegistrationRecord{registration, key});
        }
        // Sorted and unique by registration; of several records the first in the file stays.
        std::stable_sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
            return a.registration < b.registration;
        });
        const auto duplicates =
            std::unique(records.begin(), records.end(), [](const auto& a, const auto& b) {
                return a.registration == b.registration;
            });
        for (auto it = duplicates; it != records.end(); ++it) {
            problem(fmt::format("registration {} listed twice", it->registration));
        }
        records.erase(duplicates, records.end());
        for (const auto& record : records) {
            if (record.registration.size() < 6) {
                dbase_->shortRegistrations_.push_back(&record);
            }
        }
        dbase_->counts_.registrations = records.size();
    }

    const pugi::xml_node root_;
    const std::string source_;
    std::shared_ptr<Dbase> dbase_;
};

Dbase::Dbase() = default;

std::shared_ptr<const Dbase> Dbase::fromDocument(const pugi::xml_node& root,
                                                 std::string_view source) {
    return Builder(root, source).build();
}

bool Dbase::isKnownModel(std::string_view code) const {
    return knownModels_.find(code) != knownModels_.end();
}

bool Dbase::isKnownAirline(std::string_view code) const {
    return knownAirlines_.find(code) != knownAirlines_.end();
}

std::optional<std::string> Dbase::modelFix(std::string_view code) const {
    if (const auto it = modelFixes_.find(code); it != modelFixes_.end()) {
        return it->second;
    }
    return std::nullopt;
}

AircraftCategory Dbase::category(std::uint16_t modelId) const {
    return modelId < categories_.size() ? categories_[modelId] : AircraftCategory::Light;
}

double Dbase::halfWingspanNM(std::uint16_t modelId) const {
    return modelId < kWingspanTableSize ? halfWingspansNM_[modelId] : 0.0;
}

bool Dbase::isCargoModel(std::uint16_t modelId) const {
    return lf_flag(cargoModels_, modelId);
}

bool Dbase::isCargoOperator(std::uint16_t airlineId) const {
    return lf_flag(cargoOperators_, airlineId);
}

const RegistrationRecord* Dbase::findRegistration(std::string_view registration) const {
    const auto it = std::lower_bound(registrations_.begin(), registrations_.end(), registration,
                                     [](const RegistrationRecord& record, std::string_view text) {
                                         return std::string_view(record.registration) < text;
                                     });
    if (it == registrations_.end() || it->registration != registration) {
        return nullptr;
    }
    return &*it;
}

std::shared_ptr<const Dbase> gf_dbase() {
    return lf_current().load();
}

void gf_publishDbase(std::shared_ptr<const Dbase> dbase) {
    if (!dbase) {
        dbase = std::make_shared<const Dbase>();
    }
    g_maxHalfWingSpan = dbase->maxHalfWingspanNM();
    lf_current().store(std::move(dbase));
}

void gf_readDbase() {
    gf_readDbase(gf_inputFolder());
}

void gf_readDbase(const std::filesystem::path& folder) {
    const auto set = gf_loadDataSetFrom(folder, kDbaseDataSetName);
    const auto source = gf_pathToUtf8(set->path);
    auto dbase = Dbase::fromDocument(set->root(), source);
    const auto& counts = dbase->counts();
    LogFile::write(fmt::format("dbase {} version {}", source, dbase->version()));
    LogFile::write(fmt::format("{:5} ICAO aircraft models, {} with wingspan", counts.models,
                               counts.wingspans));
    LogFile::write(fmt::format("{:5} ICAO airline codes", counts.airlines));
    LogFile::write(fmt::format("{:5} model fixes", counts.modelFixes));
    LogFile::write(fmt::format("{:5} similar model groups", counts.similarGroups));
    LogFile::write(fmt::format("{:5} cargo models, {} cargo operators", counts.cargoModels,
                               counts.cargoOperators));
    LogFile::write(fmt::format("{:5} registrations", counts.registrations));
    gf_publishDbase(std::move(dbase));
}

} // namespace skyloom
