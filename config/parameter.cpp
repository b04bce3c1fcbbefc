#include "config/parameter.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/text.h"

namespace skyloom {
namespace {


std::string_view lf_trimView(std::string_view text) noexcept {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace

Parameter::Parameter(std::string name, bool persisted)
    : name_(std::move(name)), persisted_(persisted) {}

void Parameter::save() const {
    if (ParameterHost* host = host_.load()) {
        host->saveParameter(*this);
    }
}

void Parameter::publish() const {
    if (ParameterHost* host = host_.load()) {
        host->publishParameter(*this);
    }
}

std::optional<std::int32_t> gf_parseParameterInt(std::string_view text) noexcept {
    std::string_view digits = lf_trimView(text);
    // Exactly one "+" goes; what follows must be a number by itself, so "+-5" is -5 while
    // "++5" is none (from_chars takes a "-" but never a "+").
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, value, 10);
    if (ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> gf_parseParameterBool(std::string_view text) noexcept {
    const std::string_view word = lf_trimView(text);
    if (gf_equalsIgnoringCase(word, "true") || word == "1") {
        return true;
    }
    if (gf_equalsIgnoringCase(word, "false") || word == "0") {
        return false;
    }
    return std::nullopt;
}

// --- IntParameter ---

IntParameter::IntParameter(std::string name, std::int32_t defaultValue, std::int32_t minimum,
                           std::int32_t maximum)
    : Parameter(std::move(name)), default_(defaultValue), minimum_(minimum), maximum_(maximum),
      value_(defaultValue) {
    if (minimum > maximum || defaultValue < minimum || defaultValue > maximum) {
        throw std::invalid_argument(fmt::format("parameter {}: default {} outside [{}, {}]",
                                                this->name(), defaultValue, minimum, maximum));
    }
}

std::int32_t IntParameter::clamp(std::int64_t value) const noexcept {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::int64_t{minimum_}, std::int64_t{maximum_}));
}

void IntParameter::setValue(std::int64_t value) {
    assign(value);
    save();
}

void IntParameter::assign(std::int64_t value) noexcept {
    value_.store(clamp(value));
}

std::string IntParameter::valueText() const {
    return fmt::format("{}", value());
}

std::string IntParameter::defaultText() const {
    return fmt::format("{}", default_);
}

LoadOutcome IntParameter::loadText(std::string_view text) {
    const std::optional<std::int32_t> parsed = gf_parseParameterInt(text);
    if (!parsed) {
        value_.store(default_);
        return LoadOutcome::rejected;
    }
    const std::int32_t clamped = clamp(*parsed);
    value_.store(clamped);
    // A text such as "+5" or " 5" is understood but is not how the file should say it.
    const bool canonical = text == fmt::format("{}", *parsed);
    return (clamped == *parsed && canonical) ? LoadOutcome::accepted : LoadOutcome::corrected;
}

// --- BoolParameter ---

BoolParameter::BoolParameter(std::string name, bool defaultValue)
    : Parameter(std::move(name)), default_(defaultValue), value_(defaultValue) {}

void BoolParameter::setValue(bool value) {
    assign(value);
    save();
}

std::string BoolParameter::valueText() const {
    return value() ? "true" : "false";
}

std::string BoolParameter::defaultText() const {
    return default_ ? "true" : "false";
}

LoadOutcome BoolParameter::loadText(std::string_view text) {
    const std::optional<bool> parsed = gf_parseParameterBool(text);
    if (!parsed) {
        value_.store(default_);
        return LoadOutcome::rejected;
    }
    value_.store(*parsed);
    return (text == "true" || text == "false") ? LoadOutcome::accepted : LoadOutcome::corrected;
}

// --- StringParameter ---

StringParameter::StringParameter(std::string name, std::string defaultValue, bool persisted)
    : Parameter(std::move(name), persisted), default_(std::move(defaultValue)),
      value_(std::make_shared<const std::string>(default_)) {}

std::string StringParameter::value() const {
    return *value_.load();
}

bool StringParameter::empty() const {
    return value_.load()->empty();
}

void StringParameter::setValue(std::string_view text) {
    assign(text);
    save();
}

void StringParameter::assign(std::string_view text) {
    value_.store(std::make_shared<const std::string>(text));
}

LoadOutcome StringParameter::loadText(std::string_view text) {
    assign(text);
    return LoadOutcome::accepted;
}

// --- PathParameter ---

PathParameter::PathParameter(std::string name)
    : Parameter(std::move(name)), value_(std::make_shared<const std::filesystem::path>()) {}

std::filesystem::path PathParameter::value() const {
    return *value_.load();
}

bool PathParameter::empty() const {
    return value_.load()->empty();
}

void PathParameter::setValue(const std::filesystem::path& path) {
    assign(path);
    save();
}

void PathParameter::assign(const std::filesystem::path& path) {
    value_.store(std::make_shared<const std::filesystem::path>(path));
}

std::string PathParameter::valueText() const {
    return gf_pathToUtf8(value());
}

LoadOutcome PathParameter::loadText(std::string_view text) {
    const std::string_view trimmed = lf_trimView(text);
    assign(std::filesystem::path(std::u8string(trimmed.begin(), trimmed.end())));
    return trimmed.size() == text.size() ? LoadOutcome::accepted : LoadOutcome::corrected;
}

// --- Log texts ---

std::string gf_formatParameter(const Parameter& parameter) {
    return fmt::format("{:24}: {}", parameter.name(), parameter.valueText());
}

std::string gf_formatBoolParameter(const BoolParameter& parameter) {
    return gf_formatParameter(parameter);
}

std::string gf_formatIntParameter(const IntParameter& parameter) {
    return gf_formatParameter(parameter);
}

std::string gf_formatStringParameter(const StringParameter& parameter) {
    return fmt::format("{:24}: '{}'", parameter.name(), parameter.value());
}

} // namespace skyloom
