// The bottom line's rules: a status text shows for 25 s against the program clock, the same
// text again re-arms it, an empty text clears without logging, and an error line holds the
// line (dropping status texts unlogged) until it is cleared. Logged texts go to Log.txt
// exactly as sent.
#include <chrono>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/gui.h"
#include "gui/tblo_notice.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using U = GuiUpdate;

class GuiStatusLineTest : public GuiTest {
protected:
    GuiRedrawFlags apply(GuiUpdate update) { return gui_.applyUpdate(update); }
    GuiRedrawFlags tick() { return apply(U::StatusExpiryTick{}); }

    Gui gui_;
};

TEST_F(GuiStatusLineTest, StatusClearsWhenTwentyFiveSecondsHavePassedAndNotBefore) {
    apply(U::StatusText{"Loading liveries ...", false});
    clock_.advance(25s - 1ns);
    EXPECT_EQ(tick(), GuiRedrawFlags::none());
    EXPECT_EQ(gui_.state().statusLine, "Loading liveries ...");

    clock_.advance(1ns);
    EXPECT_EQ(tick(), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_FALSE(gui_.state().statusExpiryArmed);
    EXPECT_EQ(tick(), GuiRedrawFlags::none()) << "a disarmed expiry clears nothing";
}

TEST_F(GuiStatusLineTest, SameTextAgainReturnsNoFlagsButRestartsTheExpiry) {
    EXPECT_EQ(apply(U::StatusText{"EDDF within reach", false}), GuiRedrawFlags::bottomLine());
    clock_.advance(20s);
    EXPECT_EQ(apply(U::StatusText{"EDDF within reach", false}), GuiRedrawFlags::none());

    clock_.advance(10s); // 30 s after the first, 10 s after the second
    EXPECT_EQ(tick(), GuiRedrawFlags::none());
    EXPECT_EQ(gui_.state().statusLine, "EDDF within reach");

    clock_.advance(15s);
    EXPECT_EQ(tick(), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().statusLine, "");
}

TEST_F(GuiStatusLineTest, EmptyTextClearsAndDisarmsWithoutLogging) {
    apply(U::StatusText{"shown", true});
    EXPECT_EQ(apply(U::StatusText{"", true}), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_FALSE(gui_.state().statusExpiryArmed);
    EXPECT_THAT(logLines(), ElementsAre("shown"));

    EXPECT_EQ(apply(U::StatusText{"", true}), GuiRedrawFlags::none()) << "nothing changed";
    EXPECT_THAT(logLines(), ElementsAre("shown"));
}

TEST_F(GuiStatusLineTest, OnlyTextsWithTheLogFlagAreLoggedAndUnchanged) {
    apply(U::StatusText{"quiet", false});
    apply(U::StatusText{"Push  {} 100% \"as is\"", true});
    apply(U::StatusText{"Push  {} 100% \"as is\"", true}); // logged again: the user saw it again
    EXPECT_THAT(logLines(), ElementsAre("Push  {} 100% \"as is\"", "Push  {} 100% \"as is\""));
}

TEST_F(GuiStatusLineTest, StatusUnderAnErrorLineIsNeitherShownNorLogged) {
    apply(U::ErrorText{"SimConnect request error"});
    const GuiState before = gui_.state();

    EXPECT_EQ(apply(U::StatusText{"EGLL within reach", true}), GuiRedrawFlags::none());
    EXPECT_EQ(apply(U::ClearStatus{}), GuiRedrawFlags::none());
    EXPECT_EQ(gui_.state(), before);
    EXPECT_THAT(logLines(), ElementsAre("Error SimConnect request error"));
}

TEST_F(GuiStatusLineTest, ErrorLineReplacesTheStatusAndStaysUntilCleared) {
    apply(U::StatusText{"status", false});
    EXPECT_EQ(apply(U::ErrorText{"reader stopped"}), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().statusLine, "");
    EXPECT_FALSE(gui_.state().statusExpiryArmed) << "an old expiry must not fire later";

    clock_.advance(1h);
    tick();
    apply(U::AirportFile{true, "Frankfurt"});
    EXPECT_EQ(gui_.state().errorLine, "reader stopped");

    EXPECT_EQ(apply(U::ClearError{}), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().errorLine, "");
    EXPECT_EQ(apply(U::StatusText{"back", false}), GuiRedrawFlags::bottomLine());
    EXPECT_EQ(gui_.state().statusLine, "back");
}

TEST_F(GuiStatusLineTest, SameErrorTwiceLogsOnceButAgainAfterItWasCleared) {
    apply(U::ErrorText{"lost"});
    EXPECT_EQ(apply(U::ErrorText{"lost"}), GuiRedrawFlags::none());
    EXPECT_THAT(logLines(), ElementsAre("Error lost"));

    apply(U::ErrorText{"other"});
    EXPECT_EQ(gui_.state().errorLine, "other");
    apply(U::ClearError{});
    apply(U::ErrorText{"other"});
    EXPECT_THAT(logLines(), ElementsAre("Error lost", "Error other", "Error other"));
}

TEST_F(GuiStatusLineTest, ResetClearsTheErrorLine) {
    apply(U::ErrorText{"fatal"});
    EXPECT_EQ(apply(U::Reset{}), GuiRedrawFlags(15));
    EXPECT_EQ(gui_.state().errorLine, "");
    EXPECT_EQ(apply(U::StatusText{"restarting", false}), GuiRedrawFlags::bottomLine());
}

TEST_F(GuiStatusLineTest, ClearStatusTextShowsTheTbloNoticeWhileItIsPending) {
    gui_.recordGuiThread(); // the senders apply at once on the GUI thread
    gui_.showStatusText("scan done", false);

    gf_setTbloNoticePending(true);
    gui_.clearStatusText();
    EXPECT_EQ(gui_.state().statusLine, "Push the tblo button and mail 'tblo.zip' to " +
                                           std::string(kSupportEmailAddress) + ", please");
    EXPECT_TRUE(gui_.state().statusExpiryArmed);
    EXPECT_THAT(logLines(), IsEmpty()) << "the notice is not logged";

    gf_setTbloNoticePending(false);
    gui_.clearStatusText();
    EXPECT_EQ(gui_.state().statusLine, "");
}

TEST_F(GuiStatusLineTest, StaticFitHiddenSenderSetsTheWorkersFlagBeforeSending) {
    gui_.setStaticFitHidden(true); // not the GUI thread: queued, the flag is set at once
    EXPECT_TRUE(gui_.staticFitHiddenForSenders());
    EXPECT_FALSE(gui_.state().staticFitHidden);
    EXPECT_EQ(gui_.queuedUpdateCount(), 1u);

    // While hidden, a static fit is not even queued.
    gui_.setStaticFit(4.5f);
    EXPECT_EQ(gui_.queuedUpdateCount(), 1u);

    gui_.setStaticFitHidden(false);
    EXPECT_FALSE(gui_.staticFitHiddenForSenders());
    gui_.setStaticFit(4.5f);
    EXPECT_EQ(gui_.queuedUpdateCount(), 3u);
}

} // namespace
} // namespace skyloom::testing
