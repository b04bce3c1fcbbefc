// The App's TCP server against an App that connects and then never reads: the main worker's
// sends must give up, drop the App and say so, instead of blocking the loop for good.
#include "feed/rt_app_server.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "platform/os/sockets.h"
#include "runtime/rt_status.h"
#include "tests/feed/support/app_feed_support.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using ::testing::SizeIs;

// Polls the server until it has taken `count` connections in all (a bound on the peer, not a
// measurement).
bool lf_acceptConnections(RtAppServer& server, std::uint64_t count) {
    for (int i = 0; i < 5000 && server.counts().connections < count; ++i) {
        server.poll();
        if (server.counts().connections < count) {
            std::this_thread::sleep_for(milliseconds{2});
        }
    }
    return server.counts().connections == count;
}

TEST(RtAppServerSendTest, AnAppThatNeverReadsIsDroppedInsteadOfBlockingTheMainWorker) {
    testing::LogCapture log;
    ManualClock clock;
    g_rtConnected.store(false);
    RtAppServer server("127.0.0.1", 0, clock);
    // Connects like the App, then reads nothing at all.
    os::TcpConnection app =
        os::TcpConnection::connect(os::kLoopbackAddress, server.port(), milliseconds{5000});
    ASSERT_TRUE(lf_acceptConnections(server, 1));
    ASSERT_TRUE(server.connected());
    ASSERT_TRUE(g_rtConnected.load());

    AppPositionReport report;
    report.position = {47.45, 8.56};
    report.altitudeFt = 1400.0;
    // Five positions a second fill the connection sooner or later; each send that finds it full
    // waits at most RtAppServer::kSendTimeout, and the first that times out drops the App.
    std::uint64_t sent = 0;
    while (sent < 10'000'000 && server.sendPosition(report, 40.0)) {
        ++sent;
    }
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, 10'000'000u) << "the sends never ran out of room";
    EXPECT_FALSE(server.connected());
    EXPECT_FALSE(g_rtConnected.load());
    EXPECT_EQ(server.counts().positionLines, sent);
    EXPECT_THAT(log.linesWith("RealTraffic App disconnected: sending timed out after 50 ms (the "
                              "App reads nothing)"),
                SizeIs(1));
    // Further positions find no App and wait for nothing.
    EXPECT_FALSE(server.sendPosition(report, 40.0));

    // The server still listens: the App, back to life, connects again.
    os::TcpConnection again =
        os::TcpConnection::connect(os::kLoopbackAddress, server.port(), milliseconds{5000});
    ASSERT_TRUE(lf_acceptConnections(server, 2));
    EXPECT_TRUE(server.sendPosition(report, 40.0));
    g_rtConnected.store(false);
}

} // namespace
} // namespace skyloom
