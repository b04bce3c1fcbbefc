// Message boxes, the folder picker and opening in the shell, answered by the headless
// backend's script; the journal keeps what the user would have been asked.
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/winui/dialogs.h"
#include "platform/winui/styles.h"
#include "tests/platform/winui/support/winui_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom::winui::testing {
namespace {

class DialogsTest : public WinuiTest {};

TEST_F(DialogsTest, MessageBoxesAreAnsweredInScriptOrderAndWrittenDown) {
    Recorder recorder;
    HWND owner = createTopLevel(recorder);
    backend_->answerMessageBox(IDNO);
    backend_->answerMessageBox(IDOK);
    EXPECT_EQ(MessageBoxW(owner, u"Save?", u"Skyloom", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(
        MessageBoxW(owner, u"This install path does not exist.", u"Skyloom", MB_OK | MB_ICONERROR),
        IDOK);
    // Unscripted: the default button.
    EXPECT_EQ(MessageBoxW(owner,
                          u"Warning: There is no Official folder parallel to the "
                          u"Community folder.",
                          u"Skyloom", MB_OK | MB_ICONWARNING),
              IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, u"Retry?", nullptr, MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);

    const auto boxes = backend_->messageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[0].owner, owner);
    EXPECT_EQ(boxes[0].icon, MessageBoxIcon::question);
    EXPECT_EQ(boxes[1].text, "This install path does not exist.");
    EXPECT_EQ(boxes[1].caption, "Skyloom");
    EXPECT_EQ(boxes[1].icon, MessageBoxIcon::error);
    EXPECT_EQ(boxes[2].icon, MessageBoxIcon::warning);
    EXPECT_EQ(boxes[3].caption, "Error"); // no caption given
    EXPECT_EQ(boxes[3].answer, IDNO);
    EXPECT_EQ(backend_->unusedAnswers(), 0u);
}

TEST_F(DialogsTest, AnAnswerTheBoxCannotGiveIsAnError) {
    backend_->answerMessageBox(IDYES);
    EXPECT_THROW(MessageBoxW(nullptr, u"Okay!", u"Skyloom", MB_OK), std::logic_error);
}

TEST_F(DialogsTest, WithoutABackendDialogsFail) {
    setBackend(nullptr);
    EXPECT_EQ(MessageBoxW(nullptr, u"x", u"y", MB_OK), 0);
    EXPECT_FALSE(showFolderPicker(nullptr, {}).has_value());
    EXPECT_LE(reinterpret_cast<std::uintptr_t>(
                  ShellExecuteW(nullptr, u"open", u"/", nullptr, nullptr, SW_SHOWNORMAL)),
              32u);
}

TEST_F(DialogsTest, AMessageBoxFromAWorkerNeedsNoLoopOnTheOwnersThread) {
    Recorder recorder;
    HWND owner = createTopLevel(recorder);
    backend_->answerMessageBox(IDOK);
    int answer = 0;
    std::thread([&] { answer = MessageBoxW(owner, u"Okay!", u"Skyloom", MB_OK); }).join();
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(backend_->messageBoxes().at(0).owner, owner);
}

TEST_F(DialogsTest, TheFolderPickerGivesTheScriptedFolderOrNothing) {
    backend_->answerFolderPicker(std::filesystem::path("/games/Community"));
    backend_->answerFolderPicker(std::nullopt);
    EXPECT_EQ(showFolderPicker(nullptr, "/start"), std::filesystem::path("/games/Community"));
    EXPECT_FALSE(showFolderPicker(nullptr, {}).has_value());
    EXPECT_FALSE(showFolderPicker(nullptr, {}).has_value()); // unscripted: cancelled
    const auto pickers = backend_->folderPickers();
    ASSERT_EQ(pickers.size(), 3u);
    EXPECT_EQ(pickers[0].initialFolder, std::filesystem::path("/start"));
}

TEST_F(DialogsTest, ShellOpenSucceedsForAnExistingPathUnlessScriptedOtherwise) {
    skyloom::testing::TempDir folder;
    const std::u16string existing = folder.path().u16string();
    auto result = [](HINSTANCE value) { return reinterpret_cast<std::uintptr_t>(value); };
    EXPECT_GT(
        result(ShellExecuteW(nullptr, u"open", existing.c_str(), nullptr, nullptr, SW_SHOWNORMAL)),
        32u);
    EXPECT_LE(result(ShellExecuteW(nullptr, nullptr, u"/no/such/tblo.zip", nullptr, nullptr,
                                   SW_SHOWNORMAL)),
              32u);
    backend_->answerShellOpen(false);
    EXPECT_LE(
        result(ShellExecuteW(nullptr, u"open", existing.c_str(), nullptr, nullptr, SW_SHOWNORMAL)),
        32u);
    EXPECT_LE(
        result(ShellExecuteW(nullptr, u"print", existing.c_str(), nullptr, nullptr, SW_SHOWNORMAL)),
        32u);
    const auto opens = backend_->shellOpens();
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].path, folder.path());
    EXPECT_TRUE(opens[0].answer);
    EXPECT_FALSE(opens[2].answer);
}

} // namespace
} // namespace skyloom::winui::testing
