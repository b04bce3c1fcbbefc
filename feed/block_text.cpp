#include "feed/block_text.h"

#include <vector>

#include "feed/feed_fields.h"
#include "foundation/text.h"

namespace skyloom {

BlockText gf_parseBlockText(std::string_view text) {
    BlockText result;
    const std::vector<std::string> fields = gf_split(text, ',');
    if (fields.size() != 4) {
        return result;
    }
    const auto hexid = gf_parseHexadecimalHexid(fields[2]);
    if (!hexid) {
        return result;
    }
    result.callsign = fields[0];
    result.registration = fields[1];
    result.hexid = *hexid;
    result.valid = true;
    return result;
}

} // namespace skyloom
