// The text of a SimConnect result in the log lines of failed dispatches.
#include <gtest/gtest.h>

#include "platform/os/system_message.h"
#include "sim/sim_result_text.h"

namespace skyloom {
namespace {

TEST(SimResultTextTest, TheSystemsDescriptionWithoutItsLineEnd) {
    EXPECT_EQ(gf_simResultText(E_BROKEN_PIPE), "The pipe has been ended.");
    EXPECT_EQ(gf_simResultText(E_FAIL), "Unspecified error");
    EXPECT_EQ(gf_simResultText(E_HANDLE), "The handle is invalid.");
    EXPECT_EQ(gf_simResultText(S_OK), "The operation completed successfully.");
    // The system's own text ends in CR LF; the log line must not.
    ASSERT_TRUE(os::systemMessageText(0x8007006Du).has_value());
    EXPECT_EQ(os::systemMessageText(0x8007006Du)->back(), u'\n');
}

TEST(SimResultTextTest, NoDescriptionAndBrokenDescriptionsHaveTheirOwnTexts) {
    EXPECT_EQ(gf_simResultText(static_cast<HRESULT>(0xC0DE0001u)), "no system description");
    EXPECT_EQ(gf_systemDescriptionText(std::nullopt), "no system description");
    EXPECT_EQ(gf_systemDescriptionText(std::u16string(u"Bad \xD800 text\r\n")),
              "system description conversion failed");
    EXPECT_EQ(gf_systemDescriptionText(std::u16string(u"Stra\u00DFe \t \r\n\r\n")), "Straße");
    EXPECT_EQ(gf_systemDescriptionText(std::u16string(u" \r\n")), "");
}

} // namespace
} // namespace skyloom
