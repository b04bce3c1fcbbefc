#include "liveries/livery_record.h"

#include <tuple>

namespace skyloom {

bool gf_liveryLess(const LiveryRecord& a, const LiveryRecord& b) noexcept {
    // LiveryKey's order leaves the further byte out; std::string compares bytes as unsigned
    // char, so titles with UTF-8 sort byte-wise.
    return std::tie(a.key, a.title, a.regcode) < std::tie(b.key, b.title, b.regcode);
}

bool gf_sameLivery(const LiveryRecord& a, const LiveryRecord& b) noexcept {
    return a.key == b.key && a.title == b.title && a.regcode == b.regcode;
}

} // namespace skyloom
