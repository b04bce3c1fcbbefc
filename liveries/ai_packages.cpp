#include "liveries/ai_packages.h"

#include <algorithm>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

// Community folders converted by other tools carry this mark; their liveries are copies.
constexpr std::string_view kConvertedMark = "_CVT_";
constexpr std::string_view kUserAiTrafficMark = "user-aitraffic";

constexpr std::string_view kAigMark = "aig-aitraffic-oci";
constexpr std::string_view kAigBetaMark = "aig-aitraffic-oci-beta";
constexpr std::string_view kFsltlMark = "fsltl-traffic-base";
constexpr std::string_view kJfFleetMark = "justflight-aircraft-traffic-fleet";
constexpr std::string_view kJfModuleMark = "justflight-fstraffic-module";
constexpr std::string_view kMtlMark = "IVAO_MTL";

bool lf_contains(std::string_view text, std::string_view part) noexcept {
    return text.find(part) != std::string_view::npos;
}

// Calls `visit` with each entry of the folder until it returns false. Entries without
// permission are passed over; an error while opening or advancing ends the walk and is given
// back.
template <typename Visit> std::error_code lf_forEachEntry(const fs::path& folder, Visit&& visit) {
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!visit(*it)) {
            break;
        }
    }
    return ec;
}

} // namespace

std::string_view gf_aiPackageKindName(std::uint8_t kind) noexcept {
    switch (kind) {
    case 0:
        return "AIG";
    case 1:
        return "FSLTL";
    case 2:
        return "JF";
    case 3:
        return "IVAO_MTL";
    default:
        return "unknown";
    }
}

std::string_view gf_aiPackageKindName(AIPackageKind kind) noexcept {
    return gf_aiPackageKindName(static_cast<std::uint8_t>(kind));
}

bool gf_classifyAIPackage(std::uint8_t kind, std::string_view folderName, bool msfs2020) noexcept {
    if (lf_contains(folderName, kConvertedMark)) {
        return false;
    }
    switch (static_cast<AIPackageKind>(kind)) {
    case AIPackageKind::aig:
        // The beta package is built for MSFS 2020 only.
        if (lf_contains(folderName, kAigBetaMark)) {
            return msfs2020;
        }
        return lf_contains(folderName, kAigMark);
    case AIPackageKind::fsltl:
        return lf_contains(folderName, kFsltlMark);
    case AIPackageKind::jf:
        return lf_contains(folderName, kJfFleetMark) || lf_contains(folderName, kJfModuleMark);
    case AIPackageKind::mtl:
        return lf_contains(folderName, kMtlMark);
    }
    return false;
}

AIPackageSlots gf_findAIPackageSlots(const fs::path& communityFolder,
                                     const std::vector<std::uint8_t>& packageOrder, bool msfs2020) {
    AIPackageSlots slots;
    std::vector<std::uint8_t> order;
    for (const std::uint8_t kind : packageOrder) {
        if (kind < kAIPackageKindCount &&
            std::find(order.begin(), order.end(), kind) == order.end()) {
            order.push_back(kind);
        }
    }
    std::size_t open = order.size();
    if (open == 0) {
        return slots;
    }
    const std::error_code ec = lf_forEachEntry(communityFolder, [&](const fs::directory_entry& e) {
        std::error_code typeError;
        if (!e.is_directory(typeError)) {
            return true;
        }
        const std::string name = gf_pathToUtf8(e.path().filename());
        for (const std::uint8_t kind : order) {
            if (!slots[kind] && gf_classifyAIPackage(kind, name, msfs2020)) {
                slots[kind] = e.path();
                LogFile::write(fmt::format("Automatic {} scan found folder: '{}'",
                                           gf_aiPackageKindName(kind), gf_pathToUtf8(e.path())));
                --open;
                break;
            }
        }
        return open > 0;
    });
    if (ec) {
        LogFile::write(fmt::format("Automatic AI package scan warning in '{}': {}",
                                   gf_pathToUtf8(communityFolder), ec.message()));
    }
    return slots;
}

void gf_scanAIPackageFolders(const fs::path& communityFolder,
                             const std::vector<std::uint8_t>& packageOrder, bool msfs2020,
                             std::vector<fs::path>& folders) {
    const AIPackageSlots slots = gf_findAIPackageSlots(communityFolder, packageOrder, msfs2020);
    for (const std::uint8_t kind : packageOrder) {
        if (kind < kAIPackageKindCount && slots[kind] &&
            std::find(folders.begin(), folders.end(), *slots[kind]) == folders.end()) {
            folders.push_back(*slots[kind]);
        }
    }
}

void gf_scanUserAITraffic(const fs::path& communityFolder, std::vector<fs::path>& folders) {
    const std::error_code ec = lf_forEachEntry(communityFolder, [&](const fs::directory_entry& e) {
        const std::string name = gf_pathToUtf8(e.path().filename());
        if (!lf_contains(name, kUserAiTrafficMark) || lf_contains(name, kConvertedMark)) {
            return true;
        }
        folders.push_back(e.path());
        LogFile::write(fmt::format("Automatic user-aitraffic scan found folder: '{}'",
                                   gf_pathToUtf8(e.path())));
        return false;
    });
    if (ec) {
        LogFile::writeImportant(fmt::format("Automatic user-aitraffic scan warning in '{}': {}",
                                            gf_pathToUtf8(communityFolder), ec.message()));
    }
}

} // namespace skyloom
