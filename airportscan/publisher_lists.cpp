#include "airportscan/publisher_lists.h"

#include <algorithm>
#include <stdexcept>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "config/program_paths.h"
#include "foundation/encrypted_file.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/user_related_exception.h"
#include "foundation/xml.h"
#include "liveries/aircraft_cfg_keys.h"
#include "refdata/data_set.h"

namespace skyloom {
namespace {

std::string lf_lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

const char* lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

// The name occurs in the text, ASCII letters compared in any case; an empty name never does.
bool lf_publisherMatches(std::string_view text, std::string_view name) {
    return !name.empty() && gf_containsNoCase(text, name);
}

void lf_readPublisherGroups(PublisherLists& lists, const pugi::xml_node& root) {
    std::vector<std::string> values;
    for (const pugi::xml_node pub : root.child("publishers").children("pub")) {
        values.emplace_back(pub.attribute("pn").as_string());
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    for (const std::string& value : values) {
        std::vector<std::string> names = gf_splitComma(value);
        if (!names.empty()) {
            lists.publishers.push_back(std::move(names));
        }
    }
}

void lf_addBuiltinRejectedPublisher(PublisherLists& lists) {
    lists.rejected.emplace(kBuiltinRejectedPublisher);
}

void lf_readRejectedPublishers(PublisherLists& lists, const pugi::xml_node& root) {
    lists.rejected.clear();
    const pugi::xml_node section = root.child("rejectedpublishers");
    if (!section) {
        lf_addBuiltinRejectedPublisher(lists);
        return;
    }
    for (const pugi::xml_node rp : section.children("rp")) {
        for (const std::string& value : gf_splitComma(rp.attribute("n").as_string())) {
            lists.rejected.insert(lf_lowerAscii(value));
        }
    }
}

void lf_readSimaddonSection(PublisherLists& lists, const pugi::xml_document& document,
                            const char* sectionName, const char* elementName) {
    const pugi::xml_node root = document.child("root");
    if (!root) {
        throw UserRelatedException(kArchivesSectionMissingCode, "XML root missing: root");
    }
    const pugi::xml_node section = root.child(sectionName);
    if (!section) {
        throw UserRelatedException(kArchivesSectionMissingCode,
                                   std::string("Missing section: ") + sectionName);
    }
    for (const pugi::xml_node element : section.children(elementName)) {
        for (std::string& code : gf_splitComma(element.attribute("aps").as_string())) {
            lists.simaddons.insert(std::move(code));
        }
    }
}

void lf_readPublisherSection(PublisherLists& lists, const pugi::xml_document& document,
                             const char* sectionName, const char* elementName) {
    const pugi::xml_node section = document.child("root").child(sectionName);
    for (const pugi::xml_node element : section.children(elementName)) {
        ThirdpartySection record;
        record.publisher = element.attribute("pub").as_string();
        for (std::string& file : gf_splitComma(element.attribute("aps").as_string())) {
            record.entries.push_back(ThirdpartyEntry{std::move(file), {}});
        }
        for (const pugi::xml_node ap : element.children("ap")) {
            const std::string_view file = ap.attribute("f").as_string();
            const std::string_view version = ap.attribute("v").as_string();
            if (file.empty() || version.empty()) {
                continue;
            }
            const auto entry =
                std::find_if(record.entries.begin(), record.entries.end(),
                             [&](const ThirdpartyEntry& e) { return e.file == file; });
            if (entry != record.entries.end()) {
                entry->version = version;
            }
        }
        lists.thirdparties.push_back(std::move(record));
    }
}

// The archives file of the folder: the encrypted form, else the plain one; the encrypted
// path (for the message) when neither is there.
std::filesystem::path lf_archivesPath(const std::filesystem::path& folder, bool& exists) {
    const auto found = gf_findDataSet(folder, kArchivesDataSetName);
    exists = found.has_value();
    return found ? *found
                 : folder / (std::string(kArchivesDataSetName) +
                             std::string(kDataSetEncryptedExtension));
}

pugi::xml_parse_result lf_loadArchives(const std::filesystem::path& path, SecureBuffer& plaintext,
                                       pugi::xml_document& document) {
    if (path.extension() != kDataSetEncryptedExtension) {
        const auto size = std::filesystem::file_size(path);
        if (size > kArchivesMaxBytes) {
            throw std::runtime_error(fmt::format("{} is larger than {} bytes",
                                                 gf_pathToUtf8(path), kArchivesMaxBytes));
        }
        return gf_loadXmlFile(document, path);
    }
    EncryptedFileResult decrypted = gf_readEncryptedFile(path, kArchivesMaxBytes);
    if (!decrypted.ok) {
        throw std::runtime_error(decrypted.error);
    }
    plaintext = std::move(decrypted.plaintext);
    // Parsed in place, so the plaintext stays in guarded memory only.
    return document.load_buffer_inplace(plaintext.data(), plaintext.size());
}

} // namespace

void PublisherLists::clear() {
    publishers.clear();
    publishers.reserve(kPublisherGroupsReserved);
    rejected.clear();
    simaddons.clear();
    thirdparties.clear();
}

PublisherLists& gf_publisherLists() {
    static PublisherLists lists;
    return lists;
}

bool gf_readPublishers(PublisherLists& lists, bool isMsfs2020) {
    return gf_readPublishers(lists, isMsfs2020, gf_inputFolder());
}

bool gf_readPublishers(PublisherLists& lists, bool isMsfs2020,
                       const std::filesystem::path& folder) {
    lists.clear();
    bool exists = false;
    const std::filesystem::path path = lf_archivesPath(folder, exists);
    const std::string pathText = gf_pathToUtf8(path);
    if (!exists) {
        throw std::runtime_error(fmt::format("{} not available", pathText));
    }
    SecureBuffer plaintext;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = lf_loadArchives(path, plaintext, document);
    if (!parsed) {
        LogFile::writeImportant(
            fmt::format("{} not read because: {}", pathText, parsed.description()));
        return false;
    }
    const pugi::xml_node root = document.child("root");
    if (!root) {
        LogFile::writeImportant(fmt::format("'{}' has no root node", pathText));
        return false;
    }
    lf_readPublisherGroups(lists, root);
    lf_readRejectedPublishers(lists, root);
    LogFile::write(fmt::format("{:5} publisher{}", lists.publishers.size(),
                               lf_plural(lists.publishers.size())));
    LogFile::write(fmt::format("{:5} rejected manifest publisher value{}", lists.rejected.size(),
                               lf_plural(lists.rejected.size())));
    if (isMsfs2020) {
        lf_readSimaddonSection(lists, document, "simaddons20", "s20");
        lf_readPublisherSection(lists, document, "thirdparties20", "t20");
    } else {
        lf_readSimaddonSection(lists, document, "simaddons24", "s24");
        lf_readPublisherSection(lists, document, "thirdparties24", "t24");
    }
    return true;
}

KnownPublisher gf_isKnownPublisher(const PublisherLists& lists, std::string_view text) {
    if (text.empty()) {
        return {PublisherLookup::emptyText, {}};
    }
    for (const std::vector<std::string>& group : lists.publishers) {
        for (const std::string& name : group) {
            if ((!name.empty() && text.find(name) != std::string_view::npos) ||
                lf_publisherMatches(text, name)) {
                return {PublisherLookup::found, group.front()};
            }
        }
    }
    return {PublisherLookup::notFound, {}};
}

bool gf_isRejectedPublisher(const PublisherLists& lists, std::string_view value) {
    const std::string key = lf_lowerAscii(gf_trim(value));
    return !key.empty() && lists.rejected.contains(key);
}

} // namespace skyloom
