#include "liveries/livery_folder_walk.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iterator>
#include <optional>
#include <system_error>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/charset.h"
#include "foundation/files.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "liveries/dont_use_liveries.h"
#include "liveries/fltsim_sections.h"
#include "liveries/ivao_mtl.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/livery_scan_reports.h"
#include "liveries/model_fixes.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

constexpr std::string_view kAircraftCfgName = "aircraft.cfg";
// Lines made room for when an ordinary aircraft.cfg is read.
constexpr std::size_t kAircraftCfgLinesReserve = 1024;

std::string_view lf_plural(std::size_t count) noexcept {
    return count == 1 ? "" : "s";
}

char lf_asciiLower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The identity by which packages compete: airline, operator, model and cargo in 56 bits.
std::uint64_t lf_priorityKey(const LiveryKey& key) noexcept {
    return static_cast<std::uint64_t>(key.airline) |
           (static_cast<std::uint64_t>(key.operatorId) << 16) |
           (static_cast<std::uint64_t>(key.model) << 32) |
           (static_cast<std::uint64_t>(key.cargo) << 48);
}

std::int16_t lf_signedRank(std::uint16_t rank) noexcept {
    return static_cast<std::int16_t>(rank);
}

// One aircraft.cfg of the walk: IVAO MTL files have their own rules. An IVAO file that throws
// has logged why; like an ordinary file that cannot be used, it gives nothing.
std::vector<LiveryRecord> lf_recordsOfFile(LiveryScanState& scan, std::uint32_t rank,
                                           const fs::path& path) {
    if (!gf_isIVAOAircraftCfg(path)) {
        return gf_searchLiveriesinFile(scan, rank, path);
    }
    try {
        return gf_searchLiveriesinIVAOFile(scan, rank, path);
    } catch (const std::exception&) {
        return {};
    }
}

void lf_logFolderCount(std::size_t added, const fs::path& folder) {
    const std::string where = fmt::format("found in {}", gf_pathToUtf8(folder));
    if (added < 1) {
        LogFile::write(fmt::format("No liveries {}", where));
    } else {
        LogFile::write(fmt::format("{:5} liverie{} {}", added, lf_plural(added), where));
    }
}

void lf_removeDuplicates(std::vector<LiveryRecord>& records) {
    const auto end = std::unique(records.begin(), records.end(), &gf_sameLivery);
    const auto removed = static_cast<std::size_t>(std::distance(end, records.end()));
    records.erase(end, records.end());
    if (removed > 0) {
        LogFile::writeImportant(fmt::format("{} duplicates removed ?", removed));
    }
}

} // namespace

bool gf_isSkippedLiveryFolder(const fs::path& scanned, const fs::path& folder) {
    const std::string text = gf_pathToUtf8(folder);
    if (text.size() >= kMaxWalkedFolderPathBytes) {
        return true;
    }
    // The marks name what lies inside a package; the folders above it, where the user keeps the
    // installation, may be named anything.
    const std::string top = gf_pathToUtf8(scanned);
    const std::string_view below = text.compare(0, top.size(), top) == 0
                                       ? std::string_view(text).substr(top.size())
                                       : std::string_view(text);
    return std::any_of(
        std::begin(kSkippedLiveryFolderMarks), std::end(kSkippedLiveryFolderMarks),
        [&](std::string_view mark) { return below.find(mark) != std::string::npos; });
}

bool gf_isAircraftCfgName(const fs::path& file) {
    const std::string name = gf_pathToUtf8(file.filename());
    return name.size() == kAircraftCfgName.size() &&
           std::equal(name.begin(), name.end(), kAircraftCfgName.begin(),
                      [](char a, char b) { return lf_asciiLower(a) == b; });
}

std::vector<LiveryRecord> gf_procesFltSimSections(LiveryScanState& scan, std::uint32_t rank,
                                                  const std::vector<std::string>& lines,
                                                  std::string_view model, const fs::path& path,
                                                  const fs::path& folder) {
    std::vector<LiveryRecord> records;
    gf_cutFltSimSections(lines, SectionBoundary::bracketFirst,
                         [&](std::vector<std::string>& section) {
                             std::optional<LiveryRecord> record =
                                 gf_procesFltSimSection(scan, rank, section, model, path, folder);
                             if (record) {
                                 records.push_back(std::move(*record));
                             }
                         });
    return records;
}

std::vector<LiveryRecord> gf_searchLiveriesinFile(LiveryScanState& scan, std::uint32_t rank,
                                                  const fs::path& path) {
    try {
        std::error_code ec;
        if (!fs::exists(path, ec) || ec) {
            return {};
        }
        const Charset charset = gf_detectCharset(path);
        if (charset == Charset::none_found) {
            LogFile::write(fmt::format("! No text encoding detected for {}", gf_pathToUtf8(path)));
            return {};
        }
        std::vector<std::string> lines;
        lines.reserve(kAircraftCfgLinesReserve);
        if (!gf_readTextFileLines(charset, path, lines)) {
            LogFile::write(fmt::format("! Failed reading {}", gf_pathToUtf8(path)));
            return {};
        }
        if (!gf_checkFltsimNumbers(scan, lines, path)) {
            return {};
        }
        const std::string model = gf_applyModelFix(scan, path, lines);
        if (model.empty()) {
            return {};
        }
        return gf_procesFltSimSections(scan, rank, lines, model, path, path.parent_path());
    } catch (const std::exception& e) {
        LogFile::write(fmt::format("! Exception in lf_searchLiveriesinFile {}: {}",
                                   gf_pathToUtf8(path), e.what()));
        return {};
    }
}

void gf_searchLiveriesinFolder(LiveryWalkContext& context, std::uint32_t rank,
                               const fs::path& folder) {
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        LogFile::writeImportant(fmt::format("Could not start liveries search in {}, cause: {}",
                                            gf_pathToUtf8(folder), ec.message()));
        return;
    }
    const fs::recursive_directory_iterator end;
    while (it != end) {
        const fs::directory_entry& entry = *it;
        std::error_code typeError;
        if (entry.is_directory(typeError)) {
            if (gf_isSkippedLiveryFolder(folder, entry.path())) {
                it.disable_recursion_pending();
            }
        } else if (entry.is_regular_file(typeError) && gf_isAircraftCfgName(entry.path())) {
            // A stop during a large package ends its walk; the scan then reports the cancel.
            if (context.keepRunning && !context.keepRunning()) {
                return;
            }
            std::vector<LiveryRecord> found = lf_recordsOfFile(context.scan, rank, entry.path());
            context.records.insert(context.records.end(), std::make_move_iterator(found.begin()),
                                   std::make_move_iterator(found.end()));
        }
        it.increment(ec);
        if (ec) {
            return;
        }
    }
}

std::size_t gf_prioritizeLiveries(std::vector<LiveryRecord>& records) {
    std::unordered_map<std::uint64_t, std::uint16_t> best;
    best.max_load_factor(1.0f);
    best.reserve(records.size());
    for (const LiveryRecord& record : records) {
        const auto [slot, inserted] =
            best.try_emplace(lf_priorityKey(record.key), record.packageRank);
        if (!inserted && lf_signedRank(record.packageRank) < lf_signedRank(slot->second)) {
            slot->second = record.packageRank;
        }
    }
    const auto kept =
        std::stable_partition(records.begin(), records.end(), [&](const LiveryRecord& r) {
            return lf_signedRank(r.packageRank) <= lf_signedRank(best.at(lf_priorityKey(r.key)));
        });
    const auto removed = static_cast<std::size_t>(std::distance(kept, records.end()));
    records.erase(kept, records.end());
    return removed;
}

LiveryScanResult gf_scanLiveryFolders(LiveryWalkContext& context,
                                      const std::vector<fs::path>& folders, bool prioritize) {
    std::vector<LiveryRecord>& records = context.records;
    records.clear();
    if (records.capacity() < kLiveryListReserve) {
        records.reserve(kLiveryListReserve);
    }
    const bool dontUseRead = gf_loadDontUseLiveries(context.scan);

    const auto stopping = [&context] { return context.keepRunning && !context.keepRunning(); };
    std::uint16_t rank = 0;
    for (const fs::path& folder : folders) {
        if (folder.empty()) {
            continue;
        }
        std::error_code ec;
        const fs::file_status status = fs::status(folder, ec);
        if (ec || !fs::exists(status)) {
            LogFile::write(gf_pathToUtf8(folder) + " does not exist, skipped!");
        } else if (fs::is_directory(status)) {
            rank = std::min<std::uint16_t>(static_cast<std::uint16_t>(rank + 1), kMaxPackageRank);
            if (stopping()) {
                return LiveryScanResult::cancelled;
            }
            const std::size_t before = records.size();
            gf_searchLiveriesinFolder(context, rank, folder);
            lf_logFolderCount(records.size() - before, folder);
        } else {
            LogFile::write(gf_pathToUtf8(folder) + " is not a folder name, skipped!");
        }
    }
    if (stopping()) {
        return LiveryScanResult::cancelled;
    }
    if (records.empty()) {
        return LiveryScanResult::noLiveries;
    }

    if (folders.size() > 1) {
        if (prioritize) {
            LogFile::write("\nPrioritizing the scanned liveries ...");
            const std::size_t removed = gf_prioritizeLiveries(records);
            LogFile::write(
                fmt::format("{:5} same airl+model liverie{} removed because from lower ai-package",
                            removed, lf_plural(removed)));
        }
        LogFile::write(fmt::format("{:5} in total", records.size()));
    }
    std::sort(records.begin(), records.end(), &gf_liveryLess);
    lf_removeDuplicates(records);

    LogFile::flush();
    if (!gf_writeLiveriesScanned(records)) {
        return LiveryScanResult::notWritten;
    }
    // The reports of the runs before go only now that the new file is in place: a scan that
    // cannot write it (a full disk) leaves them, and the airport scan's log, as they were.
    gf_removeFilesFromDirectory(gf_infoFolder());
    gf_removeFilesFromDirectory(gf_errorsFolder());
    const LiveryReportFileNames reports = gf_liveryReportFileNames();
    if (dontUseRead) {
        gf_writeDontUseLiveries(context.scan,
                                gf_reportPath(reports, LiveryReportFile::dontUseLiveries));
    }
    gf_reportLiveryScanErrors(context.scan.reports, reports);
    LogFile::flush();
    return LiveryScanResult::written;
}

std::vector<LiveryRecord>& gf_liveryScanList() {
    static std::vector<LiveryRecord> records;
    return records;
}

} // namespace skyloom
