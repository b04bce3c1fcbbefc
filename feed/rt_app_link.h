// The RealTraffic App road as one piece: the TCP server to which the App connects, the
// "Traffic Reader" on the traffic port and the "QNH Reader" on the weather port, wired to the
// mailbox, the App road's identity sets and parked list, the QNH and the window (the feed's
// status known once the link runs, the App's version as the data source). The program
// runs one (gf_startRtAppLink at the end of the start-up, gf_stopRtAppLink in the cleanup);
// tests make their own on loopback ports that the system chooses.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "feed/app_traffic_assembler.h"
#include "feed/rt_app_lines.h"
#include "feed/rt_app_server.h"
#include "feed/rt_app_traffic_reader.h"
#include "feed/rt_app_weather_reader.h"
#include "foundation/clock.h"
#include "foundation/lalo.h"
#include "runtime/run_services.h"

namespace skyloom {

class FeedIdentities;
class ParkedTrafficList;
class StopControl;

// The box around the park airport in which the App is asked for parked traffic.
inline constexpr double kParkedRequestRadiusNm = 3.0;

struct RtAppLinkSettings {
    std::string address = "0.0.0.0";
    std::uint16_t tcpPort = 10747;
    std::uint16_t trafficPort = kAppTrafficPort;
    std::uint16_t weatherPort = kAppWeatherPort;
    // Where complete batches go: the live traffic's mailbox (gf_postTrafficBatch) in the
    // program. Required.
    TrafficBatchPost post;
    // Empty: gf_setQnh with the run's window.
    QnhSink qnh;
    // Null: the App road's (gf_feedIdentities, gf_parkedTraffic).
    FeedIdentities* identities = nullptr;
    ParkedTrafficList* parked = nullptr;
    // Empty: gf_readerStoppedWithError with the run services.
    ReaderFailure failed;
    // The radius of the buffer request's box; no value: the settings' RANGE.
    std::optional<double> rangeNm;
    // Where the App's position line comes from: the user aircraft with the simulator time
    // (gf_userAircraftAppPosition) in the program. Called on the main worker, outside every
    // lock of the link. Empty: no position is sent.
    std::function<std::optional<AppPositionReport>()> position;
};

class RtAppLink {
public:
    // Opens the server and starts both readers. Throws os::SocketError when a port cannot be
    // had, std::invalid_argument without a batch post; whatever was started is stopped again.
    // The run services must outlive the link.
    RtAppLink(const RunServices& run, RtAppLinkSettings settings);
    // Stops and joins the readers, then closes the server.
    ~RtAppLink();
    RtAppLink(const RtAppLink&) = delete;
    RtAppLink& operator=(const RtAppLink&) = delete;

    RtAppServer& server() noexcept { return *server_; }
    RtAppTrafficReader& trafficReader() noexcept { return *trafficReader_; }
    RtAppWeatherReader& weatherReader() noexcept { return *weatherReader_; }

    // Main worker: takes a new App connection and its replies, then sends the position.
    bool sendPosition(const AppPositionReport& report);
    // The settings' position source; no value without one.
    std::optional<AppPositionReport> currentPosition() const;
    // Forgets the parked lists and asks for parked traffic around the airport.
    void requestParked(const Lalo& airport);
    // The box of the last parked request (the reader's query area), if any.
    std::optional<GeoBox> parkedQueryArea() const;
    void clearQueryArea();

    // The reference altitude in feet that static parking hands the reader (none: none).
    void setReference(std::optional<double> altitudeFt);
    std::optional<double> reference() const;

    // Start-up: asks for buffered traffic and waits, polling the server, until the App has
    // sent it, the time-out passed on the clock, or `keepWaiting` says no. True when the
    // buffered traffic came. A wait that ends without it ends it for the run: the request is
    // not sent later, and what the App still sends of it is rejected.
    bool awaitBufferedTraffic(Clock::Duration timeout, const std::function<bool()>& keepWaiting,
                              const std::function<std::optional<AppPositionReport>()>& position);

private:
    double rangeNm() const;

    RunServices run_;
    RtAppLinkSettings settings_;
    ParkedTrafficList* parked_;
    std::unique_ptr<RtAppTrafficReader> trafficReader_;
    std::unique_ptr<RtAppWeatherReader> weatherReader_;
    std::unique_ptr<RtAppServer> server_;
    mutable std::mutex readerMutex_;
    std::optional<double> reference_;
    std::optional<GeoBox> queryArea_;
};

// --- The program's link ---

// Starts the program's link with the settings (the start-up: the App road's ports and
// PORT_NUMBER). A port that cannot be had stops the run through the settings' failure report;
// false then.
bool gf_startRtAppLink(const RunServices& run, RtAppLinkSettings settings);
// Stops the readers and closes the server; nothing when none runs.
void gf_stopRtAppLink();
// The running link, or null.
std::shared_ptr<RtAppLink> gf_rtAppLink();

// Main worker, every 20 traffic ticks on the App road: polls the server and sends the user
// position from the position source.
void gf_sendPositionToApp();
// Closes the App's client connection and marks the server not connected.
void gf_closeRtAppClient();
// Clears the App's parked lists and asks for parked traffic 3 NM around the park airport.
void gf_requestRtAppParkedTraffic();
// Stores the App reader's reference altitude.
void gf_setRtAppReference(std::optional<double> altitudeFt);
// The traffic-state reset: forgets the App reader's query area.
void gf_clearRtAppQueryArea();
// Start-up on the App road: asks for buffered traffic and waits for it (at most `timeout`,
// while `stop` lets the run go on).
bool gf_awaitRtAppBufferedTraffic(Clock::Duration timeout, const StopControl& stop);

} // namespace skyloom
