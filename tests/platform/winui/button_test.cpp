// Push buttons and check boxes: what a click tells the parent, which check box toggles
// itself, clicks that do not count, keyboard clicks, and the owner-drawn check box made by
// subclassing.
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

constexpr int kBoxId = 32785;

struct Command {
    int id;
    int code;
    HWND control;
    UINT checkSeen; // BM_GETCHECK of the control while the parent handled the command
};

class ButtonTest : public WinuiTest {
protected:
    void SetUp() override {
        WinuiTest::SetUp();
        parentRecorder_.setHandler(
            [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
                if (message == WM_COMMAND) {
                    auto control = reinterpret_cast<HWND>(lParam);
                    commands_.push_back(
                        Command{LOWORD(wParam), HIWORD(wParam), control,
                                static_cast<UINT>(SendMessageW(control, BM_GETCHECK, 0, 0))});
                    return 0;
                }
                return std::nullopt;
            });
        parent_ = createTopLevel(parentRecorder_, WS_POPUP | WS_VISIBLE, RECT{0, 0, 400, 300});
    }

    HWND button(DWORD style, LPCWSTR text = u"", RECT rect = RECT{20, 20, 34, 34}) {
        return CreateWindowExW(0, u"button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                               rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                               parent_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kBoxId)),
                               nullptr, nullptr);
    }

    void clickCentre(HWND hwnd) {
        RECT client;
        GetClientRect(hwnd, &client);
        ASSERT_TRUE(injectClickInWindow(hwnd, POINT{client.right / 2, client.bottom / 2}));
        pumpWaitingMessages();
    }

    Recorder parentRecorder_;
    HWND parent_ = nullptr;
    std::vector<Command> commands_;
};

TEST_F(ButtonTest, APlainCheckBoxDoesNotToggleItselfTheOwnerDoes) {
    HWND box = button(BS_CHECKBOX);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(box, GWL_STYLE)), 0x50010002u);
    clickCentre(box);
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0].id, kBoxId);
    EXPECT_EQ(commands_[0].code, BN_CLICKED);
    EXPECT_EQ(commands_[0].control, box);
    EXPECT_EQ(commands_[0].checkSeen, BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(parent_, kBoxId), BST_UNCHECKED);

    // The owner's handler toggles it, as the program's command handler does.
    ASSERT_TRUE(CheckDlgButton(parent_, kBoxId, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(parent_, kBoxId), BST_CHECKED);
    clickCentre(box);
    EXPECT_EQ(commands_.size(), 2u);
    EXPECT_EQ(IsDlgButtonChecked(parent_, kBoxId), BST_CHECKED);
}

TEST_F(ButtonTest, AnAutomaticCheckBoxTogglesBeforeItTells) {
    HWND box = button(BS_AUTOCHECKBOX, u"auto", RECT{20, 20, 120, 44});
    clickCentre(box);
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0].checkSeen, BST_CHECKED);
    clickCentre(box);
    EXPECT_EQ(IsDlgButtonChecked(parent_, kBoxId), BST_UNCHECKED);
}

TEST_F(ButtonTest, APushButtonClicksOnlyWhenReleasedOverItself) {
    HWND push = button(BS_PUSHBUTTON, u"Park", RECT{20, 20, 100, 46});
    clickCentre(push);
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0].code, BN_CLICKED);
    // A push button never reports a check state.
    SendMessageW(push, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));

    // Pressed, then released after the mouse left it: no click.
    SendMessageW(push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_NE(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_EQ(GetCapture(), push);
    SendMessageW(push, WM_LBUTTONUP, 0, MAKELPARAM(200, 10));
    EXPECT_EQ(commands_.size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

TEST_F(ButtonTest, ADisabledButtonPassesTheClickToItsParentAndReportsNothing) {
    HWND push = button(BS_PUSHBUTTON, u"Flush", RECT{20, 20, 100, 46});
    EnableWindow(push, FALSE);
    parentRecorder_.clear();
    clickCentre(push);
    EXPECT_TRUE(commands_.empty());
    EXPECT_EQ(parentRecorder_.count(WM_LBUTTONDOWN), 1u);
    SendMessageW(push, BM_CLICK, 0, 0);
    EXPECT_TRUE(commands_.empty());
    EnableWindow(push, TRUE);
    SendMessageW(push, BM_CLICK, 0, 0);
    EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(ButtonTest, TheSpaceBarClicksTheFocusedButton) {
    HWND push = button(BS_PUSHBUTTON, u"Set", RECT{20, 20, 100, 46});
    SetFocus(push);
    ASSERT_TRUE(injectKey(VK_SPACE));
    pumpWaitingMessages();
    ASSERT_EQ(commands_.size(), 1u);
    EXPECT_EQ(commands_[0].control, push);
}

// The owner-drawn check box of the main window: the subclass paints, the class procedure
// keeps the state.
WNDPROC g_classProc = nullptr;
int g_subclassPaints = 0;

LRESULT lf_checkboxSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(hwnd, &paint);
        ++g_subclassPaints;
        EndPaint(hwnd, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    const LRESULT result = CallWindowProcW(g_classProc, hwnd, message, wParam, lParam);
    if (message == WM_ENABLE || message == BM_SETCHECK) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
    return result;
}

TEST_F(ButtonTest, ASubclassedCheckBoxIsPaintedByItsSubclassAtOnceOnAChange) {
    HWND box = button(BS_CHECKBOX);
    g_classProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&lf_checkboxSubclass)));
    pumpWaitingMessages();
    g_subclassPaints = 0;
    CheckDlgButton(parent_, kBoxId, BST_CHECKED);
    // Painted inside the call, not later through the queue.
    EXPECT_EQ(g_subclassPaints, 1);
    EXPECT_EQ(IsDlgButtonChecked(parent_, kBoxId), BST_CHECKED);
    EnableWindow(box, FALSE);
    EXPECT_EQ(g_subclassPaints, 2);
    clickCentre(box); // disabled: the parent gets the click, nobody a command
    EXPECT_TRUE(commands_.empty());
}

} // namespace
} // namespace skyloom::winui::testing
