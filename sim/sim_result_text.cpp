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

bool gf_simLinkClosed(HRESULT hr) noexcept {
    // The Win32 error wrapped as an HRESULT, and the status codes that the Windows library
    // passes on unchanged when the simulator's end of the pipe went away.
    constexpr auto kStatusPipeBroken = static_cast<HRESULT>(0xC000014Bu);
    constexpr auto kStatusPipeDisconnected = static_cast<HRESULT>(0xC00000B0u);
    return hr == E_BROKEN_PIPE || hr == kStatusPipeBroken || hr == kStatusPipeDisconnected;
}

std::string gf_simResultText(HRESULT hr) {
    return gf_systemDescriptionText(os::systemMessageText(static_cast<std::uint32_t>(hr)));
}

} // namespace skyloom
