// The single-line edit box: typing at the caret, deleting, moving the caret, the case and
// length rules, what the parent hears, its colours, and a subclass that takes Enter.
#include <algorithm>
#include <string>
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

constexpr int kEditId = 32819;

class EditTest : public WinuiTest {
protected:
    void SetUp() override {
        WinuiTest::SetUp();
        parentRecorder_.setHandler(
            [this](HWND, UINT message, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
                if (message == WM_COMMAND && LOWORD(wParam) == kEditId) {
                    codes_.push_back(HIWORD(wParam));
                    return 0;
                }
                return std::nullopt;
            });
        parent_ = createTopLevel(parentRecorder_, WS_POPUP | WS_VISIBLE, RECT{0, 0, 400, 300});
    }

    HWND edit(LPCWSTR text, DWORD style = 0) {
        HWND hwnd = CreateWindowExW(
            0, u"Edit", text, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | style, 5, 39, 70, 28,
            parent_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEditId)), nullptr, nullptr);
        pumpWaitingMessages();
        codes_.clear();
        return hwnd;
    }

    static std::u16string text(HWND hwnd) {
        char16_t buffer[64];
        GetWindowTextW(hwnd, buffer, 64);
        return buffer;
    }

    static std::pair<DWORD, DWORD> selection(HWND hwnd) {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {start, end};
    }

    Recorder parentRecorder_;
    HWND parent_ = nullptr;
    std::vector<int> codes_;
};

TEST_F(EditTest, TypingEditsAtTheCaretAndTellsTheParent) {
    HWND hwnd = edit(u"");
    SetFocus(hwnd);
    codes_.clear();
    injectText(u"EDF");
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"EDF");
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{3, 3}));
    EXPECT_EQ(std::count(codes_.begin(), codes_.end(), EN_CHANGE), 3);

    injectKey(VK_LEFT);
    injectKey(VK_LEFT);
    injectChar(u'D');
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"EDDF");
    injectKey(VK_HOME);
    injectKey(VK_DELETE);
    injectKey(VK_END);
    injectKey(VK_BACK); // Backspace reaches the box as WM_CHAR 8 through TranslateMessage
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"DD");
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{2, 2}));
    injectKey(VK_HOME);
    injectKey(VK_BACK); // nothing before the caret
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"DD");
}

TEST_F(EditTest, EnterTabAndEscapeDoNotChangeTheText) {
    HWND hwnd = edit(u"EDDF");
    SetFocus(hwnd);
    injectKey(VK_RETURN);
    injectChar(u'\t');
    injectChar(0x1B);
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"EDDF");
}

TEST_F(EditTest, CaseLimitAndDigitRules) {
    HWND upper = edit(u"eddf", ES_UPPERCASE);
    EXPECT_EQ(text(upper), u"EDDF");
    SetFocus(upper);
    injectKey(VK_END);
    injectText(u"x");
    pumpWaitingMessages();
    EXPECT_EQ(text(upper), u"EDDFX");

    HWND limited = edit(u"");
    SendMessageW(limited, EM_LIMITTEXT, 4, 0);
    SetFocus(limited);
    codes_.clear();
    injectText(u"LFPGX");
    pumpWaitingMessages();
    EXPECT_EQ(text(limited), u"LFPG");
    EXPECT_EQ(std::count(codes_.begin(), codes_.end(), EN_MAXTEXT), 1);

    HWND digits = edit(u"", ES_NUMBER);
    SetFocus(digits);
    injectText(u"1a2");
    pumpWaitingMessages();
    EXPECT_EQ(text(digits), u"12");

    HWND readOnly = edit(u"KJFK", ES_READONLY);
    SetFocus(readOnly);
    injectText(u"Z");
    injectKey(VK_DELETE);
    pumpWaitingMessages();
    EXPECT_EQ(text(readOnly), u"KJFK");
}

TEST_F(EditTest, SettingTheTextPutsTheCaretAtTheStartAndSelectionReplaces) {
    HWND hwnd = edit(u"");
    SetWindowTextW(hwnd, u"EGLL");
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{0, 0}));
    EXPECT_EQ(std::count(codes_.begin(), codes_.end(), EN_CHANGE), 1);
    SendMessageW(hwnd, EM_SETSEL, 1, 3);
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{1, 3}));
    SetFocus(hwnd);
    injectChar(u'X');
    pumpWaitingMessages();
    EXPECT_EQ(text(hwnd), u"EXL");
    SendMessageW(hwnd, EM_SETSEL, 0, -1);
    SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"LOWI"));
    EXPECT_EQ(text(hwnd), u"LOWI");
}

TEST_F(EditTest, AClickPlacesTheCaretAtTheNearestCharacterBoundary) {
    HWND hwnd = edit(u"EDDF");
    RECT client;
    GetClientRect(hwnd, &client);
    injectClickInWindow(hwnd, POINT{client.right - 2, client.bottom / 2});
    pumpWaitingMessages();
    EXPECT_EQ(GetFocus(), hwnd);
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{4, 4}));
    injectClickInWindow(hwnd, POINT{1, client.bottom / 2});
    pumpWaitingMessages();
    EXPECT_EQ(selection(hwnd), (std::pair<DWORD, DWORD>{0, 0}));
}

// Clicks with their times, as the system's input brings them: a double click selects the word
// under it, a third click within the double-click time selects the whole text, which the next
// character typed replaces; slower clicks, or clicks apart, only place the caret.
TEST_F(EditTest, ADoubleClickSelectsTheWordAndATripleClickTheWholeText) {
    enum class Where { start, end };
    struct Click {
        Where where;
        DWORD time;
    };
    struct Case {
        const char* label;
        std::vector<Click> clicks;
        std::pair<DWORD, DWORD> selected;
    };
    const Case cases[] = {
        {"one click", {{Where::start, 1000}}, {0, 0}},
        {"a double click", {{Where::start, 1000}, {Where::start, 1200}}, {0, 3}},
        {"a double click on the last word", {{Where::end, 1000}, {Where::end, 1200}}, {4, 7}},
        {"a triple click",
         {{Where::start, 1000}, {Where::start, 1200}, {Where::start, 1400}},
         {0, 7}},
        {"a triple click on the last word",
         {{Where::end, 1000}, {Where::end, 1300}, {Where::end, 1600}},
         {0, 7}},
        {"two clicks slower than the double-click time", {{Where::start, 1000}, {Where::start, 1501}},
         {0, 0}},
        {"a third click after the double-click time",
         {{Where::start, 1000}, {Where::start, 1200}, {Where::start, 1701}},
         {0, 0}},
        {"a second click elsewhere", {{Where::start, 1000}, {Where::end, 1100}}, {7, 7}},
        {"a fourth click begins the next double click",
         {{Where::start, 1000}, {Where::start, 1100}, {Where::start, 1200}, {Where::start, 1300}},
         {0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HWND hwnd = edit(u"KLA XYZ");
        RECT client;
        GetClientRect(hwnd, &client);
        for (const Click& click : c.clicks) {
            const LONG x = click.where == Where::start ? 1 : client.right - 2;
            ASSERT_TRUE(injectClickInWindow(hwnd, POINT{x, client.bottom / 2}, click.time));
            pumpWaitingMessages();
        }
        EXPECT_EQ(GetFocus(), hwnd);
        EXPECT_EQ(selection(hwnd), c.selected);
        injectText(u"EDDF");
        pumpWaitingMessages();
        std::u16string expected = u"KLA XYZ";
        expected.replace(c.selected.first, c.selected.second - c.selected.first, u"EDDF");
        EXPECT_EQ(text(hwnd), expected);
        DestroyWindow(hwnd);
    }
}

TEST_F(EditTest, ColoursComeFromTheParentAsEditOrAsStaticWhenDisabled) {
    HWND hwnd = edit(u"EDDF");
    parentRecorder_.clear();
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    ASSERT_EQ(parentRecorder_.count(WM_CTLCOLOREDIT), 1u);
    EXPECT_EQ(parentRecorder_.count(WM_CTLCOLORSTATIC), 0u);
    EXPECT_EQ(reinterpret_cast<HWND>(parentRecorder_.messages().back().lParam), hwnd);

    EnableWindow(hwnd, FALSE);
    parentRecorder_.clear();
    UpdateWindow(hwnd);
    EXPECT_EQ(parentRecorder_.count(WM_CTLCOLOREDIT), 0u);
    EXPECT_EQ(parentRecorder_.count(WM_CTLCOLORSTATIC), 1u);
}

// The destination box's subclass: Enter is taken and not passed on.
WNDPROC g_editProc = nullptr;
int g_entered = 0;

LRESULT lf_editSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && wParam == 13) {
        ++g_entered;
        return 0;
    }
    return CallWindowProcW(g_editProc, hwnd, message, wParam, lParam);
}

TEST_F(EditTest, ASubclassSeesEnterWhileTypingStillReachesTheBox) {
    HWND hwnd = edit(u"");
    g_entered = 0;
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&lf_editSubclass)));
    SetFocus(hwnd);
    injectText(u"eddf");
    injectKey(VK_RETURN);
    pumpWaitingMessages();
    EXPECT_EQ(g_entered, 1);
    EXPECT_EQ(text(hwnd), u"eddf");
}

} // namespace
} // namespace skyloom::winui::testing
