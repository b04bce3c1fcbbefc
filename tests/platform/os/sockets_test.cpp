#include "platform/os/sockets.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace skyloom::os {
namespace {

using std::chrono::milliseconds;

TEST(SocketsTest, UdpDatagramsArriveWholeAndOversizedOnesAreKnownByTheirLength) {
    UdpReceiver receiver(kLoopbackAddress, 0);
    ASSERT_NE(receiver.port(), 0) << "the system chose a port";
    EXPECT_TRUE(receiver.setReceiveBufferBytes(1 << 20));
    UdpSender sender;
    std::array<char, 16> buffer{};

    EXPECT_EQ(receiver.receive(buffer, milliseconds{0}).status, ReceiveStatus::timedOut);

    const std::string_view small = "RTTFC_EOT";
    ASSERT_TRUE(sender.sendTo(kLoopbackAddress, receiver.port(), small));
    ReceiveResult result = receiver.receive(buffer, milliseconds{5000});
    ASSERT_EQ(result.status, ReceiveStatus::data);
    EXPECT_EQ(std::string_view(buffer.data(), result.size), small);
    EXPECT_FALSE(result.truncated);

    const std::string large(40, 'x');
    ASSERT_TRUE(sender.sendTo(kLoopbackAddress, receiver.port(), large));
    result = receiver.receive(buffer, milliseconds{5000});
    ASSERT_EQ(result.status, ReceiveStatus::data);
    EXPECT_TRUE(result.truncated);
    EXPECT_EQ(result.size, buffer.size());
    EXPECT_EQ(result.datagramSize, 40u);
}

TEST(SocketsTest, TcpConnectionsCarryBytesBothWaysAndTellWhenThePeerLeaves) {
    TcpListener listener(kLoopbackAddress, 0);
    EXPECT_FALSE(listener.accept(milliseconds{0})) << "nobody is waiting";
    TcpConnection client =
        TcpConnection::connect(kLoopbackAddress, listener.port(), milliseconds{5000});
    std::optional<TcpConnection> server = listener.accept(milliseconds{5000});
    ASSERT_TRUE(server);
    EXPECT_TRUE(server->peer().starts_with("127.0.0.1:"));

    ASSERT_EQ(client.send("Qs999=version\n", milliseconds{5000}), SendStatus::sent);
    std::array<char, 64> buffer{};
    ReceiveResult result = server->receive(buffer, milliseconds{5000});
    ASSERT_EQ(result.status, ReceiveStatus::data);
    EXPECT_EQ(std::string_view(buffer.data(), result.size), "Qs999=version\n");

    client.close();
    EXPECT_EQ(server->receive(buffer, milliseconds{5000}).status, ReceiveStatus::closed);
    server->close();
    EXPECT_EQ(server->receive(buffer, milliseconds{0}).status, ReceiveStatus::failed);
    EXPECT_EQ(server->send("x", milliseconds{5000}), SendStatus::failed);
}

TEST(SocketsTest, SetUpFailuresThrowWithTheirReason) {
    TcpListener taken(kLoopbackAddress, 0);
    try {
        TcpListener second(kLoopbackAddress, taken.port());
        FAIL() << "a second listener on the same port";
    } catch (const SocketError& e) {
        EXPECT_NE(e.code(), 0);
        EXPECT_NE(std::string(e.what()).find("bind TCP 127.0.0.1:"), std::string::npos);
    }
    EXPECT_THROW(UdpReceiver("not an address", 0), SocketError);
    EXPECT_THROW(
        TcpConnection::connect(kLoopbackAddress, taken.port() == 1 ? 2 : 1, milliseconds{1000}),
        SocketError);
    EXPECT_TRUE(startSocketLayer());
}

TEST(SocketsTest, ASendToAPeerThatIsGoneFailsWithoutASignal) {
    TcpListener listener(kLoopbackAddress, 0);
    TcpConnection client =
        TcpConnection::connect(kLoopbackAddress, listener.port(), milliseconds{5000});
    listener.accept(milliseconds{5000})->close();
    // The first sends may still be buffered; a later one meets the reset.
    bool failed = false;
    for (int i = 0; i < 100 && !failed; ++i) {
        failed = client.send(std::string(1024, 'q'), milliseconds{5000}) == SendStatus::failed;
    }
    EXPECT_TRUE(failed);
}

TEST(SocketsTest, ASendToAPeerThatNeverReadsEndsAtItsTimeOut) {
    TcpListener listener(kLoopbackAddress, 0);
    TcpConnection client =
        TcpConnection::connect(kLoopbackAddress, listener.port(), milliseconds{5000});
    std::optional<TcpConnection> peer = listener.accept(milliseconds{5000});
    ASSERT_TRUE(peer);
    // Far more than both sides' buffers hold: the peer never reads, so the send runs out of
    // room and gives up instead of blocking.
    const std::string bytes(64 << 20, 'q');
    EXPECT_EQ(client.send(bytes, milliseconds{100}), SendStatus::timedOut);
    // Still full: a further send, however small, times out too (at once with no time to wait).
    EXPECT_EQ(client.send("x", milliseconds{0}), SendStatus::timedOut);

    // Once the peer reads, the connection carries bytes again.
    std::array<char, 65536> buffer{};
    std::size_t drained = 0;
    while (peer->receive(buffer, milliseconds{100}).status == ReceiveStatus::data) {
        ++drained;
    }
    EXPECT_GT(drained, 0u);
    EXPECT_EQ(client.send("x", milliseconds{5000}), SendStatus::sent);
}

} // namespace
} // namespace skyloom::os
