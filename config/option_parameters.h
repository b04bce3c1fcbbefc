// The window-bound parameters: a parameter and its `OptionControl` in one object. Check boxes
// (`CheckboxParameter`), the combo boxes of integer lists (`IntListParameter`), of the hours
// list of the maximum fit (`FloatListParameter`), of fixed texts (`ChoiceParameter`) and of
// lists made at run time (`DynamicChoiceParameter`), and the destination edit box
// (`EditBoxParameter`). Each fills and selects its own control with the window system's
// messages; without a control (before the window exists, or in tests without one) those
// operations change nothing and answer false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/option_control.h"
#include "config/parameter.h"

namespace skyloom {

// The text of the std::out_of_range that a list lookup with a bad index throws.
inline constexpr std::string_view kOptionIndexOutOfRange =
    "configuration option index is out of range";

// Fills a combo box with the texts (CB_RESETCONTENT, CB_ADDSTRING each); false when there is
// no control.
bool gf_fillComboBoxItems(winui::HWND comboBox, const std::vector<std::string>& items);
// CB_SETCURSEL with the index; false when there is no control.
bool gf_selectComboBoxItem(winui::HWND comboBox, std::size_t index);

class CheckboxParameter : public BoolParameter, public OptionControl {
public:
    CheckboxParameter(std::string name, bool defaultValue, std::uint16_t controlId,
                      ControlLayout layout)
        : BoolParameter(std::move(name), defaultValue), OptionControl(controlId, layout) {}

    // When controlId is this parameter's: toggles the check box (the box does not toggle
    // itself), stores the new state as the value, saves and republishes it; true. Otherwise
    // false and nothing changes. Without a control the value itself is toggled.
    bool onClicked(winui::HWND parent, int controlId);
    // Sets the value in memory and shows it in the check box (BM_SETCHECK); neither saves
    // nor republishes.
    void setChecked(bool checked);
    // Shows the current value in the check box; false when there is no control.
    bool showValue() const override;
};

class IntListParameter : public IntParameter, public OptionControl {
public:
    // The list is what the combo box offers; values outside [minimum, maximum] are a
    // programming error and throw std::invalid_argument.
    IntListParameter(std::string name, std::int32_t defaultValue, std::int32_t minimum,
                     std::int32_t maximum, std::vector<std::int32_t> values,
                     std::uint16_t controlId, ControlLayout layout);

    const std::vector<std::int32_t>& values() const noexcept { return values_; }
    // The list value at the index; throws std::out_of_range kOptionIndexOutOfRange.
    std::int32_t valueAt(std::int64_t index) const;
    std::optional<std::size_t> indexOf(std::int32_t value) const;

    // Fills the combo box with the list and selects the current value.
    bool fillComboBox() const;
    // Selects the current value when it is in the list; otherwise the selection stays.
    // False when nothing was selected.
    bool selectCurrent() const;
    bool showValue() const override { return selectCurrent(); }

private:
    std::vector<std::int32_t> values_;
};

// A value in hours chosen from a list (the maximum fit: 0.5 to 24.0 in steps of 0.5). It is
// derived from another parameter, so it is not kept in parameters.xml.
class FloatListParameter : public Parameter, public OptionControl {
public:
    FloatListParameter(std::string name, double defaultValue, std::vector<double> values,
                       std::uint16_t controlId, ControlLayout layout);

    double value() const noexcept { return value_.load(); }
    double minimum() const noexcept { return values_.front(); }
    double maximum() const noexcept { return values_.back(); }
    const std::vector<double>& values() const noexcept { return values_; }
    // Clamps to [minimum, maximum] (a value that is not a number gives the minimum) and
    // assigns.
    void setValue(double value) noexcept;
    // The list value at the index; throws std::out_of_range kOptionIndexOutOfRange.
    double valueAt(std::int64_t index) const;
    std::optional<std::size_t> indexOf(double value) const;

    bool fillComboBox() const;
    bool selectCurrent() const;
    bool showValue() const override { return selectCurrent(); }

    std::string valueText() const override;
    std::string defaultText() const override;
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override { value_.store(default_); }

private:
    double default_;
    std::vector<double> values_;
    std::atomic<double> value_;
};

class ChoiceParameter : public StringParameter, public OptionControl {
public:
    // The default must be one of the choices (else std::invalid_argument).
    ChoiceParameter(std::string name, std::vector<std::string> choices, std::string defaultValue,
                    std::uint16_t controlId, ControlLayout layout);

    const std::vector<std::string>& choices() const noexcept { return choices_; }
    // The index of the current text in the list; no value when it is not there.
    std::optional<std::size_t> indexOfCurrent() const;
    std::optional<std::size_t> indexOf(std::string_view text) const;
    // The choice at the index; throws std::out_of_range kOptionIndexOutOfRange.
    const std::string& choiceAt(std::int64_t index) const;

    bool fillComboBox() const;
    bool selectCurrent() const;
    bool showValue() const override { return selectCurrent(); }

    // A stored text that is not one of the choices is rejected (the default is taken).
    LoadOutcome loadText(std::string_view text) override;

private:
    std::vector<std::string> choices_;
};

// A choice among texts made at run time (the live aircraft, the stands of the destination).
// Neither the list nor the current text is kept in parameters.xml.
class DynamicChoiceParameter : public Parameter, public OptionControl {
public:
    DynamicChoiceParameter(std::string name, std::uint16_t controlId, ControlLayout layout);

    std::vector<std::string> items() const;
    void setItems(std::vector<std::string> items);
    void clearItems();
    void addItem(std::string item);

    std::string current() const;
    void setCurrent(std::string_view text);
    std::optional<std::size_t> indexOfCurrent() const;

    // Fills the combo box with the list and selects the current text when it is there.
    bool fillComboBox() const;
    bool showValue() const override;

    std::string valueText() const override { return current(); }
    std::string defaultText() const override { return {}; }
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> items_;
    std::string current_;
};

// A text parameter shown in an edit box (the destination).
class EditBoxParameter : public StringParameter, public OptionControl {
public:
    EditBoxParameter(std::string name, std::string defaultValue, std::uint16_t controlId,
                     ControlLayout layout)
        : StringParameter(std::move(name), std::move(defaultValue)),
          OptionControl(controlId, layout) {}

    // Writes the current text into the edit box.
    bool showValue() const override;
};

} // namespace skyloom
