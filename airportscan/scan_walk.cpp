#include "airportscan/scan_walk.h"

#include <array>
#include <cctype>
#include <exception>
#include <system_error>
#include <unordered_set>

#include <fmt/format.h>

#include "airportscan/bgl_file.h"
#include "airportscan/bgl_stand_reader.h"
#include "airportscan/facility_stand_reader.h"
#include "airportscan/package_scan.h"
#include "airportscan/scan_bgl_steps.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/utf.h"
#include "runtime/stop_request.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kProblem = "===> ";

constexpr std::array<std::string_view, 2> kMsfs2020Roots = {"Official", "Community"};
constexpr std::array<std::string_view, 4> kMsfs2024Roots = {"Community", "StreamedPackages",
                                                            "Official2024", "Community2024"};

// Words of folders that hold no airport (compared with the lower-cased path).
constexpr std::array<std::string_view, 14> kSkippedFolderWords = {
    "fs-base",       "tutorials",           "aircraft",   "bushtrip",
    "discovery",     "point-of-interest",   "simobjects", "vcockpits",
    "aig-aitraffic", "justflight-aircraft", "fsltl",      "gsx-pro",
    "gsx-world",     "landingchallenge"};

// Files that hold no airport of their own (compared with the path as it is).
constexpr std::array<std::string_view, 7> kSkippedFileWords = {
    "statics",         "afcad updates", "_heliports",   "duijffmedia-eham-remove",
    "immersivelights", "immersive-",    "bksq-scenery-"};

constexpr std::string_view kStreamedPackagesWord = "StreamedPackages";

template <typename String> String lf_lowerAscii(String text) {
    for (auto& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<typename String::value_type>(c - 'A' + 'a');
        }
    }
    return text;
}

// The walk's key of a folder: its canonical path, lower-cased, so that a second path to a
// folder already walked (a link, another letter case) is recognised.
fs::path::string_type lf_folderKey(const fs::path& canonical) {
    return lf_lowerAscii(canonical.native());
}

bool lf_hasBglExtension(const fs::path& path) {
    return lf_lowerAscii(gf_pathToUtf8(path.extension())) == ".bgl";
}

void lf_note(const ScanWalkContext& walk, std::string line) {
    walk.scan.scanLog.push_back(std::move(line));
}

// Decides about one folder of the walk: true when the walk descends into it.
bool lf_enterFolder(const fs::directory_entry& entry, int depth, const ScanWalkContext& walk,
                    std::unordered_set<fs::path::string_type>& visited) {
    const std::string folderText = gf_pathToUtf8(entry.path());
    std::error_code ec;
    const fs::path canonical = fs::canonical(entry.path(), ec);
    const std::optional<fs::path::string_type> key =
        ec ? std::nullopt : std::optional(lf_folderKey(canonical));
    if (!key) {
        lf_note(walk, fmt::format("{} could not resolve directory during airport scan, skipping "
                                  "recursion, depth {}, folder: {}",
                                  kProblem, depth, folderText));
        return false;
    }
    if (!visited.insert(*key).second) {
        lf_note(walk, fmt::format("{} skipping recursive directory link during airport scan, "
                                  "depth {}, folder: {}, resolved target: {}",
                                  kProblem, depth, folderText, gf_pathToUtf8(canonical)));
        return false;
    }
    if (entry.is_symlink(ec)) {
        lf_note(walk, fmt::format("following airport scan directory link, depth {}, folder: {}, "
                                  "resolved target: {}",
                                  depth, folderText, gf_pathToUtf8(canonical)));
    }
    return !gf_skipPackageFolder(entry.path());
}

// One BGL file of the walk; false when the walk is to end (a stop request).
bool lf_scanFile(const fs::path& file, int depth, const ScanWalkContext& walk) {
    if (!lf_hasBglExtension(file)) {
        return true;
    }
    const std::string fileText = gf_pathToUtf8(file);
    for (std::string_view word : kSkippedFileWords) {
        if (fileText.find(word) != std::string::npos) {
            return true;
        }
    }
    if (!gf_probeBGLHeader(file, walk.clock)) {
        return true;
    }
    if (!walk.scan.stop.keepRunning()) {
        return false;
    }
    lf_note(walk, fmt::format("Fac depth {}: {}", depth, fileText));
    if (!gf_readFacilities(file, walk.scan)) {
        lf_note(walk, "Facilities reader did not succeed, trying the BGL file reader ...");
        ScanBglSteps steps(walk.scan);
        BglReaderContext reader{walk.clock, walk.scan.scanLog, steps};
        gf_processBGLfile(file, reader);
    }
    return true;
}

} // namespace

void gf_scanRootFolders(std::vector<fs::path>& roots, bool msfs2020,
                        const InstallSubfolderLookup& installSubfolder) {
    const auto add = [&](const auto& names) {
        for (std::string_view name : names) {
            if (auto folder = installSubfolder(name)) {
                roots.push_back(std::move(*folder));
            }
        }
    };
    if (msfs2020) {
        add(kMsfs2020Roots);
    } else {
        add(kMsfs2024Roots);
    }
}

void gf_scanFolders(const std::vector<fs::path>& roots, const ScanWalkContext& walk) {
    for (const fs::path& root : roots) {
        if (root.empty()) {
            continue;
        }
        const std::string rootText = gf_pathToUtf8(root);
        std::error_code ec;
        const fs::file_status status = fs::status(root, ec);
        if (!fs::exists(status)) {
            walk.scan.window.showStatusText(rootText + " does not exist, skipped!", true);
        } else if (!fs::is_directory(status)) {
            walk.scan.window.showStatusText(rootText + " is not a folder name, skipped!", true);
        } else if (rootText.find(kStreamedPackagesWord) != std::string::npos) {
            gf_scanStreamedPackages(root, walk);
        } else {
            gf_scanRoot(root, walk);
        }
    }
}

void gf_scanRoot(const fs::path& root, const ScanWalkContext& walk) {
    const std::string rootText = gf_pathToUtf8(root);
    const std::string banner = fmt::format("\nScan: {}", rootText);
    LogFile::write(banner);
    lf_note(walk, banner);

    std::unordered_set<fs::path::string_type> visited;
    std::error_code rootError;
    const fs::path canonicalRoot = fs::canonical(root, rootError);
    if (!rootError) {
        visited.insert(lf_folderKey(canonicalRoot));
        lf_note(walk, fmt::format("scan root resolved to: {}", gf_pathToUtf8(canonicalRoot)));
    } else {
        lf_note(walk, fmt::format("{} could not resolve scan root, continuing without root cycle "
                                  "protection: {}",
                                  kProblem, rootText));
    }

    std::error_code ec;
    fs::recursive_directory_iterator it(root,
                                        fs::directory_options::follow_directory_symlink |
                                            fs::directory_options::skip_permission_denied,
                                        ec);
    if (ec) {
        lf_note(walk, fmt::format("{} recursive directory iterator failed while starting scan "
                                  "root {}, cause: {}",
                                  kProblem, rootText, ec.message()));
        return;
    }
    for (const fs::recursive_directory_iterator end; it != end;) {
        const int depth = it.depth();
        try {
            const fs::directory_entry& entry = *it;
            std::error_code typeError;
            if (entry.is_directory(typeError)) {
                if (!lf_enterFolder(entry, depth, walk, visited)) {
                    it.disable_recursion_pending();
                }
            } else if (entry.is_regular_file(typeError) &&
                       !lf_scanFile(entry.path(), depth, walk)) {
                return;
            }
        } catch (const std::exception& e) {
            lf_note(walk, fmt::format("{} airport file skipped after an exception, depth {}, file "
                                      "{}, cause: {}",
                                      kProblem, depth, gf_pathToUtf8(it->path()), e.what()));
        } catch (...) {
            lf_note(walk, fmt::format("{} airport file skipped after an unknown exception, depth "
                                      "{}, file {}",
                                      kProblem, depth, gf_pathToUtf8(it->path())));
        }
        it.increment(ec);
        if (ec) {
            lf_note(walk, fmt::format("{} recursive directory iterator failed in scan root {}, "
                                      "depth {}, cause: {}",
                                      kProblem, rootText, depth, ec.message()));
            ec.clear();
            // A failed advance leaves the iterator at the end.
        }
    }
}

bool gf_skipPackageFolder(const fs::path& path) {
    const std::string text = gf_pathToUtf8(path);
    if (gf_utf8Length(text) >= kMaxWalkPathChars) {
        return true;
    }
    const std::string lower = lf_lowerAscii(text);
    for (std::string_view word : kSkippedFolderWords) {
        if (lower.find(word) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace skyloom
