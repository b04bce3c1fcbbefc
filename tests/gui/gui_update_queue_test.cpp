// The update queue between the threads and the window: a burst from several workers wakes
// the window once and repaints the union of the changed bands once, losing nothing and
// keeping each thread's order; updates made before the window exists wait for it; after the
// window is destroyed every update is dropped; a failed post does not leave the queue
// stranded; the GUI thread's own updates apply at once.
#include <cstddef>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "gui/gui_messages.h"
#include "platform/winui/debug_output.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/window.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using U = GuiUpdate;

class GuiUpdateQueueTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
            if (const auto* status = update.get<U::StatusText>()) {
                applied_.push_back(status->text);
            } else {
                applied_.push_back(std::string(gf_guiUpdateKindText(update.kind())));
            }
        });
    }

    Gui gui_;
    std::vector<std::string> applied_;
};

TEST_F(GuiUpdateQueueTest, BurstFromWorkersWakesTheWindowOnceAndLosesNothing) {
    const winui::HWND window = createMainWindow(gui_);
    pump(); // the first paint of the new window
    journal_.paints = 0;
    journal_.paintRects.clear();

    constexpr std::size_t kThreads = 4;
    constexpr std::size_t kPerThread = 250;
    runOnThreads(kThreads, [&](std::size_t thread) {
        for (std::size_t i = 0; i < kPerThread; ++i) {
            switch (thread) {
            case 0: // counters band
                gui_.enqueueUpdate(U::LiveAircraftCount{i + 1});
                break;
            case 1: // park-airport panel
                gui_.enqueueUpdate(U::StandCount{i});
                break;
            default: // bottom line, ordered per thread
                gui_.showStatusText(fmt::format("t{} #{}", thread, i), false);
                break;
            }
        }
    });
    EXPECT_EQ(gui_.queuedUpdateCount(), kThreads * kPerThread);
    EXPECT_TRUE(gui_.drainPending());

    pump();

    EXPECT_EQ(journal_.guiUpdateMessages, 1u);
    EXPECT_THAT(journal_.drains, ElementsAre(GuiRedrawFlags(1 | 4 | 8)));
    EXPECT_EQ(journal_.paints, 1u);
    ASSERT_EQ(journal_.paintRects.size(), 1u);
    // Counters (y 32-96), panel (640-736) and bottom line (736-768), nothing above them.
    EXPECT_EQ(journal_.paintRects[0], (winui::RECT{0, 32, 900, 768}));

    ASSERT_EQ(applied_.size(), kThreads * kPerThread);
    EXPECT_EQ(gui_.state().liveAircraftCount, kPerThread);
    EXPECT_EQ(gui_.state().standCount, kPerThread - 1);
    for (std::size_t thread = 2; thread < kThreads; ++thread) {
        std::vector<std::string> seen;
        const std::string prefix = fmt::format("t{} #", thread);
        for (const std::string& text : applied_) {
            if (text.starts_with(prefix)) {
                seen.push_back(text);
            }
        }
        ASSERT_EQ(seen.size(), kPerThread) << prefix;
        for (std::size_t i = 0; i < kPerThread; ++i) {
            EXPECT_EQ(seen[i], fmt::format("t{} #{}", thread, i)) << "order of one thread";
        }
    }
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);
    EXPECT_FALSE(gui_.drainPending());
    EXPECT_NE(window, nullptr);
}

TEST_F(GuiUpdateQueueTest, AfterADrainTheNextWorkerUpdatePostsAgain) {
    createMainWindow(gui_);
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("first", false); });
    pump();
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("second", false); });
    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 2u);
    EXPECT_EQ(gui_.state().statusLine, "second");
}

TEST_F(GuiUpdateQueueTest, UpdatesBeforeTheWindowExistsAreShownOnceItDoes) {
    // The worker starts sending while the GUI thread is still setting up.
    runOnThreads(2, [&](std::size_t thread) {
        if (thread == 0) {
            gui_.setDataSourceText("RT App");
            gui_.setSimaddonCount(17);
        } else {
            gui_.showStatusText("Loading ...", true);
        }
    });
    gui_.showErrorLine("from the future GUI thread, before it was recorded");
    EXPECT_EQ(gui_.queuedUpdateCount(), 4u);
    EXPECT_FALSE(gui_.drainPending()) << "nothing to post to yet";
    EXPECT_EQ(gui_.state(), GuiState()) << "nothing applied yet";

    createMainWindow(gui_);
    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 0u) << "the window alone posts nothing";

    gui_.postUpdatesQueuedBeforeWindow();
    EXPECT_TRUE(gui_.drainPending());
    pump();

    EXPECT_EQ(journal_.guiUpdateMessages, 1u);
    EXPECT_EQ(gui_.state().dataSourceText, "RT App");
    EXPECT_EQ(gui_.state().simaddonCount, 17u);
    EXPECT_EQ(gui_.state().errorLine, "from the future GUI thread, before it was recorded");
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);
}

TEST_F(GuiUpdateQueueTest, AWindowWithoutEarlierUpdatesIsNotWokenAtStart) {
    createMainWindow(gui_);
    gui_.postUpdatesQueuedBeforeWindow();
    EXPECT_FALSE(gui_.drainPending());
    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 0u);
}

TEST_F(GuiUpdateQueueTest, AfterTheWindowIsDestroyedEveryUpdateIsDropped) {
    const winui::HWND window = createMainWindow(gui_);
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("queued before the end", true); });
    EXPECT_EQ(gui_.queuedUpdateCount(), 1u);

    winui::DestroyWindow(window);
    EXPECT_EQ(journal_.destroys, 1u);
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u) << "queued updates go with the window";
    EXPECT_FALSE(gui_.drainPending());

    runOnThreads(2, [&](std::size_t) { gui_.showStatusText("late", true); });
    gui_.showStatusText("late on the GUI thread", true);
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);
    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 0u);
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_THAT(applied_, IsEmpty());
    EXPECT_THAT(logLines(), IsEmpty());
}

TEST_F(GuiUpdateQueueTest, RecordingTheGuiThreadAgainAcceptsUpdatesAfterAStop) {
    gui_.stopUpdates();
    gui_.showStatusText("dropped", false);
    EXPECT_EQ(gui_.queuedUpdateCount(), 0u);

    gui_.recordGuiThread();
    gui_.showStatusText("accepted", false);
    EXPECT_EQ(gui_.state().statusLine, "accepted");
}

TEST_F(GuiUpdateQueueTest, AFailedPostLetsTheNextUpdatePostAgain) {
    createMainWindow(gui_);

    winui::setPostMessageFault(true);
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("while the queue was full", false); });
    EXPECT_FALSE(gui_.drainPending()) << "no message is in flight";
    EXPECT_EQ(gui_.queuedUpdateCount(), 1u) << "the update itself is kept";
    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 0u);

    winui::setPostMessageFault(false);
    runOnThreads(1, [&](std::size_t) { gui_.enqueueUpdate(U::LiveAircraftCount{3}); });
    EXPECT_TRUE(gui_.drainPending());
    pump();

    EXPECT_EQ(journal_.guiUpdateMessages, 1u);
    EXPECT_THAT(applied_, ElementsAre("while the queue was full", "live-aircraft count"));
}

TEST_F(GuiUpdateQueueTest, GuiThreadUpdatesApplyAtOnceAheadOfQueuedOnes) {
    createMainWindow(gui_);
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("from the worker", false); });

    gui_.showStatusText("from the GUI thread", false);
    EXPECT_EQ(gui_.state().statusLine, "from the GUI thread");
    EXPECT_EQ(gui_.queuedUpdateCount(), 1u);

    pump();
    EXPECT_THAT(applied_, ElementsAre("from the GUI thread", "from the worker"));
    EXPECT_EQ(gui_.state().statusLine, "from the worker");
}

TEST_F(GuiUpdateQueueTest, ALaterWakeUpFindsTheQueueEmptyAndRepaintsNothing) {
    const winui::HWND window = createMainWindow(gui_);
    runOnThreads(1, [&](std::size_t) { gui_.showStatusText("one", false); });
    winui::PostMessageW(window, MSG_GUI_UPDATE, 0, 0); // a second wake-up behind the first

    pump();
    EXPECT_EQ(journal_.guiUpdateMessages, 2u);
    EXPECT_THAT(journal_.drains, ElementsAre(GuiRedrawFlags::bottomLine(), GuiRedrawFlags::none()));
}

TEST_F(GuiUpdateQueueTest, AFailingUpdateOnTheGuiThreadGoesToTheDebuggerOutputOnly) {
    struct ThrowsOnConversion {
        operator std::string() const { throw std::runtime_error("no text"); }
    };
    gui_.recordGuiThread();
    GuiUpdate broken = U::ClearStatus{};
    EXPECT_ANY_THROW(broken.payload.emplace<U::StatusText>(ThrowsOnConversion{}, true));
    ASSERT_TRUE(broken.payload.valueless_by_exception());

    gui_.enqueueUpdate(std::move(broken));

    EXPECT_THAT(winui::takeDebugOutput(), ElementsAre("Gui::applyUpdate failed\n"));
    EXPECT_EQ(gui_.state(), GuiState());
    EXPECT_THAT(logLines(), IsEmpty());
}

TEST_F(GuiUpdateQueueTest, AFailingUpdateInADrainDoesNotCostTheOthersTheirTurn) {
    struct ThrowsOnConversion {
        operator std::string() const { throw std::runtime_error("no text"); }
    };
    createMainWindow(gui_);
    GuiUpdate broken = U::ClearStatus{};
    EXPECT_ANY_THROW(broken.payload.emplace<U::StatusText>(ThrowsOnConversion{}, true));
    runOnThreads(1, [&](std::size_t) {
        gui_.showStatusText("before", false);
        gui_.enqueueUpdate(std::move(broken));
        gui_.enqueueUpdate(U::SimaddonCount{5});
    });

    pump();

    EXPECT_THAT(winui::takeDebugOutput(), ElementsAre("Gui::applyUpdate failed\n"));
    EXPECT_EQ(gui_.state().statusLine, "before");
    EXPECT_EQ(gui_.state().simaddonCount, 5u);
}

TEST(GuiLifetimeTest, DestroyingTheGuiFreesItsGdiObjectsAndItsWindow) {
    const std::size_t before = winui::gdiObjectCount();
    {
        Gui gui;
        EXPECT_EQ(winui::gdiObjectCount(), before + 9) << "seven brushes and two pens";
        EXPECT_NE(gui.brushes().lightBlue.get(), nullptr);
        EXPECT_NE(gui.pens().white.get(), nullptr);
        EXPECT_EQ(gui.textFont(), nullptr) << "fonts come with the window";
    }
    EXPECT_EQ(winui::gdiObjectCount(), before);
}

TEST_F(GuiUpdateQueueTest, DestroyingTheGuiDestroysItsWindow) {
    winui::HWND window = nullptr;
    {
        Gui gui;
        window = createMainWindow(gui);
        ASSERT_NE(winui::IsWindow(window), winui::FALSE);
    }
    EXPECT_EQ(winui::IsWindow(window), winui::FALSE);
    EXPECT_EQ(journal_.destroys, 1u);
}

} // namespace
} // namespace skyloom::testing
