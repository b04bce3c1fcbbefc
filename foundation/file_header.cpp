#include "foundation/file_header.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <stdexcept>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "foundation/clock.h"
#include "foundation/xml.h"

namespace skyloom {

namespace {

constexpr const char* kRootName = "root";
constexpr const char* kMetaName = "meta";
constexpr std::string_view kVersionKey = "version";
constexpr std::string_view kSimKey = "sim";
constexpr std::string_view kCopyrightKey = "copyright";
constexpr std::string_view kProgramKey = "program";
constexpr std::string_view kCreatedKey = "created";

std::string lf_utcNowText(const Clock& clock = gf_clock()) {
    const auto now = std::chrono::time_point_cast<std::chrono::seconds>(clock.utcNow());
    return fmt::format("{:%Y-%m-%dT%H:%M:%SZ}",
                       fmt::gmtime(std::chrono::system_clock::to_time_t(now)));
}

std::optional<std::uint32_t> lf_parseNumber(std::string_view text) {
    std::uint32_t value = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> lf_parseSim(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool lf_isSupportedSim(int simulator) {
    return simulator == kHeaderSimMsfs2020 || simulator == kHeaderSimMsfs2024;
}

// The reason the header is not acceptable, or empty; fills `header` as far as it can.
std::string_view lf_checkMeta(const pugi::xml_document& document, FileHeader& header) {
    header.copyright.clear();
    header.program.clear();
    const pugi::xml_node meta = document.child(kRootName).child(kMetaName);
    if (!meta) {
        return kHeaderNoCopyright;
    }
    header.copyright = gf_xmlAttribute(meta, kCopyrightKey).value_or("");
    header.version = gf_xmlAttribute(meta, kVersionKey).value_or("");
    header.program = gf_xmlAttribute(meta, kProgramKey).value_or("");
    header.created = gf_xmlAttribute(meta, kCreatedKey).value_or("");
    const std::optional<std::string> simText = gf_xmlAttribute(meta, kSimKey);
    const std::optional<int> simulator = simText ? lf_parseSim(*simText) : std::nullopt;
    header.simulator = simulator.value_or(0);

    if (header.copyright != kMakerCopyright) {
        return kHeaderNoCopyright;
    }
    if (!gf_parseHeaderVersion(header.version)) {
        return kHeaderInvalidVersion;
    }
    if (!simulator) {
        return kHeaderInvalidSim;
    }
    if (!lf_isSupportedSim(*simulator)) {
        return kHeaderUnsupportedSim;
    }
    return {};
}

} // namespace

FileHeader gf_makeFileHeader(int simulator) {
    return gf_makeFileHeader(simulator, gf_clock());
}

FileHeader gf_makeFileHeader(int simulator, const Clock& clock) {
    FileHeader header;
    header.version = gf_programVersionText();
    header.simulator = simulator;
    header.created = lf_utcNowText(clock);
    return header;
}

bool gf_writeFileHeader(pugi::xml_document& document, const FileHeader& header) {
    if (!gf_parseHeaderVersion(header.version) || !lf_isSupportedSim(header.simulator)) {
        return false;
    }
    const pugi::xml_node top = document.document_element();
    if (top && std::string_view(top.name()) != kRootName) {
        return false;
    }
    pugi::xml_node root = top ? top : document.append_child(kRootName);
    if (!root) {
        return false;
    }
    while (const pugi::xml_node old = root.child(kMetaName)) {
        root.remove_child(old);
    }
    const pugi::xml_node meta = root.prepend_child(kMetaName);
    const std::string created = header.created.empty() ? lf_utcNowText() : header.created;
    const bool written = meta && gf_setXmlAttribute(meta, kVersionKey, header.version) &&
                         gf_setXmlAttribute(meta, kSimKey, fmt::format("{}", header.simulator)) &&
                         gf_setXmlAttribute(meta, kCopyrightKey, header.copyright) &&
                         gf_setXmlAttribute(meta, kProgramKey, header.program) &&
                         gf_setXmlAttribute(meta, kCreatedKey, created);
    if (!written) {
        root.remove_child(meta);
    }
    return written;
}

FileHeaderCheck gf_checkFileHeader(const pugi::xml_document& document, HeaderCheckMode mode) {
    FileHeaderCheck check;
    const std::string_view reason = lf_checkMeta(document, check.header);
    check.accepted = reason.empty();
    check.reason = std::string(reason);
    if (!check.accepted && mode == HeaderCheckMode::strict) {
        throw std::runtime_error(check.reason);
    }
    return check;
}

std::optional<ProgramVersion> gf_parseHeaderVersion(std::string_view text) {
    std::uint32_t parts[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t dot = text.find('.');
        const bool lastPart = i == 2;
        if (lastPart != (dot == std::string_view::npos)) {
            return std::nullopt;
        }
        const auto number = lf_parseNumber(text.substr(0, dot));
        if (!number) {
            return std::nullopt;
        }
        parts[i] = *number;
        text = lastPart ? std::string_view{} : text.substr(dot + 1);
    }
    return ProgramVersion{parts[0], parts[1], parts[2]};
}

} // namespace skyloom
