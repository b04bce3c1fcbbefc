// The drop-down combo box: its item messages, who hears about a selection (nobody when it is
// set by message, the parent when the user makes it), the list's scrolling, keys, and the
// box's height.
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "platform/winui/window_state.h"
#include "tests/platform/winui/support/winui_test_support.h"

namespace skyloom::winui::testing {
namespace {

using ::testing::ElementsAre;

constexpr int kComboId = 32818;

struct Notice {
    int code;
    LRESULT selectionSeen;
};

class ComboBoxTest : public WinuiTest {
protected:
    void SetUp() override {
        WinuiTest::SetUp();
        parentRecorder_.setHandler(
            [this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
                if (message == WM_COMMAND && LOWORD(wParam) == kComboId) {
                    notices_.push_back(
                        Notice{HIWORD(wParam),
                               SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0)});
                    return 0;
                }
                return std::nullopt;
            });
        parent_ = createTopLevel(parentRecorder_, WS_POPUP | WS_VISIBLE, RECT{0, 0, 600, 500});
    }

    HWND combo(int items, int dropHeight = 300) {
        HWND hwnd = CreateWindowExW(
            0, u"ComboBox", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
            100, 50, 200, dropHeight, parent_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kComboId)), nullptr, nullptr);
        for (int i = 0; i < items; ++i) {
            const std::string text = "Stand " + std::to_string(i);
            const std::u16string wide(text.begin(), text.end());
            SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        }
        pumpWaitingMessages();
        return hwnd;
    }

    std::u16string itemText(HWND hwnd, int index) {
        const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length == CB_ERR) {
            return u"<error>";
        }
        std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
        SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }

    // Clicks the box to open it, then row `row` of the open list.
    void pickRow(HWND hwnd, int row) {
        RECT box;
        GetWindowRect(hwnd, &box);
        ASSERT_TRUE(injectClick(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2}));
        pumpWaitingMessages();
        ASSERT_TRUE(SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0));
        const int itemHeight = static_cast<int>(SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0));
        ASSERT_TRUE(
            injectClick(POINT{box.left + 20, box.bottom + 1 + row * itemHeight + itemHeight / 2}));
        pumpWaitingMessages();
    }

    std::vector<int> codes() const {
        std::vector<int> result;
        for (const Notice& n : notices_) {
            result.push_back(n.code);
        }
        return result;
    }

    Recorder parentRecorder_;
    HWND parent_ = nullptr;
    std::vector<Notice> notices_;
};

TEST_F(ComboBoxTest, ItemMessagesKeepTheListAndTheSelection) {
    HWND hwnd = combo(0);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"MSFS 2020")), 0);
    EXPECT_EQ(SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"MSFS 2024")), 1);
    EXPECT_EQ(SendMessageW(hwnd, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"")), 0);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(hwnd, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(itemText(hwnd, 2), u"MSFS 2024");
    EXPECT_EQ(SendMessageW(hwnd, CB_GETLBTEXTLEN, 0, 0), 0); // an empty item is no error
    EXPECT_EQ(SendMessageW(hwnd, CB_GETLBTEXTLEN, 3, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(hwnd, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"x")), CB_ERR);

    // Removing an item before the selection keeps the same item selected.
    EXPECT_EQ(SendMessageW(hwnd, CB_DELETESTRING, 0, 0), 2);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 1);
    char16_t text[32];
    EXPECT_EQ(GetWindowTextW(hwnd, text, 32), 9);
    EXPECT_EQ(std::u16string(text), u"MSFS 2024");

    // Searches: prefix without regard to case, from after an index, wrapping.
    EXPECT_EQ(SendMessageW(hwnd, CB_FINDSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(u"msfs")),
              0);
    EXPECT_EQ(SendMessageW(hwnd, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>(u"msfs")), 1);
    EXPECT_EQ(SendMessageW(hwnd, CB_FINDSTRING, 1, reinterpret_cast<LPARAM>(u"msfs")), 0);
    EXPECT_EQ(SendMessageW(hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(u"msfs")),
              CB_ERR);
    EXPECT_EQ(SendMessageW(hwnd, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                           reinterpret_cast<LPARAM>(u"MSFS 2020")),
              0);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 0);

    // An index out of range clears the selection.
    EXPECT_EQ(SendMessageW(hwnd, CB_SETCURSEL, 5, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(hwnd, CB_RESETCONTENT, 0, 0), CB_OKAY);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCOUNT, 0, 0), 0);
}

TEST_F(ComboBoxTest, SortedBoxesInsertInOrder) {
    HWND hwnd =
        CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, 0,
                        0, 100, 100, parent_, nullptr, nullptr, nullptr);
    for (const char16_t* text : {u"delta", u"Alpha", u"charlie", u"bravo"}) {
        SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    EXPECT_EQ(itemText(hwnd, 0), u"Alpha");
    EXPECT_EQ(itemText(hwnd, 1), u"bravo");
    EXPECT_EQ(itemText(hwnd, 3), u"delta");
}

TEST_F(ComboBoxTest, SelectingByMessageRaisesNoCommandButTheUsersSelectionDoes) {
    HWND hwnd = combo(5);
    SendMessageW(hwnd, CB_SETCURSEL, 1, 0);
    SendMessageW(hwnd, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(u"Stand 2"));
    pumpWaitingMessages();
    EXPECT_TRUE(notices_.empty());

    pickRow(hwnd, 3);
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 3);
    EXPECT_FALSE(SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_THAT(codes(),
                ElementsAre(CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE));
    // The parent reads the new selection while it handles CBN_SELCHANGE.
    EXPECT_EQ(notices_.back().selectionSeen, 3);
}

TEST_F(ComboBoxTest, PickingTheSelectedItemAgainOrClickingElsewhereChangesNothing) {
    HWND hwnd = combo(5);
    SendMessageW(hwnd, CB_SETCURSEL, 2, 0);
    pickRow(hwnd, 2);
    EXPECT_THAT(codes(), ElementsAre(CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP));

    notices_.clear();
    RECT box;
    GetWindowRect(hwnd, &box);
    injectClick(POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    pumpWaitingMessages();
    injectClick(POINT{5, 450}); // on the parent, away from box and list
    pumpWaitingMessages();
    EXPECT_THAT(codes(), ElementsAre(CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP));
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, KeysAndTypedLettersSelectAndTellTheParent) {
    HWND hwnd = combo(0);
    for (const char16_t* text : {u"EDDF", u"EGLL", u"KJFK", u"LFPG"}) {
        SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SetFocus(hwnd);
    notices_.clear();
    injectKey(VK_DOWN);
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 0);
    injectChar(u'e'); // the next item starting with E after the current one
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 1);
    injectKey(VK_END);
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 3);
    injectKey(VK_DOWN); // already at the end: no change, no notice
    pumpWaitingMessages();
    EXPECT_THAT(codes(), ElementsAre(CBN_SELCHANGE, CBN_SELCHANGE, CBN_SELCHANGE));

    // F4 opens the list; arrows move the mark only; Enter takes it.
    notices_.clear();
    injectKey(VK_F4);
    injectKey(VK_UP);
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 3);
    injectKey(VK_RETURN);
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 2);
    EXPECT_THAT(codes(), ElementsAre(CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE));
}

TEST_F(ComboBoxTest, ALongListScrollsByArrowButtonAndWheel) {
    HWND hwnd = combo(30, 200);
    RECT box;
    GetWindowRect(hwnd, &box);
    injectClick(POINT{box.left + 20, (box.top + box.bottom) / 2});
    pumpWaitingMessages();
    ASSERT_TRUE(SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessageW(hwnd, CB_GETTOPINDEX, 0, 0), 0);

    // The list's down arrow sits at the bottom right of the list.
    const int itemHeight = static_cast<int>(SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0));
    const int rows = (200 - (box.bottom - box.top)) / itemHeight;
    const int listBottom = box.bottom + rows * itemHeight + 2;
    injectClick(POINT{box.right - 4, listBottom - 4});
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETTOPINDEX, 0, 0), 1);
    EXPECT_TRUE(SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0)); // scrolling keeps it open

    injectWheel(POINT{box.left + 20, box.bottom + 10}, -WHEEL_DELTA);
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETTOPINDEX, 0, 0), 4);

    // A row picked after scrolling is counted from the top row shown.
    notices_.clear();
    injectClick(POINT{box.left + 20, box.bottom + 1 + itemHeight + itemHeight / 2});
    pumpWaitingMessages();
    EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), 5);
    EXPECT_EQ(notices_.back().code, CBN_SELCHANGE);
}

TEST_F(ComboBoxTest, TheBoxIsOneLineHighWhateverHeightItWasGiven) {
    HWND hwnd = combo(3, 300);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    const int boxHeight = rect.bottom - rect.top;
    EXPECT_LT(boxHeight, 60);
    const int itemHeight = static_cast<int>(SendMessageW(hwnd, CB_GETITEMHEIGHT, 0, 0));
    EXPECT_GT(boxHeight, itemHeight);
    RECT dropped;
    SendMessageW(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(dropped.bottom - dropped.top, 300);

    // Sizing it again sets the room for the list, not the box.
    SetWindowPos(hwnd, nullptr, 0, 0, 250, 150, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(hwnd, &rect);
    EXPECT_EQ(rect.bottom - rect.top, boxHeight);
    EXPECT_EQ(rect.right - rect.left, 250);
    SendMessageW(hwnd, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(dropped.bottom - dropped.top, 150);
}

TEST_F(ComboBoxTest, ADisabledBoxDoesNotOpen) {
    HWND hwnd = combo(3);
    EnableWindow(hwnd, FALSE);
    RECT box;
    GetWindowRect(hwnd, &box);
    injectClick(POINT{box.left + 20, (box.top + box.bottom) / 2});
    pumpWaitingMessages();
    EXPECT_FALSE(SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(notices_.empty());
}

} // namespace
} // namespace skyloom::winui::testing
