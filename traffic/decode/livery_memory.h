// `LiveryMemory`: the livery title each live hexid was created with, so that an aircraft that
// comes back (a respawn, a second appearance in the feed) keeps its look; a title the
// simulator could not create is never handed out again. Main worker thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace skyloom {

class LiveryMemory {
public:
    // Keeps `title` for the hexid, replacing what was kept.
    void remember(std::uint32_t hexid, std::string_view title);
    // The title kept for the hexid; nothing when none was kept or when the simulator failed
    // to create it since (the entry is then dropped).
    std::optional<std::string> recalled(std::uint32_t hexid);
    // Drops the entry; true when there was one.
    bool forget(std::uint32_t hexid);
    void clear() noexcept { titles_.clear(); }
    std::size_t size() const noexcept { return titles_.size(); }

private:
    // FNV-1a over the four bytes of the hexid, low byte first.
    struct HexidHash {
        std::size_t operator()(std::uint32_t hexid) const noexcept;
    };
    std::unordered_map<std::uint32_t, std::string, HexidHash> titles_;
};

} // namespace skyloom
