#include "sim/user_aircraft_model.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/log_file.h"
#include "foundation/user_related_exception.h"
#include "refdata/aircraft_category.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "sim/user_aircraft_icao.h"
#include "sim/user_aircraft_replies.h"

namespace skyloom {
namespace {

constexpr std::size_t kModelFieldChars = 32;
// Models of at most this many characters are taken for ICAO codes.
constexpr std::size_t kIcaoCodeMaxChars = 4;

// Vehicles of the simulator that are no aircraft stand in as a small regional jet.
constexpr std::array<std::string_view, 2> kVehicleMarks{"camerapod", "Crew Vessel"};
constexpr std::string_view kVehicleStandIn = "E190";

// Aerosoft's Airbus family gives a model text that names no type; the title does.
constexpr std::size_t kAerosoftTitleMinChars = 13;
constexpr std::array<std::string_view, 3> kAerosoftTypes{"A319", "A320", "A321"};
constexpr std::string_view kAerosoftTitlePrefix = "Aerosoft ";

struct ModelOutcome {
    double halfSpanNm = 0;
    bool known = false;
    AircraftCategory category = AircraftCategory::Light;
};

double lf_halfSpanOf(std::string_view code) {
    return gf_wingspan(gf_modelId(code));
}

// The title's type when it begins with "Aerosoft A319", "Aerosoft A320" or "Aerosoft A321".
std::optional<std::string_view> lf_aerosoftType(std::string_view title) {
    if (title.size() < kAerosoftTitleMinChars || !title.starts_with(kAerosoftTitlePrefix)) {
        return std::nullopt;
    }
    const std::string_view rest = title.substr(kAerosoftTitlePrefix.size());
    for (const std::string_view type : kAerosoftTypes) {
        if (rest.starts_with(type)) {
            return type;
        }
    }
    return std::nullopt;
}

bool lf_isVehicle(std::string_view model) {
    for (const std::string_view mark : kVehicleMarks) {
        if (model.find(mark) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

ModelOutcome lf_deriveModel(std::string model, const UserAircraft& user, WindowSink& window) {
    const std::string title = user.title();
    if (const auto code = gf_userModelToIcao(model, title); code && *code != model) {
        LogFile::write(fmt::format("model normalized: {}", *code));
        model = *code;
    }
    const double largest = g_maxHalfWingSpan.load();
    if (model.empty()) {
        window.enqueueUpdate(GuiUpdate::UserWingspanKnown{false});
        window.showStatusText(std::string(kNoModelStatus), true);
        return {largest, false, AircraftCategory::Large};
    }
    std::string line = "SimConnect: User aircraft model: " + model;
    if (lf_isVehicle(model)) {
        // A stand-in without a span of its own keeps the largest rather than none.
        const double span = lf_halfSpanOf(kVehicleStandIn);
        window.enqueueUpdate(GuiUpdate::UserWingspanKnown{true});
        LogFile::writeIndented(line);
        return {span > 0 ? span : largest, true, AircraftCategory::Light};
    }
    ModelOutcome outcome;
    if (model.size() <= kIcaoCodeMaxChars) {
        // A code the dbase does not know has been appended to the code table by now; its
        // span is 0, unknown, like that of a known code without one.
        const double span = lf_halfSpanOf(model);
        if (span > 0) {
            outcome.halfSpanNm = span;
            outcome.known = true;
        }
    }
    if (!outcome.known) {
        outcome.halfSpanNm = largest;
        if (const auto type = lf_aerosoftType(title)) {
            model = std::string(*type);
            line = "SimConnect: User aircraft model deduced from title: " + model;
            if (const double span = lf_halfSpanOf(model); span != 0) {
                outcome.halfSpanNm = span;
                outcome.known = true;
            }
        }
    }
    if (outcome.known) {
        window.enqueueUpdate(GuiUpdate::UserWingspanKnown{true});
        line +=
            fmt::format(", half wing span: {:.1F} meter", outcome.halfSpanNm * geo::kMetresPerNM);
    } else {
        window.enqueueUpdate(GuiUpdate::UserWingspanKnown{false});
        window.showStatusText(std::string(kWingspanUnknownStatus), true);
    }
    outcome.category = gf_modelCategory(gf_modelId(model));
    line += fmt::format(", category: {}", gf_categoryName(outcome.category));
    LogFile::writeIndented(line);
    return outcome;
}

// Sets the model bit however the handler is left.
struct ModelBitGuard {
    explicit ModelBitGuard(UserAircraft& user) : user(user) {}
    ModelBitGuard(const ModelBitGuard&) = delete;
    ModelBitGuard& operator=(const ModelBitGuard&) = delete;
    ~ModelBitGuard() { user.infoReceived.fetch_or(kUserInfoModel); }

    UserAircraft& user;
};

} // namespace

void gf_handleUserModel(std::string_view model, UserAircraft& user, WindowSink& window) {
    const ModelBitGuard bit(user);
    LogFile::writeIndented(fmt::format("model raw: {}", model));
    ModelOutcome outcome;
    try {
        outcome = lf_deriveModel(std::string(model), user, window);
    } catch (const UserRelatedException&) {
        throw UserRelatedException(kNoUserVehicleCode, std::string(kNoUserVehicleText));
    }
    user.setModelData({outcome.halfSpanNm, outcome.known});
    user.halfSpanNm.store(outcome.halfSpanNm);
    user.category.store(static_cast<std::uint32_t>(outcome.category));
}

void gf_onUserAcModel(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                      UserAircraft& user, WindowSink& window) {
    if (!gf_checkUserReplySize(size, kUserModelReplyBytes, "USER_AC_MODEL")) {
        return;
    }
    const char* field =
        reinterpret_cast<const char*>(&message) + SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
    const void* nul = std::memchr(field, 0, kModelFieldChars);
    gf_handleUserModel(std::string_view(field, nul != nullptr
                                                   ? static_cast<const char*>(nul) - field
                                                   : kModelFieldChars),
                       user, window);
}

} // namespace skyloom
