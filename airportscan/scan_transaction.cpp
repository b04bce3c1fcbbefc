#include "airportscan/scan_transaction.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "foundation/files.h"
#include "foundation/text.h"
#include "parking/airport_store.h"
#include "platform/os/file_replace.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kWriteCheckFileName = ".scan_write_check";

void lf_report(const ScanStepHook& onStep, ScanStep step) {
    if (onStep) {
        onStep(step);
    }
}

fs::path lf_markerPath(const fs::path& airports) {
    return airports / kScanMarkerFileName;
}

// Whether any file-system object has the name; a missing one is no error.
bool lf_present(const fs::path& path, std::error_code& ec) {
    const fs::file_status status = fs::symlink_status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        ec.clear();
        return false;
    }
    return !ec;
}

// Brings one folder back to what it was before the scan: its backup, when there is one,
// replaces whatever the scan left; a folder that did not exist before is removed; a folder that
// existed and has no backup was never moved aside and stays.
bool lf_restoreFolder(const fs::path& folder, bool existedBefore, const ScanStepHook& onStep) {
    std::error_code ec;
    const fs::path backup = gf_backupPathOf(folder);
    const bool hasBackup = lf_present(backup, ec);
    if (ec) {
        return false;
    }
    if (hasBackup || !existedBefore) {
        fs::remove_all(folder, ec);
        if (ec) {
            return false;
        }
        lf_report(onStep, ScanStep::folderRemoved);
    }
    if (hasBackup) {
        fs::rename(backup, folder, ec);
        if (ec) {
            return false;
        }
        lf_report(onStep, ScanStep::backupRestored);
    }
    return true;
}

// The marker's two integers: whether each folder existed before the scan.
bool lf_readMarker(const fs::path& marker, std::array<bool, kScanFolderCount>& existed) {
    std::ifstream in(marker);
    int simaddon = 0;
    int thirdparty = 0;
    if (!(in >> simaddon >> thirdparty)) {
        return false;
    }
    existed = {simaddon != 0, thirdparty != 0};
    return true;
}

// Writes the marker beside its place and moves it into place in one step, synced with its
// folder, so that a crash leaves either no marker or a whole one.
bool lf_writeMarker(const fs::path& marker, const std::array<bool, kScanFolderCount>& existed) {
    fs::path temporary = marker;
    temporary += ".tmp";
    TempFileGuard guard(temporary);
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << (existed[0] ? 1 : 0) << ' ' << (existed[1] ? 1 : 0) << '\n';
        out.flush();
        if (!out) {
            return false;
        }
    }
    std::error_code ec;
    if (!os::replaceFile(temporary, marker, ec)) {
        return false;
    }
    guard.release();
    return true;
}

// Brings what the scan wrote to the disk: every file of the scan's folders in one request,
// then the folders' entries, then the airports folder's (the new folders themselves).
void lf_syncScanFolders(const fs::path& airportsFolder) {
    std::vector<fs::path> files;
    std::vector<fs::path> folders;
    std::error_code ec;
    for (const fs::path& folder : gf_scanFoldersOf(airportsFolder)) {
        folders.push_back(folder);
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec)) {
            if (it->is_directory(ec)) {
                folders.push_back(it->path());
            } else if (!ec) {
                files.push_back(it->path());
            }
        }
        if (ec) {
            break;
        }
    }
    folders.push_back(airportsFolder);
    if (!ec) {
        os::syncFiles(files, ec);
    }
    for (auto folder = folders.begin(); !ec && folder != folders.end(); ++folder) {
        os::syncFolder(*folder, ec);
    }
    if (ec) {
        throw std::runtime_error(
            fmt::format("could not sync the airport scan's files: {}", ec.message()));
    }
}

} // namespace

std::array<fs::path, kScanFolderCount> gf_scanFoldersOf(const fs::path& airportsFolder) {
    return {airportsFolder / kMySimaddonFolderName, airportsFolder / kMyThirdpartyFolderName};
}

fs::path gf_backupPathOf(const fs::path& folder) {
    fs::path backup = folder;
    backup += kScanBackupSuffix;
    return backup;
}

ScanTransaction::ScanTransaction(fs::path airports, ScanStepHook hook)
    : airportsFolder(std::move(airports)), onStep(std::move(hook)) {}

ScanTransaction::~ScanTransaction() {
    gf_rollbackScanTransaction(*this);
}

bool gf_recoverInterruptedScan(const fs::path& airportsFolder, const ScanStepHook& onStep) {
    try {
        const fs::path marker = lf_markerPath(airportsFolder);
        std::error_code ec;
        const bool hasMarker = lf_present(marker, ec);
        if (ec) {
            return false;
        }
        std::array<bool, kScanFolderCount> existed{};
        if (hasMarker && !lf_readMarker(marker, existed)) {
            return false;
        }
        const auto folders = gf_scanFoldersOf(airportsFolder);
        for (std::size_t i = 0; i < kScanFolderCount; ++i) {
            if (hasMarker) {
                if (!lf_restoreFolder(folders[i], existed[i], onStep)) {
                    return false;
                }
                continue;
            }
            const fs::path backup = gf_backupPathOf(folders[i]);
            if (lf_present(backup, ec)) {
                fs::remove_all(backup, ec);
                if (ec) {
                    return false;
                }
                lf_report(onStep, ScanStep::backupRemoved);
            }
            if (ec) {
                return false;
            }
        }
        if (hasMarker) {
            fs::remove(marker, ec);
            if (ec) {
                return false;
            }
            lf_report(onStep, ScanStep::markerRemoved);
        }
        return true;
    } catch (...) {
        return false;
    }
}

void gf_beginScanTransaction(ScanTransaction& transaction) {
    transaction.existed = {};
    transaction.preserved = {};
    transaction.open = false;
    if (!gf_recoverInterruptedScan(transaction.airportsFolder, transaction.onStep)) {
        throw std::runtime_error("could not recover airport data from an interrupted scan");
    }
    try {
        gf_createScanMarker(transaction);
    } catch (...) {
        gf_rollbackScanTransaction(transaction);
        throw;
    }
}

void gf_createScanMarker(ScanTransaction& transaction) {
    std::error_code ec;
    fs::create_directories(transaction.airportsFolder, ec);
    if (ec) {
        throw std::runtime_error(fmt::format("could not create airports folder: {}", ec.message()));
    }
    const auto folders = gf_scanFoldersOf(transaction.airportsFolder);
    for (std::size_t i = 0; i < kScanFolderCount; ++i) {
        transaction.existed[i] = lf_present(folders[i], ec);
        if (ec) {
            throw std::runtime_error(ec.message());
        }
    }
    if (!lf_writeMarker(lf_markerPath(transaction.airportsFolder), transaction.existed)) {
        throw std::runtime_error("could not create airport scan transaction marker");
    }
    transaction.open = true;
    lf_report(transaction.onStep, ScanStep::markerWritten);
    for (std::size_t i = 0; i < kScanFolderCount; ++i) {
        const std::string folderText = gf_pathToUtf8(folders[i]);
        if (transaction.existed[i]) {
            fs::rename(folders[i], gf_backupPathOf(folders[i]), ec);
            if (ec) {
                throw std::runtime_error(fmt::format(
                    "could not preserve {} before airport scan: {}", folderText, ec.message()));
            }
            transaction.preserved[i] = true;
            lf_report(transaction.onStep, ScanStep::folderPreserved);
        }
        fs::create_directories(folders[i], ec);
        if (ec) {
            throw std::runtime_error(fmt::format("could not create airport scan folder {}: {}",
                                                 folderText, ec.message()));
        }
        lf_report(transaction.onStep, ScanStep::folderCreated);
    }
}

void gf_commitScanTransaction(ScanTransaction& transaction) {
    lf_syncScanFolders(transaction.airportsFolder);
    lf_report(transaction.onStep, ScanStep::filesSynced);
    std::error_code ec;
    if (!fs::remove(lf_markerPath(transaction.airportsFolder), ec)) {
        throw std::runtime_error(fmt::format("could not commit airport scan transaction: {}",
                                             ec ? ec.message() : std::string("no marker")));
    }
    transaction.open = false;
    lf_report(transaction.onStep, ScanStep::markerRemoved);
    // Until the marker's removal is on the disk a crash brings the backups back: they stay
    // while it cannot be synced, and the next start's recovery removes them.
    if (!os::syncFolder(transaction.airportsFolder, ec)) {
        return;
    }
    for (const fs::path& folder : gf_scanFoldersOf(transaction.airportsFolder)) {
        fs::remove_all(gf_backupPathOf(folder), ec);
        lf_report(transaction.onStep, ScanStep::backupRemoved);
    }
}

void gf_rollbackScanTransaction(ScanTransaction& transaction) noexcept {
    if (!transaction.open) {
        return;
    }
    bool ok = true;
    try {
        const auto folders = gf_scanFoldersOf(transaction.airportsFolder);
        for (std::size_t i = 0; i < kScanFolderCount; ++i) {
            if (transaction.existed[i] && !transaction.preserved[i]) {
                continue;
            }
            ok = lf_restoreFolder(folders[i], transaction.existed[i], transaction.onStep) && ok;
        }
        if (ok) {
            std::error_code ec;
            fs::remove(lf_markerPath(transaction.airportsFolder), ec);
            lf_report(transaction.onStep, ScanStep::markerRemoved);
        }
    } catch (...) {
        // The marker stays; the next start's recovery finishes the repair.
    }
    transaction.open = false;
    transaction.preserved = {};
}

void gf_checkScanFolders(const ScanTransaction& transaction,
                         const std::vector<fs::path>& writtenFiles) {
    for (const fs::path& folder : gf_scanFoldersOf(transaction.airportsFolder)) {
        const std::string folderText = gf_pathToUtf8(folder);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            throw std::runtime_error(
                fmt::format("airport scan folder {} vanished during the scan", folderText));
        }
        const fs::path probe = folder / kWriteCheckFileName;
        bool written = false;
        {
            std::ofstream out(probe, std::ios::trunc);
            out << "check\n";
            out.flush();
            written = static_cast<bool>(out);
        }
        fs::remove(probe, ec);
        if (!written || ec) {
            throw std::runtime_error(
                fmt::format("airport scan folder {} cannot be written to", folderText));
        }
    }
    for (const fs::path& file : writtenFiles) {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) {
            throw std::runtime_error(
                fmt::format("airport file {} written by the scan is gone", gf_pathToUtf8(file)));
        }
    }
}

} // namespace skyloom
