#include "liveries/liveries_scanned_file.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/program_paths.h"
#include "foundation/file_header.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml.h"
#include "liveries/installed_liveries.h"
#include "platform/os/file_replace.h"
#include "refdata/code_table.h"

namespace skyloom {
namespace {

constexpr const char* kRootName = "root";
constexpr const char* kLiveriesName = "liveries";
constexpr const char* kLiveryName = "l";

// Fills one `l` element; false when an attribute cannot be added.
bool lf_writeLivery(pugi::xml_node node, const LiveryRecord& record) {
    bool ok = gf_setXmlAttribute(node, "a", gf_airlineCode(record.key.airline));
    if (record.key.operatorId != 0) {
        ok = gf_setXmlAttribute(node, "o", gf_airlineCode(record.key.operatorId)) && ok;
    }
    ok = gf_setXmlAttribute(node, "m", gf_modelCode(record.key.model)) && ok;
    if (record.key.cargo != 0) {
        pugi::xml_attribute cargo = node.append_attribute("c");
        ok = cargo && cargo.set_value(true) && ok;
    }
    ok = gf_setXmlAttribute(node, "t", record.title) && ok;
    if (!record.regcode.empty()) {
        ok = gf_setXmlAttribute(node, "r", record.regcode) && ok;
    }
    return ok;
}

// Builds the document of the records; false, the reason logged, when it cannot.
bool lf_buildDocument(pugi::xml_document& document, std::span<const LiveryRecord> records,
                      SimChoice simulator) {
    if (!gf_writeFileHeader(document, gf_makeFileHeader(static_cast<int>(simulator)))) {
        LogFile::write("Cannot write liveries scanned: failed to add metadata");
        return false;
    }
    pugi::xml_node root = document.child(kRootName);
    if (!root) {
        LogFile::write("Cannot write liveries scanned: XML root missing");
        return false;
    }
    pugi::xml_node liveries = root.append_child(kLiveriesName);
    if (!liveries) {
        LogFile::write("Cannot write liveries scanned: failed to add Liveries node");
        return false;
    }
    for (const LiveryRecord& record : records) {
        pugi::xml_node node = liveries.append_child(kLiveryName);
        if (!node) {
            LogFile::write("Cannot write liveries scanned: failed to add Livery node");
            return false;
        }
        if (!lf_writeLivery(node, record)) {
            LogFile::write("Cannot write liveries scanned: failed to add Livery attributes");
            return false;
        }
    }
    return true;
}

std::filesystem::path lf_temporaryPath(const std::filesystem::path& target) {
    std::filesystem::path temporary = target;
    temporary += kLiveriesScanTempSuffix;
    return temporary;
}

// The text of a required attribute; throws 999 when it is missing.
std::string lf_requiredAttribute(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) {
        throw UserRelatedException(
            kLiveriesFileMissingField,
            fmt::format("Missing required attribute '{}' in <{}>", name, node.name()));
    }
    return attribute.as_string();
}

} // namespace

std::filesystem::path gf_liveriesScannedPath() {
    return gf_liveriesScannedFilePath(gf_isMsfs2020());
}

bool gf_writeLiveriesScanned(std::span<const LiveryRecord> records) {
    return gf_writeLiveriesScanned(records, gf_liveriesScannedPath(),
                                   gf_isMsfs2020() ? SimChoice::msfs2020 : SimChoice::msfs2024);
}

bool gf_writeLiveriesScanned(std::span<const LiveryRecord> records,
                             const std::filesystem::path& target, SimChoice simulator) {
    if (records.empty()) {
        return false;
    }
    pugi::xml_document document;
    if (!lf_buildDocument(document, records, simulator)) {
        return false;
    }

    const std::filesystem::path temporary = lf_temporaryPath(target);
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    // A path through something that is no folder holds no stale file either; the save below
    // then says what is wrong.
    if (ec && ec != std::errc::not_a_directory) {
        LogFile::writeImportant(fmt::format("Cannot remove stale temporary livery scan file {}: {}",
                                            gf_pathToUtf8(temporary), ec.message()));
        return false;
    }
    // The output folder is made at start-up; one removed since then is made again, and one that
    // cannot be made shows as a temporary file that cannot be written.
    if (!target.parent_path().empty()) {
        std::filesystem::create_directories(target.parent_path(), ec);
    }
    // From here on the temporary file goes with every way out; after the commit there is none.
    TempFileGuard guard(temporary);
    if (!gf_saveXml(document, temporary)) {
        LogFile::writeImportant(
            fmt::format("Cannot write temporary livery scan file {}", gf_pathToUtf8(temporary)));
        return false;
    }
    if (!gf_validateLiveriesScanned(temporary, records.size())) {
        LogFile::writeImportant(fmt::format("Temporary livery scan file {} failed validation",
                                            gf_pathToUtf8(temporary)));
        return false;
    }
    if (!gf_commitLiveriesScanned(temporary, target)) {
        return false;
    }
    guard.release();
    LogFile::write(fmt::format("{} liveries in {}", records.size(), gf_pathToUtf8(target)));
    return true;
}

bool gf_validateLiveriesScanned(const std::filesystem::path& path, std::size_t expectedCount) {
    pugi::xml_document document;
    if (!gf_loadXmlFile(document, path)) {
        return false;
    }
    const pugi::xml_node liveries = document.child(kRootName).child(kLiveriesName);
    if (!liveries) {
        return false;
    }
    std::size_t count = 0;
    for (const pugi::xml_node& node : liveries.children(kLiveryName)) {
        if (!node.attribute("a") || !node.attribute("m") || !node.attribute("t")) {
            return false;
        }
        ++count;
    }
    return count == expectedCount;
}

bool gf_commitLiveriesScanned(const std::filesystem::path& temporary,
                              const std::filesystem::path& target) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(target, ec);
    if (ec && status.type() != std::filesystem::file_type::not_found) {
        LogFile::writeImportant(fmt::format("Cannot inspect {} before replacing it: {}",
                                            gf_pathToUtf8(target), ec.message()));
        return false;
    }
    // A missing target is moved into place, an existing one replaced; both are one rename
    // with the file and its folder synced.
    if (!os::replaceFile(temporary, target, ec)) {
        LogFile::writeImportant(fmt::format("Cannot replace {} after the livery scan: {}",
                                            gf_pathToUtf8(target), ec.message()));
        return false;
    }
    return true;
}

std::vector<LiveryRecord> gf_loadLiveriesScanned(const std::filesystem::path& path) {
    std::vector<LiveryRecord> records;
    records.reserve(kLiveryListReserve);
    const std::string pathText = gf_pathToUtf8(path);

    pugi::xml_document document;
    const pugi::xml_parse_result parsed = gf_loadXmlFile(document, path);
    if (parsed.status == pugi::status_file_not_found || parsed.status == pugi::status_io_error) {
        throw UserRelatedException(kLiveriesFileUnreadable,
                                   fmt::format("Could not open {}", pathText));
    }
    if (!parsed) {
        throw UserRelatedException(
            kLiveriesFileUnreadable,
            fmt::format("Error reading {}: {}", pathText, parsed.description()));
    }
    // Only that the file is one of ours matters; which version wrote it does not.
    gf_checkFileHeader(document, HeaderCheckMode::strict);

    const pugi::xml_node root = document.child(kRootName);
    if (!root) {
        throw UserRelatedException(kLiveriesFileNoSection,
                                   fmt::format("{} does not contain <{}>", pathText, kRootName));
    }
    const pugi::xml_node liveries = root.child(kLiveriesName);
    if (!liveries) {
        throw UserRelatedException(
            kLiveriesFileNoSection,
            fmt::format("{} does not contain a <{}> section", pathText, kLiveriesName));
    }
    for (const pugi::xml_node& node : liveries.children()) {
        if (node.type() != pugi::node_element) {
            continue;
        }
        const std::string airline = lf_requiredAttribute(node, "a");
        const std::string model = lf_requiredAttribute(node, "m");
        std::string title = lf_requiredAttribute(node, "t");
        const std::string operatorCode = node.attribute("o").as_string();
        const bool cargo = node.attribute("c").as_bool(false);
        LiveryKey key{gf_airlineId(airline), gf_airlineId(operatorCode), gf_modelId(model),
                      static_cast<std::uint8_t>(cargo ? 1 : 0), 0};
        records.push_back(LiveryRecord{std::move(title), node.attribute("r").as_string(), key, 0});
    }
    if (records.empty()) {
        throw UserRelatedException(kLiveriesFileEmpty, pathText + " does not contain liveries");
    }
    std::sort(records.begin(), records.end(), gf_liveryLess);
    LogFile::write(fmt::format("{:5} liveries read from {}", records.size(), pathText));
    return records;
}

bool gf_readLiveriesScanned() {
    return gf_readLiveriesScanned(gf_liveriesScannedPath());
}

bool gf_readLiveriesScanned(const std::filesystem::path& path) {
    try {
        gf_replaceInstalledLiveries(gf_loadLiveriesScanned(path));
        return true;
    } catch (const UserRelatedException& e) {
        LogFile::write(e.what());
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("Error reading {}: {}", gf_pathToUtf8(path), e.what()));
    }
    return false;
}

} // namespace skyloom
