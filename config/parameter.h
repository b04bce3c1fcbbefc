// The typed parameter objects behind every setting: a name (the key in parameters.xml), a
// current value, and for integers a default, a minimum and a maximum. A parameter reads its
// value from the text stored in parameters.xml (loadText) and gives the text to store
// (valueText). Changing a value through setValue saves it at once through the parameter's
// host; the host is what ties the objects to the store and to the settings snapshot.
// Values are read and written from several threads (the GUI thread and the main worker), so
// every value is an atomic: numbers and flags directly, texts and paths as atomic shared
// pointers to immutable copies. No value takes a lock, so reading one never waits while the
// parameters file is being written.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

class Parameter;

// Where a parameter's changes go: saved into parameters.xml and republished in the settings
// snapshot. A parameter without a host keeps its changes in memory only (tests, tools).
class ParameterHost {
public:
    virtual ~ParameterHost() = default;
    virtual void saveParameter(const Parameter& parameter) = 0;
    virtual void publishParameter(const Parameter& parameter) = 0;
};

// What loading a stored text did to a parameter.
enum class LoadOutcome {
    accepted,  // the text was taken as it is
    corrected, // the text was understood but changed (clamped, spelt differently): rewrite it
    rejected,  // the text was unusable: the default was taken; rewrite it
};

class Parameter {
public:
    explicit Parameter(std::string name, bool persisted = true);
    virtual ~Parameter() = default;
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;

    const std::string& name() const noexcept { return name_; }
    // Whether the value lives in parameters.xml; run-time lists and derived values do not.
    bool persisted() const noexcept { return persisted_; }

    // The current value as parameters.xml stores it.
    virtual std::string valueText() const = 0;
    // The default value as parameters.xml stores it.
    virtual std::string defaultText() const = 0;
    // Takes a value read from parameters.xml; an unusable text leaves the default in place.
    virtual LoadOutcome loadText(std::string_view text) = 0;
    virtual void resetToDefault() = 0;

    void setHost(ParameterHost* host) noexcept { host_.store(host); }
    ParameterHost* host() const noexcept { return host_.load(); }

    // Writes the current value into parameters.xml (through the host; nothing without one).
    void save() const;
    // Copies the current value into the settings snapshot (through the host).
    void publish() const;

private:
    std::string name_;
    bool persisted_;
    std::atomic<ParameterHost*> host_{nullptr};
};

// A 32-bit integer as parameters.xml stores it: blanks, tabs, CR and LF around it are ignored,
// one leading "+" is dropped, and the whole rest must be a decimal number that fits in 32 bits
// ("+-5" is -5; "++5" is no number).
std::optional<std::int32_t> gf_parseParameterInt(std::string_view text) noexcept;
// A flag as parameters.xml stores it: "true" or "false" in any letter case, or "1" or "0",
// blanks around it ignored.
std::optional<bool> gf_parseParameterBool(std::string_view text) noexcept;

class IntParameter : public Parameter {
public:
    // current = default; a default outside [minimum, maximum] is a programming error and
    // throws std::invalid_argument.
    IntParameter(std::string name, std::int32_t defaultValue, std::int32_t minimum,
                 std::int32_t maximum);

    std::int32_t value() const noexcept { return value_.load(); }
    std::int32_t defaultValue() const noexcept { return default_; }
    std::int32_t minimum() const noexcept { return minimum_; }
    std::int32_t maximum() const noexcept { return maximum_; }
    std::int32_t clamp(std::int64_t value) const noexcept;

    // Clamps to [minimum, maximum], assigns and saves.
    void setValue(std::int64_t value);
    // Clamps and assigns, in memory only (an airport's overrides, a value about to be saved
    // together with others).
    void assign(std::int64_t value) noexcept;

    std::string valueText() const override;
    std::string defaultText() const override;
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override { value_.store(default_); }

private:
    std::int32_t default_;
    std::int32_t minimum_;
    std::int32_t maximum_;
    std::atomic<std::int32_t> value_;
};

class BoolParameter : public Parameter {
public:
    BoolParameter(std::string name, bool defaultValue);

    bool value() const noexcept { return value_.load(); }
    bool defaultValue() const noexcept { return default_; }
    // Assigns and saves.
    void setValue(bool value);
    // Assigns in memory only.
    void assign(bool value) noexcept { value_.store(value); }

    std::string valueText() const override;
    std::string defaultText() const override;
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override { value_.store(default_); }

private:
    bool default_;
    std::atomic<bool> value_;
};

class StringParameter : public Parameter {
public:
    StringParameter(std::string name, std::string defaultValue, bool persisted = true);

    std::string value() const;
    const std::string& defaultValue() const noexcept { return default_; }
    bool empty() const;
    // Assigns and saves.
    void setValue(std::string_view text);
    // Assigns in memory only.
    void assign(std::string_view text);

    std::string valueText() const override { return value(); }
    std::string defaultText() const override { return default_; }
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override { assign(default_); }

private:
    std::string default_;
    std::atomic<std::shared_ptr<const std::string>> value_;
};

// A folder or file; stored as UTF-8 text. The default is the empty path (not known).
class PathParameter : public Parameter {
public:
    explicit PathParameter(std::string name);

    std::filesystem::path value() const;
    bool empty() const;
    // Assigns and saves.
    void setValue(const std::filesystem::path& path);
    // Assigns in memory only.
    void assign(const std::filesystem::path& path);

    std::string valueText() const override;
    std::string defaultText() const override { return {}; }
    LoadOutcome loadText(std::string_view text) override;
    void resetToDefault() override { assign({}); }

private:
    std::atomic<std::shared_ptr<const std::filesystem::path>> value_;
};

// The parameter's name and value as a text for the log: "{:24}: {}".
std::string gf_formatParameter(const Parameter& parameter);
std::string gf_formatBoolParameter(const BoolParameter& parameter);
std::string gf_formatIntParameter(const IntParameter& parameter);
std::string gf_formatStringParameter(const StringParameter& parameter);

} // namespace skyloom
