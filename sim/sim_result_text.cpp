#include "sim/sim_result_text.h"

#include <cstdint>
#include <exception>

#include "foundation/utf.h"
#include "platform/os/system_message.h"

namespace skyloom {

std::string gf_systemDescriptionText(const std::optional<std::u16string>& description) {
    if (!description) {
        return "no system description";
    }
    std::u16string_view text = *description;
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\r' ||
                             text.back() == u'\n')) {
        text.remove_suffix(1);
    }
    try {
        return wide_to_utf8(text);
    } catch (const std::exception&) {
        return "system description conversion failed";
    }
}

std::string gf_simResultText(HRESULT hr) {
    return gf_systemDescriptionText(os::systemMessageText(static_cast<std::uint32_t>(hr)));
}

} // namespace skyloom
