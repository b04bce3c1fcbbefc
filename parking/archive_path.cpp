#include "parking/archive_path.h"

#include <vector>

#include "foundation/text.h"

namespace skyloom {

namespace {

int lf_hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool lf_isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string gf_percentDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = lf_hexValue(text[i + 1]);
            const int low = lf_hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                decoded.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        decoded.push_back(text[i]);
    }
    return decoded;
}

std::optional<ArchivePathInfo> gf_parseArchivePath(const std::filesystem::path& path) {
    std::vector<std::string> elements;
    for (const std::filesystem::path& element : path) {
        elements.push_back(element.string());
    }
    if (elements.size() < 3 || !gf_equalsIgnoringCase(elements[0], "archive")) {
        return std::nullopt;
    }
    ArchivePathInfo info;
    std::size_t fileIndex = 2;
    if (gf_equalsIgnoringCase(elements[1], "stock")) {
        info.publisher = "stock";
    } else if (gf_equalsIgnoringCase(elements[1], "simaddon")) {
        info.publisher = "simaddon";
    } else if (gf_equalsIgnoringCase(elements[1], "thirdparty") && elements.size() >= 4) {
        info.publisher = gf_percentDecode(elements[2]);
        fileIndex = 3;
    } else {
        return std::nullopt;
    }
    if (elements.size() != fileIndex + 1) {
        return std::nullopt;
    }
    const std::filesystem::path file(elements[fileIndex]);
    const std::string extension = file.extension().string();
    if (!gf_equalsIgnoringCase(extension, ".xml") && !gf_equalsIgnoringCase(extension, ".enc")) {
        return std::nullopt;
    }
    const std::string stem = file.stem().string();
    if (stem.size() < IcaoCode::kLength) {
        return std::nullopt;
    }
    const std::optional<IcaoCode> icao = IcaoCode::parse(stem.substr(0, IcaoCode::kLength));
    if (!icao) {
        return std::nullopt;
    }
    info.icao = *icao;
    for (std::size_t i = IcaoCode::kLength; i < stem.size(); ++i) {
        if (!lf_isDigit(stem[i])) {
            return std::nullopt;
        }
        info.version.push_back(stem[i]);
    }
    return info;
}

} // namespace skyloom
