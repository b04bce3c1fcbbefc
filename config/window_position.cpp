#include "config/window_position.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "config/program_paths.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// The file's text; no value when it cannot be opened or read.
std::optional<std::string> lf_readWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return std::nullopt;
    }
    return std::move(text).str();
}

// A file that is not well-formed goes to parameters0.xml and out of the way, so that the
// store makes it afresh; without a copy it stays, and the store leaves it alone as well.
void lf_setAsideMalformed(const fs::path& file, const std::string& shownPath,
                          const std::string& problem) {
    if (!gf_save1GenerationOf(file)) {
        LogFile::writeImportant(fmt::format("{} failed to load ({}) and could not be kept as "
                                            "parameters0.xml, so it is left where it is",
                                            shownPath, problem));
        return;
    }
    LogFile::writeImportant(
        fmt::format("{} failed to load ({}). Saved as 0.xml and removed.", shownPath, problem));
    std::error_code error;
    fs::remove(file, error);
    if (error) {
        LogFile::writeImportant(
            fmt::format("Could not remove '{}': {}", shownPath, error.message()));
    }
}

// The document, or no value (logged) when there is none to read from.
std::optional<pugi::xml_document> lf_loadDocument(const fs::path& file) {
    if (file.empty()) {
        return std::nullopt;
    }
    const std::string shownPath = gf_pathToUtf8(file);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (!fs::status_known(status)) {
        LogFile::writeImportant(
            fmt::format("Could not check whether '{}' exists: {}", shownPath, error.message()));
        return std::nullopt;
    }
    if (!fs::exists(status)) {
        return std::nullopt;
    }
    const std::optional<std::string> text =
        fs::is_regular_file(status) ? lf_readWholeFile(file) : std::nullopt;
    if (!text) {
        LogFile::writeImportant(fmt::format("{} could not be opened", shownPath));
        return std::nullopt;
    }
    std::optional<pugi::xml_document> document(std::in_place);
    const pugi::xml_parse_result parsed = document->load_buffer(text->data(), text->size());
    if (!parsed) {
        lf_setAsideMalformed(file, shownPath, parsed.description());
        return std::nullopt;
    }
    return document;
}

} // namespace

WindowPosition gf_readWindowPosition(ProgramParameters& parameters, const fs::path& file) {
    IntParameter& x = parameters.MAIN_WINDOW_X;
    IntParameter& y = parameters.MAIN_WINDOW_Y;
    const std::optional<pugi::xml_document> document = lf_loadDocument(file);
    for (IntParameter* coordinate : {&x, &y}) {
        const std::optional<std::int32_t> saved =
            document ? gf_findXmlParameter(*document, coordinate->name()) : std::nullopt;
        coordinate->assign(saved.value_or(coordinate->defaultValue()));
    }
    return {x.value(), y.value()};
}

WindowPosition gf_readWindowPosition() {
    return gf_readWindowPosition(gf_params(), gf_parametersPath());
}

} // namespace skyloom
