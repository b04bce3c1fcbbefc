// The main-window services that other subsystems call: the parking interval shown and handed
// to the main loop, and the unmatched-airport notice.
#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "gui/gui.h"
#include "gui/parking_interval.h"
#include "gui/tblo_notice.h"
#include "tests/gui/support/gui_test_support.h"

namespace skyloom::testing {
namespace {

class GuiServicesTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        gf_takeParkingIntervalMinutes(); // forget what an earlier test handed over
    }
    Gui gui_;
};

TEST_F(GuiServicesTest, ParkingIntervalIsShownAndHandedOverOnce) {
    gui_.recordGuiThread();
    ParamsSnapshot settings;
    settings.PARKING_INTERVAL_MINUTES = 45;

    gf_showParkingInterval(gui_, settings);

    EXPECT_EQ(gui_.state().minutesToNextParkingUpdate, 45);
    EXPECT_EQ(gf_takeParkingIntervalMinutes(), 45);
    EXPECT_EQ(gf_takeParkingIntervalMinutes(), std::nullopt) << "handed over once";
}

TEST_F(GuiServicesTest, TheLatestParkingIntervalWins) {
    ParamsSnapshot settings;
    settings.PARKING_INTERVAL_MINUTES = 30;
    gf_showParkingInterval(gui_, settings);
    settings.PARKING_INTERVAL_MINUTES = 10;
    gf_showParkingInterval(gui_, settings);

    EXPECT_EQ(gf_takeParkingIntervalMinutes(), 10);
    EXPECT_EQ(gui_.queuedUpdateCount(), 2u) << "no GUI thread yet: both wait for the window";
}

TEST_F(GuiServicesTest, TbloNoticeTextNamesTheArchiveAndWhereToMailIt) {
    EXPECT_EQ(gf_tbloNoticeText(),
              "Push the tblo button and mail 'tblo.zip' to support@skyloom.example, please");
}

} // namespace
} // namespace skyloom::testing
