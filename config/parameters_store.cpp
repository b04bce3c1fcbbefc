#include "config/parameters_store.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "config/parameter.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/xml.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

constexpr const char* kRootElement = "root";
constexpr const char* kSectionElement = "parameters";
constexpr const char* kParameterElement = "parameter";
constexpr const char* kNameAttribute = "name";
constexpr const char* kValueAttribute = "value";

pugi::xml_node lf_findParameterElement(pugi::xml_node section, std::string_view name) {
    const std::string key(name);
    return section.find_child_by_attribute(kParameterElement, kNameAttribute, key.c_str());
}

// The section to write into, made (with `root` around it) when the document has none.
pugi::xml_node lf_sectionForWriting(pugi::xml_document& document) {
    if (pugi::xml_node section = gf_findParametersSection(document)) {
        return section;
    }
    pugi::xml_node root = document.child(kRootElement);
    if (!root) {
        root = document.append_child(kRootElement);
    }
    return root.append_child(kSectionElement);
}

bool lf_writeValue(pugi::xml_node section, const Parameter& parameter, const std::string& text) {
    pugi::xml_node element = lf_findParameterElement(section, parameter.name());
    if (!element) {
        element = section.append_child(kParameterElement);
        if (!element || !gf_setXmlAttribute(element, kNameAttribute, parameter.name())) {
            return false;
        }
    }
    return gf_setXmlAttribute(element, kValueAttribute, text);
}

// A re-read parameters.xml must still hold its section.
std::optional<std::string> lf_validateSavedFile(const pugi::xml_document& document) {
    if (!gf_findParametersSection(document)) {
        return std::string("no parameters section");
    }
    return std::nullopt;
}

using LogLines = std::vector<std::pair<bool, std::string>>;

// Log lines gathered under the file mutex are written once it is released: no code holds the
// parameters-file mutex and the log's at once.
void lf_writeLog(const LogLines& lines) {
    for (const auto& [important, text] : lines) {
        if (important) {
            LogFile::writeImportant(text);
        } else {
            LogFile::write(text);
        }
    }
}

Parameter* lf_findPersisted(std::span<Parameter* const> parameters, std::string_view name) {
    for (Parameter* parameter : parameters) {
        if (parameter->persisted() && parameter->name() == name) {
            return parameter;
        }
    }
    return nullptr;
}

// Values saved before the file was read are newer than the file's: they win, in memory and,
// when there is a section to write into, in the file. Returns how many were taken.
int lf_applyPending(const std::vector<std::pair<std::string, std::string>>& pending,
                    std::span<Parameter* const> parameters, pugi::xml_node section, LogLines& log) {
    int applied = 0;
    for (const auto& [name, text] : pending) {
        Parameter* parameter = lf_findPersisted(parameters, name);
        if (parameter == nullptr) {
            log.emplace_back(false, fmt::format("parameter {} saved before {} was read is not "
                                                "kept in it",
                                                name, kParametersFileName));
            continue;
        }
        parameter->loadText(text);
        if (section) {
            lf_writeValue(section, *parameter, parameter->valueText());
        }
        log.emplace_back(false, fmt::format("parameter {}: '{}', set before {} was read, is kept",
                                            name, parameter->valueText(), kParametersFileName));
        ++applied;
    }
    return applied;
}

} // namespace

ParametersLoadReport ParametersStore::load(const fs::path& file,
                                           std::span<Parameter* const> parameters) {
    LogLines log;
    ParametersLoadReport report;
    {
        std::lock_guard lock(mutex_);
        report = loadLocked(file, parameters, log);
    }
    lf_writeLog(log);
    return report;
}

ParametersLoadReport ParametersStore::loadLocked(const fs::path& file,
                                                 std::span<Parameter* const> parameters,
                                                 LogLines& log) {
    ParametersLoadReport report;
    path_ = file;
    document_.reset();
    // Values kept for the first load; a later load (a restart) finds none.
    const std::vector<std::pair<std::string, std::string>> pending = std::exchange(pending_, {});
    state_ = FileState::leftAlone;
    const std::string shownPath = gf_pathToUtf8(file);

    // Why the file cannot be used; it is then neither made afresh nor written over, since
    // nothing is known about what the user has there.
    std::optional<std::string> unusable;
    if (file.empty()) {
        unusable = "parameters.xml has no folder: the AppData folder is not known";
    }
    std::error_code error;
    if (!unusable && !file.parent_path().empty()) {
        fs::create_directories(file.parent_path(), error);
        if (error) {
            unusable = fmt::format("Failed to create directory: {}", error.message());
        }
    }
    bool exists = false;
    if (!unusable) {
        exists = fs::exists(file, error);
        if (error) {
            unusable =
                fmt::format("Could not check whether '{}' exists: {}", shownPath, error.message());
        }
    }

    bool recreate = false;
    if (!unusable && !exists) {
        report.fileMissing = true;
        recreate = true;
        log.emplace_back(false,
                         fmt::format("{} not found, made afresh with default values", shownPath));
    } else if (!unusable) {
        const pugi::xml_parse_result parsed = gf_loadXmlFile(document_, file);
        std::string problem;
        if (!parsed) {
            problem = parsed.description();
        } else if (!gf_findParametersSection(document_)) {
            if (document_.child(kRootElement)) {
                report.sectionMissing = true;
                log.emplace_back(true, fmt::format("{} has no parameters section, made afresh "
                                                   "with default values",
                                                   shownPath));
            } else {
                problem = "no root or parameters element";
            }
        }
        if (!problem.empty()) {
            report.fileMalformed = true;
            // Made afresh only when the user's file is safe in parameters0.xml.
            report.keptAsGeneration = gf_save1GenerationOf(file);
            if (report.keptAsGeneration) {
                recreate = true;
                log.emplace_back(true, fmt::format("{} failed to load ({}), kept as "
                                                   "parameters0.xml and made afresh with default "
                                                   "values",
                                                   shownPath, problem));
            } else {
                unusable = fmt::format("{} failed to load ({}) and could not be kept as "
                                       "parameters0.xml",
                                       shownPath, problem);
            }
        }
    }

    if (unusable) {
        report.error = *unusable;
        log.emplace_back(true, report.error);
        log.emplace_back(true, fmt::format("{} is left as it is: default values are used and "
                                           "changes are not saved",
                                           kParametersFileName));
        document_.reset();
        for (Parameter* parameter : parameters) {
            if (parameter->persisted()) {
                parameter->resetToDefault();
            }
        }
        report.pendingApplied = lf_applyPending(pending, parameters, {}, log);
        return report;
    }
    if (recreate) {
        document_.reset();
    }

    // Each parameter goes straight to the file's value: readers on other threads never see a
    // default that is not meant.
    const pugi::xml_node section = lf_sectionForWriting(document_);
    for (Parameter* parameter : parameters) {
        if (!parameter->persisted()) {
            continue;
        }
        const pugi::xml_node element =
            recreate ? pugi::xml_node() : lf_findParameterElement(section, parameter->name());
        if (!element) {
            parameter->resetToDefault();
            lf_writeValue(section, *parameter, parameter->valueText());
            if (!recreate) {
                ++report.added;
            }
            continue;
        }
        const pugi::xml_attribute value = element.attribute(kValueAttribute);
        const std::string stored = value ? value.value() : "";
        LoadOutcome outcome = LoadOutcome::rejected;
        if (value) {
            outcome = parameter->loadText(stored);
        } else {
            parameter->resetToDefault();
        }
        if (outcome == LoadOutcome::accepted) {
            continue;
        }
        ++report.corrected;
        const std::string now = parameter->valueText();
        log.emplace_back(
            true, fmt::format(
                      "parameter {}: stored value '{}' {}, '{}' is used", parameter->name(), stored,
                      outcome == LoadOutcome::corrected ? "was corrected" : "is not valid", now));
        lf_writeValue(section, *parameter, now);
    }
    report.pendingApplied = lf_applyPending(pending, parameters, section, log);
    state_ = FileState::writable;

    if (recreate || report.sectionMissing || report.added > 0 || report.corrected > 0 ||
        report.pendingApplied > 0) {
        report.saved = saveLocked(log);
        if (!report.saved) {
            report.error = fmt::format("{} could not be saved", shownPath);
        }
    }
    return report;
}

bool ParametersStore::save(const Parameter& parameter) {
    LogLines log;
    bool saved = false;
    {
        std::lock_guard lock(mutex_);
        // Read under the file mutex: of two saves of one parameter, the one that writes last
        // also reads last, so the file never ends with an older value than memory holds.
        const std::string text = parameter.valueText();
        switch (state_) {
        case FileState::notRead: {
            const auto kept = std::find_if(pending_.begin(), pending_.end(), [&](const auto& p) {
                return p.first == parameter.name();
            });
            if (kept != pending_.end()) {
                kept->second = text;
            } else {
                pending_.emplace_back(parameter.name(), text);
            }
            log.emplace_back(false, fmt::format("parameter {} not saved yet: {} has not been "
                                                "read; the value is written when it is",
                                                parameter.name(), kParametersFileName));
            break;
        }
        case FileState::leftAlone:
            log.emplace_back(true, fmt::format("parameter {} not saved: {} could not be read and "
                                               "is left as it is",
                                               parameter.name(), kParametersFileName));
            break;
        case FileState::writable:
            if (lf_writeValue(lf_sectionForWriting(document_), parameter, text)) {
                saved = saveLocked(log);
            } else {
                log.emplace_back(true, fmt::format("parameter {} could not be written into the "
                                                   "document",
                                                   parameter.name()));
            }
            break;
        }
    }
    lf_writeLog(log);
    return saved;
}

bool ParametersStore::saveLocked(LogLines& log) {
    const XmlSaveResult result = gf_saveXmlSafely(document_, path_, lf_validateSavedFile);
    if (!result) {
        log.emplace_back(true,
                         fmt::format("Could not save {}: {}", gf_pathToUtf8(path_), result.error));
    }
    return result.ok;
}

bool ParametersStore::writable() const {
    std::lock_guard lock(mutex_);
    return state_ == FileState::writable;
}

fs::path ParametersStore::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

ParametersStore& gf_parametersStore() {
    static ParametersStore store;
    return store;
}

pugi::xml_node gf_findParametersSection(const pugi::xml_document& document) {
    const pugi::xml_node root = document.child(kRootElement);
    const pugi::xml_node base = root ? root : static_cast<pugi::xml_node>(document);
    return base.child(kSectionElement);
}

std::optional<std::string> gf_findXmlParameterValue(const pugi::xml_document& document,
                                                    std::string_view name) {
    const pugi::xml_node section = gf_findParametersSection(document);
    if (!section) {
        return std::nullopt;
    }
    const pugi::xml_node element = lf_findParameterElement(section, name);
    if (!element) {
        return std::nullopt;
    }
    const pugi::xml_attribute value = element.attribute(kValueAttribute);
    if (!value) {
        return std::nullopt;
    }
    return std::string(value.value());
}

std::optional<std::int32_t> gf_findXmlParameter(const pugi::xml_document& document,
                                                std::string_view name) {
    const std::optional<std::string> text = gf_findXmlParameterValue(document, name);
    return text ? gf_parseParameterInt(*text) : std::nullopt;
}

std::optional<bool> gf_findXmlParameterBool(const pugi::xml_document& document,
                                            std::string_view name) {
    const std::optional<std::string> text = gf_findXmlParameterValue(document, name);
    return text ? gf_parseParameterBool(*text) : std::nullopt;
}

bool gf_appendXmlAttribute(pugi::xml_node node, std::string_view name, std::string_view text) {
    if (!node) {
        return false;
    }
    const std::string key(name);
    pugi::xml_attribute attribute = node.append_attribute(key.c_str());
    return attribute && attribute.set_value(std::string(text).c_str());
}

bool gf_appendXmlParameter(pugi::xml_node node, std::string_view name, bool value) {
    if (!node) {
        return false;
    }
    pugi::xml_node element = node.append_child(kParameterElement);
    return element && gf_appendXmlAttribute(element, kNameAttribute, name) &&
           gf_appendXmlAttribute(element, kValueAttribute, value ? "true" : "false");
}

} // namespace skyloom
