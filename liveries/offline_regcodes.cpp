#include "liveries/offline_regcodes.h"

#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "liveries/livery_matching_summary.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

void lf_writeReport(const fs::path& path, const std::vector<std::string>& lines) {
    if (!gf_writeLinesToFile(path, lines)) {
        LogFile::writeImportant(fmt::format("Cannot write {}", gf_pathToUtf8(path)));
    }
}

void lf_logErrors(const RegcodeList& list) {
    for (const auto& error : list.errors) {
        LogFile::writeImportant(error);
    }
}

void lf_processAigRegcodeFile(LiveryTables& tables, const fs::path& path,
                              std::vector<std::string>& reportLines) {
    const std::string line = fmt::format("Processing '{}'", gf_pathToUtf8(path));
    LogFile::write(line);
    reportLines.push_back(line);
    const RegcodeList list = gf_readAIGRegcodesFile(path);
    lf_logErrors(list);
    if (!list.errors.empty()) {
        reportLines.push_back(
            fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                        gf_pathToUtf8(path)));
    }
    gf_mergeRegcodes(tables, list, reportLines);
}

void lf_processRegcodeFolder(LiveryTables& tables, std::vector<std::string>& reportLines) {
    const fs::path folder = gf_myRegcodesFolder();
    if (gf_findFileInDirectory(folder, "") == 0) {
        return;
    }
    reportLines.push_back(fmt::format("Processing files in {}", gf_pathToUtf8(folder)));
    const RegcodeList list = gf_readRegcodeFolder(folder);
    lf_logErrors(list);
    if (!list.errors.empty()) {
        LogFile::write(fmt::format(
            "There were errors processing the regcode files in folder '{}', see Log.txt",
            gf_pathToUtf8(folder)));
    }
    gf_mergeRegcodes(tables, list, reportLines);
}

} // namespace

void gf_checkInlineRegcodes(LiveryTables& tables, std::span<const LiveryRecord> records) {
    std::vector<std::string> clashes;
    for (const auto& record : records) {
        if (record.regcode.empty()) {
            continue;
        }
        const std::string_view title = tables.findTitle(record.title);
        if (title.empty()) {
            clashes.push_back(
                fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                            gf_formatLiveryKey(record.key), record.regcode, record.title));
            continue;
        }
        const auto [holder, newRegcode] =
            tables.regcodeLiveryMap.try_emplace(record.regcode, title);
        if (!newRegcode && holder->second != title) {
            clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", record.regcode,
                                          title, holder->second));
        }
        const auto [owned, newTitle] = tables.inlineRegcodeMap.try_emplace(title, record.regcode);
        if (!newTitle && owned->second != record.regcode) {
            clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", title,
                                          record.regcode, owned->second));
        }
    }
    if (clashes.empty()) {
        return;
    }
    const fs::path folder = gf_errorsFolder();
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        throw fs::filesystem_error("create_directory", folder, error);
    }
    const fs::path path = folder / kInlineRegcodesFileName;
    lf_writeReport(path, clashes);
    LogFile::write(
        fmt::format("{:5} in-line regcode clashes, see '{}'", clashes.size(), gf_pathToUtf8(path)));
}

void gf_mergeRegcodes(LiveryTables& tables, const RegcodeList& list,
                      std::vector<std::string>& reportLines) {
    std::size_t added = 0;
    std::size_t replaced = 0;
    std::size_t special = 0;
    for (const auto& entry : list.entries) {
        const std::string_view title = tables.findTitle(entry.title);
        if (title.empty()) {
            continue;
        }
        for (const auto& regcode : entry.regcodes) {
            const auto [holder, isNew] = tables.regcodeLiveryMap.try_emplace(regcode, title);
            if (isNew) {
                ++added;
            } else if (holder->second != title) {
                reportLines.push_back(
                    fmt::format("   regcode {} for '{}', instead of the same for '{}'", regcode,
                                title, holder->second));
                holder->second = title;
                ++replaced;
            }
        }
        if (entry.special) {
            if (entry.regcodes.size() == 1) {
                tables.uniqueLiveryRegcodes.insert(entry.regcodes.front());
            }
            tables.specialLiveryTitles.insert(title);
            ++special;
        }
    }
    std::string summary = fmt::format("{} new regcode{} added", added, lf_plural(added));
    if (replaced != 0) {
        summary += fmt::format(", {} regcode{} replaced", replaced, lf_plural(replaced));
    }
    if (special != 0) {
        summary += fmt::format(", {} regcode{} defined as special", special, lf_plural(special));
    }
    reportLines.push_back(std::move(summary));
}

void gf_processOfflineRegcodes(LiveryTables& tables) {
    std::vector<std::string> reportLines;
    tables.specialLiveryTitles.clear();
    tables.uniqueLiveryRegcodes.clear();

    const fs::path aigPath = gf_aigRegcodesPath();
    std::error_code error;
    const fs::file_status status = fs::status(aigPath, error);
    if (error && status.type() != fs::file_type::not_found) {
        throw fs::filesystem_error("exists", aigPath, error);
    }
    if (!fs::exists(status)) {
        LogFile::writeImportant(fmt::format("{} not available", gf_pathToUtf8(aigPath)));
        return;
    }

    LogFile::write("\n******* Offline regcodes ******");
    lf_processAigRegcodeFile(tables, aigPath, reportLines);
    lf_processRegcodeFolder(tables, reportLines);

    const fs::path reportPath = gf_infoFolder() / kOfflineRegcodesFileName;
    fs::remove(reportPath, error);
    if (!reportLines.empty()) {
        // Start-up makes the folder; one removed since is made again rather than losing the
        // report.
        fs::create_directories(reportPath.parent_path(), error);
        lf_writeReport(reportPath, reportLines);
        LogFile::write(fmt::format(
            "****** Offline regcode files processed, results can be found in '{}' ******\n",
            gf_pathToUtf8(reportPath)));
    }
    if (!tables.specialLiveryTitles.empty()) {
        LogFile::write(fmt::format("{:5} special liveries", tables.specialLiveryTitles.size()));
    }
    if (!tables.uniqueLiveryRegcodes.empty()) {
        LogFile::write(fmt::format("{:5} unique liveries", tables.uniqueLiveryRegcodes.size()));
    }
}

} // namespace skyloom
