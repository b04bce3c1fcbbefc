#include "config/option_parameters.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/utf.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"

namespace skyloom {
namespace {

constexpr double kHoursTolerance = 1e-9;

std::size_t lf_checkedIndex(std::int64_t index, std::size_t size) {
    if (index < 0 || static_cast<std::uint64_t>(index) >= size) {
        throw std::out_of_range(std::string(kOptionIndexOutOfRange));
    }
    return static_cast<std::size_t>(index);
}

std::string lf_hoursText(double hours) {
    return fmt::format("{:.1f}", hours);
}

} // namespace

bool gf_fillComboBoxItems(winui::HWND comboBox, const std::vector<std::string>& items) {
    if (comboBox == nullptr) {
        return false;
    }
    winui::SendMessageW(comboBox, winui::CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        const std::u16string wide = utf8_to_wide(item);
        winui::SendMessageW(comboBox, winui::CB_ADDSTRING, 0,
                            reinterpret_cast<winui::LPARAM>(wide.c_str()));
    }
    return true;
}

bool gf_selectComboBoxItem(winui::HWND comboBox, std::size_t index) {
    if (comboBox == nullptr) {
        return false;
    }
    winui::SendMessageW(comboBox, winui::CB_SETCURSEL, static_cast<winui::WPARAM>(index), 0);
    return true;
}

// --- CheckboxParameter ---

bool CheckboxParameter::onClicked(winui::HWND parent, int id) {
    if (id != controlId()) {
        return false;
    }
    // The box's own state counts: the user sees it, and an override may have set the value
    // in memory only. Without a box the value itself is toggled.
    winui::HWND box = window();
    if (box == nullptr && parent != nullptr) {
        box = winui::GetDlgItem(parent, id);
    }
    const bool checked = box != nullptr ? winui::SendMessageW(box, winui::BM_GETCHECK, 0, 0) ==
                                              static_cast<winui::LRESULT>(winui::BST_CHECKED)
                                        : value();
    const bool next = !checked;
    if (box != nullptr) {
        winui::SendMessageW(box, winui::BM_SETCHECK,
                            next ? winui::BST_CHECKED : winui::BST_UNCHECKED, 0);
    }
    assign(next);
    save();
    publish();
    return true;
}

void CheckboxParameter::setChecked(bool checked) {
    assign(checked);
    showValue();
}

bool CheckboxParameter::showValue() const {
    const winui::HWND box = window();
    if (box == nullptr) {
        return false;
    }
    winui::SendMessageW(box, winui::BM_SETCHECK,
                        value() ? winui::BST_CHECKED : winui::BST_UNCHECKED, 0);
    return true;
}

// --- IntListParameter ---

IntListParameter::IntListParameter(std::string name, std::int32_t defaultValue,
                                   std::int32_t minimum, std::int32_t maximum,
                                   std::vector<std::int32_t> values, std::uint16_t controlId,
                                   ControlLayout layout)
    : IntParameter(std::move(name), defaultValue, minimum, maximum),
      OptionControl(controlId, layout), values_(std::move(values)) {
    for (std::int32_t value : values_) {
        if (value < minimum || value > maximum) {
            throw std::invalid_argument(fmt::format("parameter {}: list value {} outside [{}, {}]",
                                                    this->name(), value, minimum, maximum));
        }
    }
}

std::int32_t IntListParameter::valueAt(std::int64_t index) const {
    return values_[lf_checkedIndex(index, values_.size())];
}

std::optional<std::size_t> IntListParameter::indexOf(std::int32_t value) const {
    const auto found = std::find(values_.begin(), values_.end(), value);
    if (found == values_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - values_.begin());
}

bool IntListParameter::fillComboBox() const {
    std::vector<std::string> texts;
    texts.reserve(values_.size());
    for (std::int32_t value : values_) {
        texts.push_back(fmt::format("{}", value));
    }
    if (!gf_fillComboBoxItems(window(), texts)) {
        return false;
    }
    selectCurrent();
    return true;
}

bool IntListParameter::selectCurrent() const {
    const std::optional<std::size_t> index = indexOf(value());
    return index && gf_selectComboBoxItem(window(), *index);
}

// --- FloatListParameter ---

FloatListParameter::FloatListParameter(std::string name, double defaultValue,
                                       std::vector<double> values, std::uint16_t controlId,
                                       ControlLayout layout)
    : Parameter(std::move(name), false), OptionControl(controlId, layout), default_(defaultValue),
      values_(std::move(values)), value_(defaultValue) {
    if (values_.empty() || !std::is_sorted(values_.begin(), values_.end()) ||
        defaultValue < values_.front() || defaultValue > values_.back()) {
        throw std::invalid_argument(fmt::format(
            "parameter {}: empty or unsorted list, or default outside it", this->name()));
    }
}

void FloatListParameter::setValue(double hours) noexcept {
    if (std::isnan(hours)) {
        hours = minimum();
    }
    value_.store(std::clamp(hours, minimum(), maximum()));
}

double FloatListParameter::valueAt(std::int64_t index) const {
    return values_[lf_checkedIndex(index, values_.size())];
}

std::optional<std::size_t> FloatListParameter::indexOf(double hours) const {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        if (std::fabs(values_[i] - hours) <= kHoursTolerance) {
            return i;
        }
    }
    return std::nullopt;
}

bool FloatListParameter::fillComboBox() const {
    std::vector<std::string> texts;
    texts.reserve(values_.size());
    for (double hours : values_) {
        texts.push_back(lf_hoursText(hours));
    }
    if (!gf_fillComboBoxItems(window(), texts)) {
        return false;
    }
    selectCurrent();
    return true;
}

bool FloatListParameter::selectCurrent() const {
    const std::optional<std::size_t> index = indexOf(value());
    return index && gf_selectComboBoxItem(window(), *index);
}

std::string FloatListParameter::valueText() const {
    return lf_hoursText(value());
}

std::string FloatListParameter::defaultText() const {
    return lf_hoursText(default_);
}

LoadOutcome FloatListParameter::loadText(std::string_view text) {
    double hours = 0.0;
    try {
        std::size_t used = 0;
        const std::string copy(text);
        hours = std::stod(copy, &used);
        if (used != copy.size() || !std::isfinite(hours)) {
            throw std::invalid_argument("not a number");
        }
    } catch (const std::exception&) {
        value_.store(default_);
        return LoadOutcome::rejected;
    }
    setValue(hours);
    return value() == hours ? LoadOutcome::accepted : LoadOutcome::corrected;
}

// --- ChoiceParameter ---

ChoiceParameter::ChoiceParameter(std::string name, std::vector<std::string> choices,
                                 std::string defaultValue, std::uint16_t controlId,
                                 ControlLayout layout)
    : StringParameter(std::move(name), std::move(defaultValue)), OptionControl(controlId, layout),
      choices_(std::move(choices)) {
    if (!indexOf(this->defaultValue())) {
        throw std::invalid_argument(fmt::format("parameter {}: default '{}' is not a choice",
                                                this->name(), this->defaultValue()));
    }
}

std::optional<std::size_t> ChoiceParameter::indexOf(std::string_view text) const {
    const auto found = std::find(choices_.begin(), choices_.end(), text);
    if (found == choices_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - choices_.begin());
}

std::optional<std::size_t> ChoiceParameter::indexOfCurrent() const {
    return indexOf(value());
}

const std::string& ChoiceParameter::choiceAt(std::int64_t index) const {
    return choices_[lf_checkedIndex(index, choices_.size())];
}

bool ChoiceParameter::fillComboBox() const {
    if (!gf_fillComboBoxItems(window(), choices_)) {
        return false;
    }
    selectCurrent();
    return true;
}

bool ChoiceParameter::selectCurrent() const {
    const std::optional<std::size_t> index = indexOfCurrent();
    return index && gf_selectComboBoxItem(window(), *index);
}

LoadOutcome ChoiceParameter::loadText(std::string_view text) {
    if (indexOf(text)) {
        assign(text);
        return LoadOutcome::accepted;
    }
    resetToDefault();
    return LoadOutcome::rejected;
}

// --- DynamicChoiceParameter ---

DynamicChoiceParameter::DynamicChoiceParameter(std::string name, std::uint16_t controlId,
                                               ControlLayout layout)
    : Parameter(std::move(name), false), OptionControl(controlId, layout) {}

std::vector<std::string> DynamicChoiceParameter::items() const {
    std::lock_guard lock(mutex_);
    return items_;
}

void DynamicChoiceParameter::setItems(std::vector<std::string> items) {
    std::lock_guard lock(mutex_);
    items_ = std::move(items);
}

void DynamicChoiceParameter::clearItems() {
    std::lock_guard lock(mutex_);
    items_.clear();
}

void DynamicChoiceParameter::addItem(std::string item) {
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(item));
}

std::string DynamicChoiceParameter::current() const {
    std::lock_guard lock(mutex_);
    return current_;
}

void DynamicChoiceParameter::setCurrent(std::string_view text) {
    std::lock_guard lock(mutex_);
    current_.assign(text);
}

std::optional<std::size_t> DynamicChoiceParameter::indexOfCurrent() const {
    std::lock_guard lock(mutex_);
    const auto found = std::find(items_.begin(), items_.end(), current_);
    if (found == items_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - items_.begin());
}

bool DynamicChoiceParameter::fillComboBox() const {
    // Copied first: the messages below may wait for the GUI thread, which must not find the
    // list locked.
    const std::vector<std::string> list = items();
    if (!gf_fillComboBoxItems(window(), list)) {
        return false;
    }
    showValue();
    return true;
}

bool DynamicChoiceParameter::showValue() const {
    const std::optional<std::size_t> index = indexOfCurrent();
    return index && gf_selectComboBoxItem(window(), *index);
}

LoadOutcome DynamicChoiceParameter::loadText(std::string_view text) {
    setCurrent(text);
    return LoadOutcome::accepted;
}

void DynamicChoiceParameter::resetToDefault() {
    std::lock_guard lock(mutex_);
    items_.clear();
    current_.clear();
}

// --- EditBoxParameter ---

bool EditBoxParameter::showValue() const {
    const winui::HWND edit = window();
    if (edit == nullptr) {
        return false;
    }
    std::u16string text;
    try {
        text = utf8_to_wide(value());
    } catch (const std::exception&) {
        return false; // a hand-edited text that is not UTF-8 stays out of the box
    }
    return winui::SetWindowTextW(edit, text.c_str()) != winui::FALSE;
}

} // namespace skyloom
