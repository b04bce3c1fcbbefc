// XML helpers on pugixml: attributes as optional texts, saving with the UTF-8 declaration, and
// the safe save that never leaves a half-written or invalid file in place of a good one.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "platform/os/file_replace.h"

namespace skyloom {

// Loads an XML file into `document`. A path that is not a regular file (a folder in its place,
// a device) fails with status_io_error before pugixml sizes a buffer from it.
pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& document,
                                      const std::filesystem::path& path);

// The attribute's value, no value when the node or the attribute is missing.
std::optional<std::string> gf_xmlAttribute(const pugi::xml_node& node, std::string_view name);

// Gives the node the attribute with `text`: an attribute of that name already there gets the
// new text (a duplicate would make the file unreadable), otherwise one is appended. False when
// the node is null or cannot take attributes.
bool gf_setXmlAttribute(pugi::xml_node node, std::string_view name, std::string_view text);

// Makes the document start with the declaration version "1.0" encoding "UTF-8" (adding one
// when missing, correcting one that says otherwise) and saves it as UTF-8 to `path`. False
// when the file cannot be created or written completely.
bool gf_saveXml(pugi::xml_document& document, const std::filesystem::path& path);

// A caller's own check of a saved file, run on the re-read copy: no value when the file is
// good, else the reason it is not.
using XmlValidator = std::function<std::optional<std::string>(const pugi::xml_document&)>;

struct XmlSaveResult {
    bool ok = false;
    // Empty when ok; otherwise why the file was not replaced.
    std::string error;

    explicit operator bool() const { return ok; }
};

// Saves `document` to `path` without ever losing the file that is there:
// 1. saves to path + ".tmp" (a stale one is removed first);
// 2. re-reads that file: it must be well-formed XML, and pass `validator` when one is given;
// 3. copies the file at `path`, when there is one, to path + ".bak", beside it first
//    (gf_copyFileWhole), so that the backup too is always a whole file;
// 4. moves the ".tmp" file over `path` in one step (os::replaceFile), synced as `sync` says
//    (deferred: the caller syncs it with others later, e.g. where a transaction commits).
// When any step fails the file at `path` is as it was, the ".tmp" file is removed, the error
// names the step, and the file is noted as not saved (foundation/unsaved_files.h) until a later
// save of it succeeds. Callers serialise saves of one path (the ".tmp" name is shared).
XmlSaveResult gf_saveXmlSafely(pugi::xml_document& document, const std::filesystem::path& path,
                               const XmlValidator& validator = {},
                               os::SyncMode sync = os::SyncMode::eachFile);

} // namespace skyloom
