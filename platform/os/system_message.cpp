#include "platform/os/system_message.h"

#include <array>
#include <utility>

namespace skyloom::os {
namespace {

constexpr std::array<std::pair<std::uint32_t, const char16_t*>, 9> kMessages{{
    {0x00000000u, u"The operation completed successfully.\r\n"},
    {0x80004001u, u"Not implemented\r\n"},
    {0x80004003u, u"Invalid pointer\r\n"},
    {0x80004005u, u"Unspecified error\r\n"},
    {0x8000FFFFu, u"Catastrophic failure\r\n"},
    {0x80070006u, u"The handle is invalid.\r\n"},
    {0x8007000Eu, u"Not enough memory resources are available to complete this operation.\r\n"},
    {0x80070057u, u"The parameter is incorrect.\r\n"},
    {0x8007006Du, u"The pipe has been ended.\r\n"},
}};

} // namespace

std::optional<std::u16string> systemMessageText(std::uint32_t code) {
    for (const auto& [known, text] : kMessages) {
        if (known == code) {
            return std::u16string(text);
        }
    }
    return std::nullopt;
}

} // namespace skyloom::os
