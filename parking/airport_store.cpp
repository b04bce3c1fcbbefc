#include "parking/airport_store.h"

#include <system_error>
#include <vector>

#include "config/program_paths.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "parking/archive_path.h"
#include "refdata/airports.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr std::size_t kMinLinkTargetChars = 4;

std::string lf_trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return std::string(text.substr(first, last - first + 1));
}

bool lf_hasExtension(const fs::path& path, std::string_view extension) {
    return gf_equalsIgnoringCase(path.extension().string(), extension);
}

bool lf_isAirportFileName(const fs::path& path) {
    return lf_hasExtension(path, ".xml") || lf_hasExtension(path, ".enc");
}

bool lf_exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

fs::path lf_withIcao(const IcaoCode& icao, std::string_view extension) {
    return fs::path(icao.text() + std::string(extension));
}

std::optional<fs::path> lf_findAirportFileIn(const IcaoCode& icao, const fs::path& folder) {
    if (std::optional<fs::path> target = gf_readAirportLink(folder / gf_apfTxtPath(icao))) {
        return target;
    }
    fs::path xml = folder / gf_apfXmlPath(icao);
    if (lf_exists(xml)) {
        return xml;
    }
    return std::nullopt;
}

// The source's elements relative to the working folder when it lies under it, else as given.
std::vector<std::string> lf_storeElements(const fs::path& normalised) {
    fs::path relative = normalised;
    if (normalised.is_absolute()) {
        const fs::path work = gf_workingFolder().lexically_normal();
        const fs::path inside = normalised.lexically_relative(work);
        if (!inside.empty() && *inside.begin() != "..") {
            relative = inside;
        }
    }
    std::vector<std::string> elements;
    for (const fs::path& element : relative) {
        elements.push_back(element.string());
    }
    return elements;
}

std::optional<fs::path> lf_learnedIn(const fs::path& folder, const std::string& file) {
    return gf_airportsFolder() / kLearnedFolderName / folder / file;
}

std::optional<fs::path> lf_learnedThirdparty(std::string_view publisher, const std::string& file) {
    const std::string safe = gf_safePublisherName(publisher);
    if (safe.empty()) {
        return std::nullopt;
    }
    return lf_learnedIn(fs::path("thirdparty") / fs::u8path(safe), file);
}

} // namespace

fs::path gf_apfXmlPath(const IcaoCode& icao) {
    return lf_withIcao(icao, ".xml");
}

fs::path gf_apfEncPath(const IcaoCode& icao) {
    return lf_withIcao(icao, ".enc");
}

fs::path gf_apfTxtPath(const IcaoCode& icao) {
    return lf_withIcao(icao, ".txt");
}

fs::path gf_myThirdpartyFolder() {
    return gf_airportsFolder() / kMyThirdpartyFolderName;
}

fs::path gf_mySimaddonFolder() {
    return gf_airportsFolder() / kMySimaddonFolderName;
}

std::optional<fs::path> gf_readAirportLink(const fs::path& linkFile) {
    if (!lf_exists(linkFile)) {
        return std::nullopt;
    }
    const LinesFileResult read = LinesFile::readLines(linkFile);
    if (!read.ok || read.lines.empty()) {
        return std::nullopt;
    }
    const std::string target = lf_trim(read.lines.front());
    if (target.size() < kMinLinkTargetChars || !lf_isAirportFileName(fs::u8path(target))) {
        return std::nullopt;
    }
    return fs::u8path(target);
}

bool gf_airportFileExists(const IcaoCode& icao) {
    for (const fs::path& folder : {gf_myThirdpartyFolder(), gf_mySimaddonFolder()}) {
        if (lf_exists(folder / gf_apfXmlPath(icao)) || lf_exists(folder / gf_apfTxtPath(icao))) {
            return true;
        }
    }
    return gf_airportKnown(icao);
}

std::optional<fs::path> gf_findAirportFile(const IcaoCode& icao) {
    for (const fs::path& folder : {gf_myThirdpartyFolder(), gf_mySimaddonFolder()}) {
        if (std::optional<fs::path> found = lf_findAirportFileIn(icao, folder)) {
            return found;
        }
    }
    if (gf_airportKnown(icao)) {
        return fs::path(kArchiveFolderName) / "stock" / gf_apfEncPath(icao);
    }
    return std::nullopt;
}

std::string gf_safePublisherName(std::string_view publisher) {
    constexpr std::string_view kUnsafe = "<>:\"/\\|?*";
    std::string safe(publisher);
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 || kUnsafe.find(c) != std::string_view::npos) {
            c = ' ';
        }
    }
    safe = lf_trim(safe);
    return safe == "." || safe == ".." ? std::string() : safe;
}

std::optional<fs::path> gf_makeLearnedPath(const fs::path& source, std::string_view publisher) {
    if (source.empty()) {
        return std::nullopt;
    }
    const fs::path normalised = source.lexically_normal();
    if (!lf_isAirportFileName(normalised)) {
        return std::nullopt;
    }
    const std::vector<std::string> e = lf_storeElements(normalised);
    fs::path name(e.back());
    if (lf_hasExtension(name, ".enc")) {
        name.replace_extension(".xml");
    }
    const std::string file = name.string();
    if (e.size() == 3 && e[0] == kArchiveFolderName) {
        if (e[1] == "stock" || e[1] == "simaddon") {
            return lf_learnedIn(e[1], file);
        }
    } else if (e.size() == 4 && e[0] == kArchiveFolderName && e[1] == "thirdparty") {
        return lf_learnedThirdparty(gf_percentDecode(e[2]), file);
    } else if (e.size() == 3 && e[0] == kAirportsFolderName) {
        if (e[1] == "stock" || e[1] == kMySimaddonFolderName) {
            return lf_learnedIn(e[1], file);
        }
        if (e[1] == kMyThirdpartyFolderName || e[1] == kMyThirdparty2024FolderName) {
            return lf_learnedThirdparty(publisher, file);
        }
    }
    return std::nullopt;
}

} // namespace skyloom
