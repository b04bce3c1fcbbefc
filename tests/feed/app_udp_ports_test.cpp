// SKYLOOM_APP_UDP_PORTS: the App's UDP ports of the program's link, for stand-ins on ports of
// their own; unset, the link keeps the ports it is given.
#include "feed/app_udp_ports.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "feed/rt_app_link.h"
#include "foundation/manual_clock.h"
#include "platform/os/sockets.h"
#include "runtime/stop_request.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/recording_window_sink.h"

namespace skyloom {
namespace {

using ::testing::HasSubstr;
using ::testing::SizeIs;

// Sets the variable for one test and restores what was there.
class PortsVariable {
public:
    explicit PortsVariable(const std::string& value) {
        if (const char* before = std::getenv(kAppUdpPortsVariable)) {
            before_ = before;
        }
        ::setenv(kAppUdpPortsVariable, value.c_str(), 1);
    }
    ~PortsVariable() {
        if (before_) {
            ::setenv(kAppUdpPortsVariable, before_->c_str(), 1);
        } else {
            ::unsetenv(kAppUdpPortsVariable);
        }
    }
    PortsVariable(const PortsVariable&) = delete;
    PortsVariable& operator=(const PortsVariable&) = delete;

private:
    std::optional<std::string> before_;
};

TEST(AppUdpPortsTest, ReadsTwoDifferentPortsAndRefusesEverythingElse) {
    struct Case {
        std::string_view text;
        std::optional<std::uint16_t> traffic;
        std::optional<std::uint16_t> weather;
    };
    const std::vector<Case> cases = {
        {"49005,49004", 49005, 49004},
        {"1,65535", 1, 65535},
        {"50000,50001", 50000, 50001},
        {"", {}, {}},
        {"50000", {}, {}},
        {"50000,", {}, {}},
        {",50000", {}, {}},
        {"50000,50000", {}, {}},
        {"0,50000", {}, {}},
        {"50000,65536", {}, {}},
        {"-1,50000", {}, {}},
        {" 50000,50001", {}, {}},
        {"50000,50001,50002", {}, {}},
        {"traffic,weather", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.traffic) {
            const AppUdpPorts ports = gf_parseAppUdpPorts(c.text);
            EXPECT_EQ(ports.traffic, *c.traffic);
            EXPECT_EQ(ports.weather, *c.weather);
            continue;
        }
        try {
            gf_parseAppUdpPorts(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), HasSubstr(fmt::format("SKYLOOM_APP_UDP_PORTS=\"{}\"", c.text)));
            EXPECT_THAT(e.what(), HasSubstr("TRAFFIC,WEATHER"));
        }
    }
}

TEST(AppUdpPortsTest, UnsetOrEmptyNamesNoPorts) {
    {
        PortsVariable empty("");
        EXPECT_EQ(gf_appUdpPortsFromEnvironment(), std::nullopt);
    }
    ::unsetenv(kAppUdpPortsVariable);
    EXPECT_EQ(gf_appUdpPortsFromEnvironment(), std::nullopt);
}

struct LinkStart {
    testing::LogCapture log;
    ManualClock clock;
    StopControl stop;
    testing::RecordingWindowSink window;
    testing::BatchRecorder recorder;
    std::vector<std::string> failures;

    RtAppLinkSettings settings() {
        RtAppLinkSettings s;
        s.address = "127.0.0.1";
        s.tcpPort = 0;
        s.trafficPort = 0;
        s.weatherPort = 0;
        s.post = recorder.post();
        s.qnh = [](std::int32_t) {};
        s.failed = [this](std::string_view name, std::string_view text) {
            failures.push_back(fmt::format("{}: {}", name, text));
        };
        return s;
    }
    bool start() { return gf_startRtAppLink(RunServices{clock, stop, window}, settings()); }
};

TEST(AppUdpPortsTest, TheProgramsLinkListensOnTheNamedPorts) {
    // Two ports that are free this moment.
    std::uint16_t traffic = 0;
    std::uint16_t weather = 0;
    {
        os::UdpReceiver a("127.0.0.1", 0);
        os::UdpReceiver b("127.0.0.1", 0);
        traffic = a.port();
        weather = b.port();
    }
    PortsVariable variable(fmt::format("{},{}", traffic, weather));
    LinkStart start;
    ASSERT_TRUE(start.start()) << ::testing::PrintToString(start.failures);
    const auto link = gf_rtAppLink();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->trafficReader().port(), traffic);
    EXPECT_EQ(link->weatherReader().port(), weather);
    gf_stopRtAppLink();
}

TEST(AppUdpPortsTest, ABadValueStopsTheLinksStartWithTheReason) {
    PortsVariable variable("49005");
    LinkStart start;
    EXPECT_FALSE(start.start());
    EXPECT_EQ(gf_rtAppLink(), nullptr);
    ASSERT_THAT(start.failures, SizeIs(1));
    EXPECT_THAT(start.failures[0],
                HasSubstr("Traffic Reader: SKYLOOM_APP_UDP_PORTS=\"49005\": expected two"));
}

} // namespace
} // namespace skyloom
