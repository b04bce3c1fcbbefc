#include "foundation/xml.h"

#include <cerrno>
#include <system_error>

#include <fmt/format.h>

#include "foundation/files.h"
#include "foundation/text.h"
#include "foundation/unsaved_files.h"
#include "platform/os/file_replace.h"

namespace skyloom {

namespace {

// Removes the temporary file when the save leaves early; a committed save has moved it away.
class TempFileRemover {
public:
    explicit TempFileRemover(std::filesystem::path path) : path_(std::move(path)) {}
    ~TempFileRemover() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempFileRemover(const TempFileRemover&) = delete;
    TempFileRemover& operator=(const TempFileRemover&) = delete;

private:
    std::filesystem::path path_;
};

std::filesystem::path lf_withSuffix(const std::filesystem::path& path, const char* suffix) {
    std::filesystem::path result = path;
    result += suffix;
    return result;
}

void lf_ensureDeclaration(pugi::xml_document& document) {
    pugi::xml_node declaration = document.find_child(
        [](const pugi::xml_node& node) { return node.type() == pugi::node_declaration; });
    if (!declaration) {
        declaration = document.prepend_child(pugi::node_declaration);
    } else if (declaration != document.first_child()) {
        // A declaration anywhere but first makes the file unreadable.
        declaration = document.prepend_move(declaration);
    }
    gf_setXmlAttribute(declaration, "version", "1.0");
    gf_setXmlAttribute(declaration, "encoding", "UTF-8");
}

} // namespace

pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& document,
                                      const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        document.reset();
        pugi::xml_parse_result refused;
        refused.status = ec || !std::filesystem::exists(path, ec) ? pugi::status_file_not_found
                                                                  : pugi::status_io_error;
        return refused;
    }
    return document.load_file(path.c_str());
}

std::optional<std::string> gf_xmlAttribute(const pugi::xml_node& node, std::string_view name) {
    const pugi::xml_attribute attribute = node.attribute(std::string(name).c_str());
    if (!attribute) {
        return std::nullopt;
    }
    return std::string(attribute.value());
}

bool gf_setXmlAttribute(pugi::xml_node node, std::string_view name, std::string_view text) {
    if (!node || name.empty()) {
        return false;
    }
    const std::string key(name);
    pugi::xml_attribute attribute = node.attribute(key.c_str());
    if (!attribute) {
        attribute = node.append_attribute(key.c_str());
    }
    return attribute && attribute.set_value(std::string(text).c_str());
}

bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path) {
    lf_ensureDeclaration(document);
    // format_no_declaration: the declaration node written is the one made above.
    return document.save_file(path.c_str(), "  ",
                              pugi::format_default | pugi::format_no_declaration,
                              pugi::encoding_utf8);
}

XmlSaveResult gf_saveXmlSafely(pugi::xml_document& document, const std::filesystem::path& path,
                               const XmlValidator& validator, os::SyncMode sync) {
    const std::filesystem::path temporary = lf_withSuffix(path, ".tmp");
    const std::filesystem::path backup = lf_withSuffix(path, ".bak");
    // A file not saved is noted with the system's reason where there is one.
    const auto failed = [&path](std::string error, std::string reason = {}) {
        gf_noteUnsavedFile(path, reason.empty() ? error : std::move(reason));
        return XmlSaveResult{false, std::move(error)};
    };

    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    if (ec) {
        return failed(
            fmt::format("cannot remove the stale {}: {}", gf_pathToUtf8(temporary), ec.message()),
            ec.message());
    }
    const TempFileRemover remover(temporary);
    errno = 0;
    if (!gf_saveXml(document, temporary)) {
        const int error = errno;
        const std::string reason =
            error != 0 ? std::generic_category().message(error) : std::string();
        return failed(fmt::format("cannot write {}{}{}", gf_pathToUtf8(temporary),
                                  reason.empty() ? "" : ": ", reason),
                      reason);
    }

    pugi::xml_document reread;
    const pugi::xml_parse_result parsed = gf_loadXmlFile(reread, temporary);
    if (!parsed) {
        return failed(fmt::format("{} is not well-formed: {} at offset {}",
                                  gf_pathToUtf8(temporary), parsed.description(), parsed.offset));
    }
    if (validator) {
        if (const auto problem = validator(reread)) {
            return failed(
                fmt::format("{} failed validation: {}", gf_pathToUtf8(temporary), *problem));
        }
    }

    const bool exists = std::filesystem::exists(path, ec);
    if (ec) {
        return failed(fmt::format("cannot inspect {}: {}", gf_pathToUtf8(path), ec.message()),
                      ec.message());
    }
    if (exists) {
        // Beside the backup first: a save killed while it copies leaves the old backup whole.
        if (!gf_copyFileWhole(path, backup, ec)) {
            return failed(fmt::format("cannot keep {} as {}: {}", gf_pathToUtf8(path),
                                      gf_pathToUtf8(backup), ec.message()),
                          ec.message());
        }
    }
    if (!os::replaceFile(temporary, path, ec, sync)) {
        return failed(fmt::format("cannot replace {} with {}: {}", gf_pathToUtf8(path),
                                  gf_pathToUtf8(temporary), ec.message()),
                      ec.message());
    }
    gf_noteSavedFile(path);
    return XmlSaveResult{true, {}};
}

} // namespace skyloom
