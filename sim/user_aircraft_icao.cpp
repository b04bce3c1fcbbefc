#include "sim/user_aircraft_icao.h"

#include <array>

#include "refdata/dbase_lookups.h"

namespace skyloom {
namespace {

// Table A: a model text whose code depends on the title.
struct ModelTitleRow {
    std::string_view model;
    std::string_view titlePart;
    std::string_view code;
};

constexpr std::array kModelTitleRows{
    ModelTitleRow{"", "A340-300", "A343"},      ModelTitleRow{"737", "DG 737-600", "B736"},
    ModelTitleRow{"737", "DG 737-700", "B737"}, ModelTitleRow{"737", "DG 737-800", "B738"},
    ModelTitleRow{"737", "DG 737-900", "B739"}, ModelTitleRow{"BA46", "146-100", "B461"},
    ModelTitleRow{"BA46", "146-200", "B462"},   ModelTitleRow{"BA46", "146-300", "B463"},
};

// Table B: a model text that stands for a code (exact), and table C: a text that contains a
// part.
struct ModelCodeRow {
    std::string_view model;
    std::string_view code;
};

constexpr std::array kModelCodeRows{
    ModelCodeRow{"414AW", "C414"},    ModelCodeRow{"777", "B772"},
    ModelCodeRow{"A220-300", "BCS3"}, ModelCodeRow{"A330-200 (RR)", "A332"},
    ModelCodeRow{"A350-900", "A359"}, ModelCodeRow{"A380", "A388"},
    ModelCodeRow{"BF109", "BF19"},    ModelCodeRow{"F-14A", "F14"},
    ModelCodeRow{"F-14B", "F14"},     ModelCodeRow{"F6F-5", "HCAT"},
    ModelCodeRow{"GL6T", "GLEX"},     ModelCodeRow{"HA420", "HDJT"},
    ModelCodeRow{"Jaguar", "JAGR"},   ModelCodeRow{"KODIAK", "K100"},
    ModelCodeRow{"MD11F", "MD11"},    ModelCodeRow{"N738B", "B38M"},
    ModelCodeRow{"P38L", "P38"},      ModelCodeRow{"Rafale C", "RFAL"},
    ModelCodeRow{"RJ100", "RJ1H"},    ModelCodeRow{"SPITFIRE", "SPIT"},
    ModelCodeRow{"SR-71", "SR71"},    ModelCodeRow{"UH-1H", "UH1"},
};

constexpr std::array kModelPartRows{
    ModelCodeRow{"Phenom 300E", "E55P"},
};

// The localisation key some aircraft put around their model text.
constexpr std::string_view kLocalisationPrefix = "ATCCOM.AC_MODEL ";
constexpr std::string_view kLocalisationSuffix = ".0.text";
constexpr std::string_view kDollarPrefix = "$$:";

// White space as the C locale classifies it.
bool lf_isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view lf_translate(std::string_view text, std::string_view title) {
    for (const ModelTitleRow& row : kModelTitleRows) {
        if (row.model == text && title.find(row.titlePart) != std::string_view::npos) {
            return row.code;
        }
    }
    for (const ModelCodeRow& row : kModelCodeRows) {
        if (row.model == text) {
            return row.code;
        }
    }
    for (const ModelCodeRow& row : kModelPartRows) {
        if (text.find(row.model) != std::string_view::npos) {
            return row.code;
        }
    }
    return text;
}

} // namespace

std::string gf_trimText(std::string_view text) {
    while (!text.empty() && lf_isWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && lf_isWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string gf_normalizeModelText(std::string_view model) {
    std::string text = gf_trimText(model);
    std::string_view view = text;
    if (view.starts_with(kLocalisationPrefix)) {
        view.remove_prefix(kLocalisationPrefix.size());
    }
    if (view.ends_with(kLocalisationSuffix)) {
        view.remove_suffix(kLocalisationSuffix.size());
    }
    if (view.starts_with(kDollarPrefix)) {
        view.remove_prefix(kDollarPrefix.size());
    }
    return gf_trimText(view);
}

std::optional<std::string> gf_userModelToIcao(std::string_view model, std::string_view title) {
    const std::string normalized = gf_normalizeModelText(model);
    const std::string_view code = lf_translate(normalized, title);
    if (code.empty() || !gf_isKnownModel(code)) {
        return std::nullopt;
    }
    return std::string(code);
}

} // namespace skyloom
