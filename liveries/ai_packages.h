// The AI traffic packages of the simulator's Community folder: the four package kinds, which
// Community sub-folder belongs to which kind, and the automatic choice of the folders a livery
// scan walks: one folder per kind of the user's package order (AI_PACKAGE_SELECTOR), highest
// priority first, then the first user-aitraffic folder. Folders whose names hold "_CVT_" are
// never chosen. Each folder found is logged.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace skyloom {

// The kinds of AI package, numbered as the package orders of AI_PACKAGE_SELECTOR number them.
enum class AIPackageKind : std::uint8_t { aig = 0, fsltl = 1, jf = 2, mtl = 3 };

inline constexpr std::size_t kAIPackageKindCount = 4;

// "AIG", "FSLTL", "JF", "IVAO_MTL"; "unknown" for any other number.
std::string_view gf_aiPackageKindName(std::uint8_t kind) noexcept;
std::string_view gf_aiPackageKindName(AIPackageKind kind) noexcept;

// Whether a Community sub-folder name belongs to a kind (case-sensitive substring tests). A name
// holding "_CVT_" belongs to none; "aig-aitraffic-oci-beta" counts as AIG only under MSFS 2020.
// Any other kind number: false.
bool gf_classifyAIPackage(std::uint8_t kind, std::string_view folderName, bool msfs2020) noexcept;

// The folder found for each kind, by kind number.
using AIPackageSlots = std::array<std::optional<std::filesystem::path>, kAIPackageKindCount>;

// Walks the Community folder's entries (not recursive; entries without permission passed over)
// and puts each directory into the slot of the first kind of the order that is still empty and
// that the name belongs to, logging "Automatic {} scan found folder: '{}'". The walk stops once
// every kind of the order has its folder. An error while listing ends it with "Automatic AI
// package scan warning in '{}': {}"; what was found so far counts. Kind numbers outside 0 to 3
// are passed over.
AIPackageSlots gf_findAIPackageSlots(const std::filesystem::path& communityFolder,
                                     const std::vector<std::uint8_t>& packageOrder, bool msfs2020);

// The filled slots appended to the folder list in package order.
void gf_scanAIPackageFolders(const std::filesystem::path& communityFolder,
                             const std::vector<std::uint8_t>& packageOrder, bool msfs2020,
                             std::vector<std::filesystem::path>& folders);

// Appends the first Community entry whose name holds "user-aitraffic" and not "_CVT_", logging
// "Automatic user-aitraffic scan found folder: '{}'"; a listing error is logged as important
// ("Automatic user-aitraffic scan warning in '{}': {}").
void gf_scanUserAITraffic(const std::filesystem::path& communityFolder,
                          std::vector<std::filesystem::path>& folders);

} // namespace skyloom
