// The scan transaction: an airport scan empties and refills airports/my_simaddon and
// airports/my_thirdparty, so before it starts both are moved aside (to "<folder>.scan_backup")
// and a marker file records which of them existed; a commit throws the old copies away, a
// rollback puts them back. The marker makes the transaction survive a crash: at the next start
// the recovery finds it and brings the folders back to what they were before the scan. So the
// scan writes its files without syncing each one (os::SyncMode::deferred): until the marker's
// removal reaches the disk a crash brings back the old folders anyway, and the commit syncs
// every new file, then the folders, before it removes the marker.
//
// Every step reports itself to an optional hook, so that tests can end the process at each one
// and check that the recovery always leaves either the old or the new folders.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace skyloom {

inline constexpr std::string_view kScanMarkerFileName = ".airport_scan_in_progress";
inline constexpr std::string_view kScanBackupSuffix = ".scan_backup";
inline constexpr std::size_t kScanFolderCount = 2;

// The steps of a scan, each reported just after it was done.
enum class ScanStep {
    markerWritten,
    folderPreserved, // a folder moved aside to its backup
    folderCreated,   // its new, empty folder made
    airportWritten,  // the scan wrote an airport file
    scanFinished,    // the scan body is done, before the commit
    filesSynced,     // the commit synced the scan's files and folders
    markerRemoved,
    backupRemoved,
    folderRemoved,  // a folder removed by a rollback or recovery
    backupRestored, // a backup renamed back to its folder
};
using ScanStepHook = std::function<void(ScanStep)>;

// my_simaddon and my_thirdparty of the airports folder, in this order.
std::array<std::filesystem::path, kScanFolderCount>
gf_scanFoldersOf(const std::filesystem::path& airportsFolder);
// The folder's path with ".scan_backup" appended to its last element.
std::filesystem::path gf_backupPathOf(const std::filesystem::path& folder);

struct ScanTransaction {
    explicit ScanTransaction(std::filesystem::path airports, ScanStepHook hook = {});
    // Rolls back while open (gf_rollbackScanTransaction).
    ~ScanTransaction();
    ScanTransaction(const ScanTransaction&) = delete;
    ScanTransaction& operator=(const ScanTransaction&) = delete;

    // Whether my_simaddon and my_thirdparty existed when the transaction opened.
    std::array<bool, kScanFolderCount> existed{};
    // Whether each was moved aside to its backup: a rollback leaves a folder that existed and
    // was not moved aside as it is.
    std::array<bool, kScanFolderCount> preserved{};
    // The marker is written and the folders may be moved aside.
    bool open = false;
    std::filesystem::path airportsFolder;
    ScanStepHook onStep;
};

// Repairs the folders after an interrupted scan: with a marker, each folder is brought back to
// what it was before that scan; without one, a stale backup is removed. True when there was
// nothing to repair or the repair succeeded; false (marker kept) when the folders could not be
// brought into a known state, or the marker is not two integers. Never throws.
bool gf_recoverInterruptedScan(const std::filesystem::path& airportsFolder,
                               const ScanStepHook& onStep = {});

// Opens the transaction: recovers first, then writes the marker and moves the existing folders
// aside, leaving new empty ones. Throws std::runtime_error, after rolling back what it did.
void gf_beginScanTransaction(ScanTransaction& transaction);
// The marker and the preservation of the folders (the second half of the begin).
void gf_createScanMarker(ScanTransaction& transaction);
// Makes the new folders final: syncs the files the scan wrote into them (written without a
// sync each), then the folders, then removes the marker and syncs its removal, then removes the
// backups (errors ignored). Throws std::runtime_error when a sync fails or the marker cannot be
// removed; the transaction then stays open.
void gf_commitScanTransaction(ScanTransaction& transaction);
// While open: puts the preserved folders back and removes the marker; when a folder cannot be
// restored the marker stays for the next start's recovery. Never throws.
void gf_rollbackScanTransaction(ScanTransaction& transaction) noexcept;

// Throws std::runtime_error when a folder of the open transaction vanished, is no folder any
// more or cannot be written to, or when a file the scan wrote there is gone: committing would
// then lose airport data.
void gf_checkScanFolders(const ScanTransaction& transaction,
                         const std::vector<std::filesystem::path>& writtenFiles);

} // namespace skyloom
