#include "liveries/livery_scan_reports.h"

#include <algorithm>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

struct ReportFileEntry {
    std::string_view folder;
    std::string_view name;
};

constexpr std::array<ReportFileEntry, kLiveryReportFileCount> kReportFiles = {{
    {kInfoFolderName, "AircraftCfgWithNoFltsimSection.txt"},
    {kInfoFolderName, "DontUseLiveries.txt"},
    {kErrorsFolderName, "InvalidAirlineCodes.txt"},
    {kErrorsFolderName, "InvalidAircraftCodes.txt"},
    {kErrorsFolderName, "Fixes.txt"},
    {kErrorsFolderName, "InvalidAircraftCfgFiles.txt"},
    {kErrorsFolderName, "IncompleFltsimSections.txt"},
}};

std::string_view lf_plural(std::size_t count) noexcept {
    return count == 1 ? "" : "s";
}

// Through the safe save: a report cut short by a full disk never replaces a whole one.
template <typename Lines> bool lf_writeLines(const Lines& lines, const fs::path& path) {
    std::string text;
    for (const std::string& line : lines) {
        text.append(line);
        text.push_back('\n');
    }
    return gf_writeFile(text, path, false);
}

// A report that could not be written costs the user that report only.
void lf_logWriteFailure(const fs::path& path, std::string_view reason) noexcept {
    try {
        LogFile::writeNoThrow(
            fmt::format("Error writing file {}: {}", gf_pathToUtf8(path), reason));
    } catch (...) {
        // Nothing left to tell it with.
    }
}

void lf_writeAndCount(std::vector<std::string>& lines, const fs::path& path,
                      std::string_view format, bool plural) {
    gf_writeReportFile(lines, path);
    const std::string where = gf_pathToUtf8(path);
    if (plural) {
        LogFile::write(
            fmt::format(fmt::runtime(format), lines.size(), lf_plural(lines.size()), where));
    } else {
        LogFile::write(fmt::format(fmt::runtime(format), lines.size(), where));
    }
}

} // namespace

LiveryReportFileNames gf_liveryReportFileNames(const fs::path& outputFolder) {
    LiveryReportFileNames names;
    for (std::size_t i = 0; i < kLiveryReportFileCount; ++i) {
        names[i] = outputFolder / kReportFiles[i].folder / kReportFiles[i].name;
    }
    return names;
}

LiveryReportFileNames gf_liveryReportFileNames() {
    return gf_liveryReportFileNames(gf_outputFolder());
}

const fs::path& gf_reportPath(const LiveryReportFileNames& names, LiveryReportFile file) noexcept {
    return names[static_cast<std::size_t>(file)];
}

bool gf_writeReportLines(const std::vector<std::string>& lines, const fs::path& path) {
    return lf_writeLines(lines, path);
}

bool gf_writeReportLines(const FnvStringSet& titles, const fs::path& path) {
    return lf_writeLines(titles, path);
}

void gf_writeReportFile(const std::vector<std::string>& lines, const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        LogFile::writeNoThrow(fmt::format("Error creating directories {}: {}",
                                          gf_pathToUtf8(path.parent_path()), ec.message()));
        return;
    }
    try {
        if (!gf_writeReportLines(lines, path)) {
            lf_logWriteFailure(path, "the file could not be written");
        }
    } catch (const std::exception& e) {
        lf_logWriteFailure(path, e.what());
    }
}

void gf_reportLiveryScanErrors(LiveryScanReports& reports, const LiveryReportFileNames& names) {
    if (reports.noErrors()) {
        LogFile::write("\nNo errors");
    } else {
        LogFile::write("\nErrors:");
        if (!reports.invalidAirlineCodes.empty()) {
            std::sort(reports.invalidAirlineCodes.begin(), reports.invalidAirlineCodes.end());
            lf_writeAndCount(reports.invalidAirlineCodes,
                             gf_reportPath(names, LiveryReportFile::invalidAirlineCodes),
                             "{:5} invalid airline code{}, see {}", true);
        }
        if (!reports.invalidModelCodes.empty()) {
            std::sort(reports.invalidModelCodes.begin(), reports.invalidModelCodes.end());
            lf_writeAndCount(reports.invalidModelCodes,
                             gf_reportPath(names, LiveryReportFile::invalidAircraftCodes),
                             "{:5} invalid model code{}, see {}", true);
        }
        if (!reports.fixes.empty()) {
            // In the order they were made: each names the file it was made in.
            lf_writeAndCount(reports.fixes, gf_reportPath(names, LiveryReportFile::fixes),
                             "{:5} fixes, see {}", false);
        }
        if (!reports.invalidAircraftCfgFiles.empty()) {
            std::sort(reports.invalidAircraftCfgFiles.begin(),
                      reports.invalidAircraftCfgFiles.end());
            lf_writeAndCount(reports.invalidAircraftCfgFiles,
                             gf_reportPath(names, LiveryReportFile::invalidAircraftCfgFiles),
                             "{:5} invalid aircraft.cfg files, see {}", false);
        }
        if (!reports.incompleteSections.empty()) {
            std::vector<std::string>& lines = reports.incompleteSections;
            std::sort(lines.begin(), lines.end());
            lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
            lf_writeAndCount(lines, gf_reportPath(names, LiveryReportFile::incompleteSections),
                             "{:5} incomplete [fltsim.x] sections, see {}", false);
        }
    }
    if (!reports.noFltsimSection.empty()) {
        LogFile::write("\nInformation:");
        std::sort(reports.noFltsimSection.begin(), reports.noFltsimSection.end());
        const fs::path& path = gf_reportPath(names, LiveryReportFile::noFltsimSection);
        if (!gf_writeReportLines(reports.noFltsimSection, path)) {
            lf_logWriteFailure(path, "the file could not be written");
        }
        LogFile::write(fmt::format("{:5} empty aircraft.cfg files, see {}",
                                   reports.noFltsimSection.size(), gf_pathToUtf8(path)));
    }
}

} // namespace skyloom
