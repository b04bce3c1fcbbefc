#include "liveries/ivao_mtl.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "foundation/charset.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "liveries/aircraft_cfg_keys.h"
#include "liveries/fltsim_sections.h"
#include "liveries/model_fixes.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "refdata/registrations.h"

namespace skyloom {
namespace {

// Models whose titles carry a "W" (winglets, a wing variant) between the model code and the
// airline.
constexpr std::array<std::string_view, 5> kWFolders = {
    "IVAO_B738WLfa", "IVAO_B739WLfa", "IVAO_A320wCFM", "IVAO_A320wIAE", "IVAO_A319fIAEw"};

// An airline code in a title is three characters long.
constexpr std::size_t kAirlineCodeChars = 3;

bool lf_contains(std::string_view text, std::string_view part) noexcept {
    return text.find(part) != std::string_view::npos;
}

std::string lf_upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

bool lf_isWordCharacter(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The airline of a title: the model code (any letter case), a "W" in a W-folder, blanks, then
// three letters, digits or '_', which are the airline; the rest of the title may hold anything
// but a line break. Read in one pass: titles come from files and may be of any length.
std::optional<std::string> lf_titleAirline(std::string_view title, std::string_view model,
                                           bool wFolder) {
    if (!gf_startsWithNoCase(title, model)) {
        return std::nullopt;
    }
    std::size_t at = model.size();
    if (wFolder) {
        if (!gf_startsWithNoCase(title.substr(at), "W")) {
            return std::nullopt;
        }
        ++at;
    }
    while (at < title.size() && gf_isCfgBlank(title[at])) {
        ++at;
    }
    const std::string_view airline = title.substr(at, kAirlineCodeChars);
    if (airline.size() < kAirlineCodeChars ||
        !std::all_of(airline.begin(), airline.end(), lf_isWordCharacter) ||
        title.find_first_of("\r\n", at + kAirlineCodeChars) != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(airline);
}

// The model part of the folder of an IVAO aircraft.cfg, from a path with '/' separators:
// "<something>/IVAO_MTL/SimObjects/Airplanes/IVAO_<model>/aircraft.cfg" (or ivao_x-csl in place
// of IVAO_MTL), names compared in any letter case, <model> made of letters, digits and '_'.
std::optional<std::string_view> lf_ivaoFolderModel(std::string_view path) {
    constexpr std::string_view kFile = "/aircraft.cfg";
    constexpr std::string_view kFolderPrefix = "IVAO_";
    constexpr std::array<std::string_view, 2> kPackages = {"/IVAO_MTL/SimObjects/Airplanes/",
                                                           "/ivao_x-csl/SimObjects/Airplanes/"};
    if (path.size() < kFile.size() ||
        !gf_startsWithNoCase(path.substr(path.size() - kFile.size()), kFile)) {
        return std::nullopt;
    }
    const std::string_view folders = path.substr(0, path.size() - kFile.size());
    const std::size_t slash = folders.rfind('/');
    if (slash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view folder = folders.substr(slash + 1);
    const std::string_view model = folder.substr(std::min(folder.size(), kFolderPrefix.size()));
    if (!gf_startsWithNoCase(folder, kFolderPrefix) || model.empty() ||
        !std::all_of(model.begin(), model.end(), lf_isWordCharacter)) {
        return std::nullopt;
    }
    const std::string_view above = folders.substr(0, slash + 1);
    const bool inPackage = std::any_of(kPackages.begin(), kPackages.end(), [&](auto package) {
        if (above.size() <= package.size() ||
            !gf_startsWithNoCase(above.substr(above.size() - package.size()), package)) {
            return false;
        }
        // Something, without line breaks, before the package folder.
        return above.substr(0, above.size() - package.size()).find_first_of("\r\n") ==
               std::string_view::npos;
    });
    if (!inPackage) {
        return std::nullopt;
    }
    return model;
}

// The working state of one IVAO section while its lines are read.
class IvaoSection {
public:
    IvaoSection(LiveryScanState& scan, std::string_view header, std::string_view folder)
        : scan_(scan), header_(header), folder_(folder) {}

    // False when the line rejects the section.
    bool readLine(const std::string& line) {
        if (auto value = gf_getTitle(line)) {
            if (!title_.empty()) {
                report(" has more than one title key");
                return false;
            }
            title_ = gf_trim(*value);
            if (title_.size() != value->size()) {
                LogFile::write(
                    fmt::format("removed spaces around title '{}' --> '{}'", *value, title_));
            }
            return true;
        }
        if (!parkingTypes_.empty()) {
            if (gf_hasAtcParkingTypesKey(line)) {
                report(" has more than one atc_parking_types key");
                return false;
            }
        } else if (auto value = gf_getAtcParkingTypes(line)) {
            gf_splitAndTrim(*value);
            parkingTypes_ = lf_upperCased(std::move(*value));
            return true;
        }
        if (!registration_.empty()) {
            if (gf_hasAtcIdKey(line)) {
                scan_.addIncompleteSection(
                    fmt::format("{}, {}, has more than one atc_id key", folder_, header_));
                return false;
            }
        } else if (auto value = gf_getAtcId(line)) {
            AtcIdValue atcId = gf_readAtcIdValue(*value);
            if (!atcId.valid) {
                scan_.addIncompleteSection(
                    fmt::format("invalid atc_id={} in {}", atcId.text, title_));
            } else {
                registration_ = std::move(atcId.registration);
            }
            return true;
        }
        if (texture_.empty()) {
            if (auto value = gf_getTexture(line)) {
                texture_ = std::move(*value);
            }
        }
        return true;
    }

    LiveryRecord finish(std::uint32_t rank, std::string_view model, bool wFolder,
                        const std::filesystem::path& folder, const std::filesystem::path& path);

private:
    // folder + " " + header + what.
    void report(std::string_view what) {
        std::string line = folder_;
        line += ' ';
        line += header_;
        line += what;
        scan_.addIncompleteSection(std::move(line));
    }

    LiveryScanState& scan_;
    std::string header_;
    std::string folder_;
    std::string title_;
    std::string parkingTypes_;
    std::string registration_;
    std::string texture_;
};

LiveryRecord IvaoSection::finish(std::uint32_t rank, std::string_view model, bool wFolder,
                                 const std::filesystem::path& folder,
                                 const std::filesystem::path& path) {
    // An empty texture value names the folder "texture" itself, as the simulator reads it (a
    // folder named "texture." exists only where the file system drops the trailing dot).
    const std::filesystem::path textureFolder =
        folder / (texture_.empty() ? std::string("texture") : "texture." + texture_);
    std::error_code ec;
    if (!std::filesystem::is_directory(textureFolder, ec)) {
        std::string line = gf_pathToUtf8(textureFolder);
        line += ' ';
        line += header_;
        line += " does not exist";
        scan_.addIncompleteSection(std::move(line));
        return {};
    }
    if (title_.empty()) {
        report(" misses title");
        return {};
    }
    if (scan_.isDontUseTitle(title_)) {
        return {};
    }

    LiveryRecord record;
    if (const auto titleAirline = lf_titleAirline(title_, model, wFolder)) {
        const std::string& airline = *titleAirline;
        if (!gf_isKnownAirline(airline)) {
            gf_addReportLine(scan_, airline, path, header_);
            return {};
        }
        if (airline == "ZZZ") {
            registration_.clear();
        }
        const LiveryKey key{gf_airlineId(airline), 0, gf_modelIdOf(model), 0, 0};
        record = gf_makeLiveryRecord(scan_, rank, key, title_, registration_);
    } else {
        if (registration_.empty()) {
            report(fmt::format(" misses airlinecode in title: {}, and no regcode", title_));
            return {};
        }
        const auto key = gf_findRegistration(registration_);
        if (!key) {
            report(fmt::format(" misses airlinecode in title: {}, and regcode unknown {}", title_,
                               registration_));
            return {};
        }
        record = gf_makeLiveryRecord(scan_, rank, *key, title_, registration_);
    }
    if (record.key.airline == 0 || record.key.model == 0) {
        report(" title already exists: " + title_);
    }
    return record;
}

} // namespace

bool gf_isIVAOAircraftCfg(const std::filesystem::path& path) {
    const std::string text = gf_pathToUtf8(path);
    return lf_contains(text, "ivao_x-csl") || lf_contains(text, "IVAO_MTL");
}

std::vector<LiveryRecord> gf_searchLiveriesinIVAOFile(LiveryScanState& scan, std::uint32_t rank,
                                                      const std::filesystem::path& path) {
    try {
        const std::string model = gf_fixIVAOModel(scan, path);
        if (model.empty()) {
            return {};
        }
        const Charset charset = gf_detectCharset(path);
        if (charset == Charset::none_found) {
            LogFile::writeImportant(
                fmt::format("! No text encoding detected for {}", gf_pathToUtf8(path)));
            return {};
        }
        std::vector<std::string> lines;
        lines.reserve(kIvaoFileLinesReserve);
        if (!gf_readTextFileLines(charset, path, lines)) {
            LogFile::write(fmt::format("! Failed reading {}", gf_pathToUtf8(path)));
            return {};
        }
        if (!gf_checkFltsimNumbers(scan, lines, path)) {
            return {};
        }
        return gf_procesIVAOFltSimSections(scan, rank, lines, model, path);
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("! Exception in lf_searchLiveriesinIVAOFile {}: {}",
                                   gf_pathToUtf8(path), e.what()));
        throw;
    } catch (...) {
        LogFile::write(fmt::format("! Unknown exception in lf_searchLiveriesinIVAOFile {}",
                                   gf_pathToUtf8(path)));
        throw;
    }
}

std::string gf_fixIVAOModel(LiveryScanState& scan, const std::filesystem::path& path) {
    std::string text = gf_pathToUtf8(path);
    std::replace(text.begin(), text.end(), '\\', '/');
    const auto folderModel = lf_ivaoFolderModel(text);
    if (!folderModel) {
        gf_addModelReportLine(scan, "  ", path);
        return {};
    }
    const std::string candidate(folderModel->substr(0, 4));
    return gf_checkAndFixModel(scan, candidate, path);
}

std::vector<LiveryRecord> gf_procesIVAOFltSimSections(LiveryScanState& scan, std::uint32_t rank,
                                                      const std::vector<std::string>& lines,
                                                      std::string_view model,
                                                      const std::filesystem::path& path) {
    std::vector<LiveryRecord> records;
    gf_cutFltSimSections(
        lines, SectionBoundary::bracketAnywhere, [&](std::vector<std::string>& section) {
            LiveryRecord record = gf_procesIVAOFltSimSection(scan, rank, section, model, path);
            if (record.key.airline != 0 && record.key.model != 0) {
                records.push_back(std::move(record));
            }
        });
    return records;
}

LiveryRecord gf_procesIVAOFltSimSection(LiveryScanState& scan, std::uint32_t rank,
                                        std::vector<std::string>& lines, std::string_view model,
                                        const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    const std::string folderText = gf_pathToUtf8(folder);
    const bool wFolder = std::any_of(kWFolders.begin(), kWFolders.end(), [&](std::string_view w) {
        return lf_contains(folderText, w);
    });
    gf_dropTrailingComments(lines);
    if (lines.empty()) {
        return {};
    }
    IvaoSection section(scan, lines.front(), folderText);
    for (const std::string& line : lines) {
        if (!section.readLine(line)) {
            return {};
        }
    }
    return section.finish(rank, model, wFolder, folder, path);
}

} // namespace skyloom
