// The parameters.xml store: the file in the program's Roaming AppData folder that keeps the
// settings as `parameter` elements with `name` and `value` under `root/parameters`. It is read
// at start; a missing file or section is recreated with default values; a file that is not
// well-formed is kept as parameters0.xml and recreated; values that are out of range or
// unusable are corrected and written back. Every later change is written at once under the
// one parameters-file mutex with the safe save (".tmp", re-read, ".bak", replace). A file
// that could not be read (nor kept and recreated) is never written over. Also the lookups
// that read single parameters straight from a parsed document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace skyloom {

class Parameter;

inline constexpr std::string_view kParametersFileName = "parameters.xml";

// What loading parameters.xml found and did.
struct ParametersLoadReport {
    bool fileMissing = false;
    // Not well-formed XML, or not our layout; kept as parameters0.xml.
    bool fileMalformed = false;
    bool keptAsGeneration = false;
    bool sectionMissing = false;
    // Parameters whose element was missing and was added with the default value.
    int added = 0;
    // Parameters whose stored value was clamped, respelt or replaced by the default.
    int corrected = 0;
    // The file was written back (recreated or corrected).
    bool saved = false;
    // Values saved before this first load, taken over the file's.
    int pendingApplied = 0;
    // Empty when nothing went wrong; otherwise what did (the settings are then the defaults
    // or what could be read, in memory).
    std::string error;
};

class ParametersStore {
public:
    ParametersStore() = default;
    ParametersStore(const ParametersStore&) = delete;
    ParametersStore& operator=(const ParametersStore&) = delete;

    // Reads `file` into the parameters (those not persisted are passed over). Creates the
    // file's folder when it is missing. Each parameter is given the file's value directly
    // (the default only where the file has none), so that a reload never shows defaults in
    // between. Values saved before the first load win over the file's and are written into
    // it. Afterwards `save` writes into this file, unless it could neither be read nor kept
    // as parameters0.xml and made afresh: then the parameters hold their defaults and the file
    // is left as it is for the rest of the run.
    ParametersLoadReport load(const std::filesystem::path& file,
                              std::span<Parameter* const> parameters);

    // Writes the parameter's current value, read under the file mutex so that the file ends
    // with the last value set, into its element (appended when missing) and saves the file
    // safely. Before the first load the value is kept and written by that load. False when the
    // file was not written: before the first load, when the file is left alone (important
    // log line) or when saving failed (important log line).
    bool save(const Parameter& parameter);

    // The file being kept; empty before the first load.
    std::filesystem::path path() const;
    // True when changes are written into the file: it was read, or made afresh.
    bool writable() const;

private:
    enum class FileState {
        notRead,  // before the first load: saves are kept for it
        writable, // read or made afresh
        leftAlone // could not be read, nor kept and made afresh: never written
    };
    using LogLines = std::vector<std::pair<bool, std::string>>;

    ParametersLoadReport loadLocked(const std::filesystem::path& file,
                                    std::span<Parameter* const> parameters, LogLines& log);
    bool saveLocked(LogLines& log);

    mutable std::mutex mutex_;
    std::filesystem::path path_;
    pugi::xml_document document_;
    FileState state_ = FileState::notRead;
    // Values (name, text) saved before the first load, in the order saved.
    std::vector<std::pair<std::string, std::string>> pending_;
};

// The program's store (its file: gf_parametersPath()).
ParametersStore& gf_parametersStore();

// The `parameters` element of a document: the child of `root` when the document has a
// `root`, else of the document itself; a null node when there is none.
pugi::xml_node gf_findParametersSection(const pugi::xml_document& document);

// The first `parameter` of the section whose `name` equals the name exactly, as an integer:
// blanks, tabs, CR and LF trimmed, one leading "+" dropped, the whole rest a decimal number
// that fits in 32 bits; no value otherwise or when there is no such element.
std::optional<std::int32_t> gf_findXmlParameter(const pugi::xml_document& document,
                                                std::string_view name);
// The same lookup; the value as text.
std::optional<std::string> gf_findXmlParameterValue(const pugi::xml_document& document,
                                                    std::string_view name);
// The same lookup; the value as a flag ("true"/"false" in any case, "1"/"0").
std::optional<bool> gf_findXmlParameterBool(const pugi::xml_document& document,
                                            std::string_view name);

// Appends an attribute with the UTF-8 text; false on failure.
bool gf_appendXmlAttribute(pugi::xml_node node, std::string_view name, std::string_view text);
// Appends <parameter name="..." value="true|false"/>; false on failure.
bool gf_appendXmlParameter(pugi::xml_node node, std::string_view name, bool value);

} // namespace skyloom
