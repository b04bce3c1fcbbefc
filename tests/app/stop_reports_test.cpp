#include "runtime/stop_reports.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "tests/app/support/app_test_support.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class StopReportsTest : public testing::AppTest {};

TEST_F(StopReportsTest, SimGoneShowsAndLogsTheTimeAndStopsWithSimWasClosed) {
    clock_.setUtc(ManualClock::utcTime(2026, 3, 1, 12, 34, 56));
    gf_simNoLongerConnected(gui_, stop_);
    const std::string text = "12:34:56 Flight Simulator no longer connected, Skyloom will stop ...";
    EXPECT_EQ(gui_.state().statusLine, text);
    EXPECT_THAT(logText(), HasSubstr(text + "\n"));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simWasClosed, 0}));
}

TEST_F(StopReportsTest, SimGoneIsLoggedOnceEvenUnderAnErrorLineOrAfterTheWindowStopped) {
    clock_.setUtc(ManualClock::utcTime(2026, 3, 1, 12, 34, 56));
    const std::string text = "12:34:56 Flight Simulator no longer connected, Skyloom will stop ...";
    // The SimClient shows its error line just before it reports the simulator gone.
    gui_.showErrorLine("Exception in SimClient");
    gf_simNoLongerConnected(gui_, stop_);
    EXPECT_EQ(gui_.state().errorLine, "Exception in SimClient");
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simWasClosed, 0}));

    stop_.reset();
    gui_.stopUpdates();
    gf_simNoLongerConnected(gui_, stop_);
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::simWasClosed, 0}));

    const std::string log = logText();
    std::size_t lines = 0;
    for (std::size_t at = log.find(text + "\n"); at != std::string::npos;
         at = log.find(text + "\n", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 2u) << log;
}

TEST_F(StopReportsTest, SimGoneAfterTheProgramStoppedSaysNothing) {
    stop_.request(StopReason::newFlight, 60);
    gf_simNoLongerConnected(gui_, stop_);
    EXPECT_THAT(statusTexts(), IsEmpty());
    EXPECT_THAT(logText(), Not(HasSubstr("no longer connected")));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::newFlight, 60}));
}

struct ApiErrorCase {
    std::string name;
    bool isReader;
    long status;
    std::string text;
    StopReason reason;
};

TEST_F(StopReportsTest, WebApiErrorsShowTheirTextAndStopAsReaderOrSystemError) {
    const std::string expired =
        "Your RealTraffic license has expired (error 402). Check your license and API token.";
    const std::vector<ApiErrorCase> cases = {
        {"Traffic RTAPIreader", true, 402, expired, StopReason::readerError},
        {"RealTraffic session", false, 402, expired, StopReason::systemError},
        {"Weather RTAPIreader", true, 500, "The Weather RTAPIreader has stopped with an error",
         StopReason::readerError},
        {"RealTraffic session", false, 401, "The RealTraffic session has stopped with an error",
         StopReason::systemError},
    };
    for (const ApiErrorCase& c : cases) {
        stop_.reset();
        gf_showRtApiError(gui_, stop_, c.name, c.isReader, c.status);
        EXPECT_EQ(gui_.state().statusLine, c.text) << c.name << " " << c.status;
        EXPECT_THAT(logText(), HasSubstr(c.text + "\n"));
        EXPECT_EQ(stop_.current(), (StopRequest{c.reason, 15})) << c.name << " " << c.status;
    }
}

TEST_F(StopReportsTest, AReaderThatStoppedRestartsTheProgramWithReaderError) {
    gf_readerStoppedWithError(gui_, stop_, "Traffic Reader", "connection reset");
    EXPECT_EQ(gui_.state().statusLine,
              "The Traffic Reader has stopped with error: connection reset");
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::readerError, 15}));
}

TEST_F(StopReportsTest, AReportAfterAnotherReasonStillShowsButKeepsTheFirstReason) {
    stop_.request(StopReason::trafficMailboxStalled, 0);
    gf_readerStoppedWithError(gui_, stop_, "QNH Reader", "socket closed");
    gf_showRtApiError(gui_, stop_, "Traffic RTAPIreader", true, 503);
    EXPECT_THAT(statusTexts(), ElementsAre("The QNH Reader has stopped with error: socket closed",
                                           "The Traffic RTAPIreader has stopped with an error"));
    EXPECT_EQ(stop_.current(), (StopRequest{StopReason::trafficMailboxStalled, 0}));
}

} // namespace
} // namespace skyloom
