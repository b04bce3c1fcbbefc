#include "feed/rt_app_link.h"

#include <atomic>
#include <exception>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/qnh.h"
#include "foundation/log_file.h"
#include "refdata/park_airport.h"
#include "runtime/rt_status.h"
#include "runtime/stop_reports.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace skyloom {
namespace {

// How often the start-up's wait for buffered traffic looks again.
constexpr std::chrono::milliseconds kAwaitStep{50};
// How long the end of that wait waits for the traffic reader to take note (it looks between
// two datagrams, at least every RtAppTrafficReader::kReceiveTimeout).
constexpr std::chrono::milliseconds kBufferWaitEndTimeout{2000};

std::atomic<std::shared_ptr<RtAppLink>> g_link;

} // namespace

RtAppLink::RtAppLink(const RunServices& run, RtAppLinkSettings settings)
    : run_(run), settings_(std::move(settings)),
      parked_(settings_.parked != nullptr ? settings_.parked
                                          : &gf_parkedTraffic(TrafficSource::rtApp)) {
    if (!settings_.post) {
        throw std::invalid_argument("RealTraffic App link without a batch post");
    }
    if (!settings_.qnh) {
        settings_.qnh = [&window = run_.window](std::int32_t hpa) { gf_setQnh(hpa, window); };
    }
    if (!settings_.failed) {
        settings_.failed = [run = run_](std::string_view name, std::string_view text) {
            gf_readerStoppedWithError(run.window, run.stop, name, text);
        };
    }
    FeedIdentities* identities = settings_.identities != nullptr
                                     ? settings_.identities
                                     : &gf_feedIdentities(TrafficSource::rtApp);

    AppReaderSettings reader{run_, settings_.address, settings_.trafficPort, settings_.failed};
    trafficReader_ = std::make_unique<RtAppTrafficReader>(
        reader, AppTrafficAssembler::Targets{settings_.post, identities, parked_});
    reader.port = settings_.weatherPort;
    weatherReader_ = std::make_unique<RtAppWeatherReader>(reader, settings_.qnh);
    RtAppTrafficReader* traffic = trafficReader_.get();
    server_ = std::make_unique<RtAppServer>(
        settings_.address, settings_.tcpPort, run_.clock,
        RtAppServer::Notices{[traffic] { traffic->noteParkedRequest(); },
                             [traffic] { traffic->noteBufferRequest(); },
                             [&window = run_.window](const AppVersionReply& version) {
                                 window.enqueueUpdate(GuiUpdate::DataSourceText{
                                     fmt::format("RT App {}", version.version)});
                             }});
    run_.window.enqueueUpdate(GuiUpdate::FeedStatusKnown{});
}

RtAppLink::~RtAppLink() {
    // The readers first: nothing they post may meet a half-closed link.
    trafficReader_.reset();
    weatherReader_.reset();
    server_.reset();
}

double RtAppLink::rangeNm() const {
    return settings_.rangeNm ? *settings_.rangeNm : gf_paramsSnapshot()->RANGE;
}

std::optional<AppPositionReport> RtAppLink::currentPosition() const {
    return settings_.position ? settings_.position() : std::nullopt;
}

bool RtAppLink::sendPosition(const AppPositionReport& report) {
    server_->poll();
    return server_->sendPosition(report, rangeNm());
}

void RtAppLink::requestParked(const Lalo& airport) {
    const GeoBox box = gf_boxAround(airport, kParkedRequestRadiusNm);
    parked_->clear();
    {
        const std::lock_guard lock(readerMutex_);
        queryArea_ = box;
    }
    server_->requestParked(box);
}

std::optional<GeoBox> RtAppLink::parkedQueryArea() const {
    const std::lock_guard lock(readerMutex_);
    return queryArea_;
}

void RtAppLink::clearQueryArea() {
    const std::lock_guard lock(readerMutex_);
    queryArea_.reset();
}

void RtAppLink::setReference(std::optional<double> altitudeFt) {
    const std::lock_guard lock(readerMutex_);
    reference_ = altitudeFt;
}

std::optional<double> RtAppLink::reference() const {
    const std::lock_guard lock(readerMutex_);
    return reference_;
}

bool RtAppLink::awaitBufferedTraffic(
    Clock::Duration timeout, const std::function<bool()>& keepWaiting,
    const std::function<std::optional<AppPositionReport>()>& position) {
    server_->wantBufferedTraffic(true);
    Clock& waitClock = run_.clock;
    const Clock::SteadyTime end = waitClock.steadyNow() + timeout;
    bool requested = false;
    while (keepWaiting() && waitClock.steadyNow() < end) {
        server_->poll();
        if (!requested && server_->connected()) {
            // The buffer request goes with the first position after the connection.
            if (const auto report = position()) {
                requested = server_->sendPosition(*report, rangeNm());
            }
        }
        if (requested && server_->counts().bufferRequests > 0 && trafficReader_->bufferedDone()) {
            return true;
        }
        waitClock.sleepFor(kAwaitStep);
    }
    // Buffered traffic is played before the live traffic; once the main loop runs, it would
    // come after it. So the request is not sent later, and an answer still on its way is not
    // taken (unless it has ended by the time the reader hears of this).
    server_->wantBufferedTraffic(false);
    return requested && server_->counts().bufferRequests > 0 &&
           trafficReader_->endBufferWait(kBufferWaitEndTimeout);
}

bool gf_startRtAppLink(const RunServices& run, RtAppLinkSettings settings) {
    gf_stopRtAppLink();
    const ReaderFailure failed = settings.failed;
    try {
        g_link.store(std::make_shared<RtAppLink>(run, std::move(settings)));
        return true;
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("RealTraffic App link exception: {}", e.what()));
        if (failed) {
            failed(kAppTrafficReaderName, e.what());
        } else {
            gf_readerStoppedWithError(run.window, run.stop, kAppTrafficReaderName, e.what());
        }
        return false;
    }
}

void gf_stopRtAppLink() {
    // The last holder of the link joins its readers; the exchange makes this caller that one
    // unless another thread is using the link this moment.
    if (g_link.exchange(nullptr) != nullptr) {
        g_rtProfessional.store(false);
    }
}

std::shared_ptr<RtAppLink> gf_rtAppLink() {
    return g_link.load();
}

void gf_sendPositionToApp() {
    const std::shared_ptr<RtAppLink> link = g_link.load();
    if (link == nullptr) {
        return;
    }
    if (const auto report = link->currentPosition()) {
        link->sendPosition(*report);
    } else {
        link->server().poll();
    }
}

void gf_closeRtAppClient() {
    if (const std::shared_ptr<RtAppLink> link = g_link.load()) {
        link->server().closeClient();
    }
}

void gf_requestRtAppParkedTraffic() {
    const std::shared_ptr<RtAppLink> link = g_link.load();
    if (link == nullptr) {
        return;
    }
    const AirportEntry airport = gf_parkAirportEntry().get();
    if (!airport.icao.isSet()) {
        return;
    }
    LogFile::write(
        fmt::format("Asking the RealTraffic App for parked traffic at {}", airport.icao));
    link->requestParked(airport.position());
}

void gf_setRtAppReference(std::optional<double> altitudeFt) {
    if (const std::shared_ptr<RtAppLink> link = g_link.load()) {
        link->setReference(altitudeFt);
    }
}

void gf_clearRtAppQueryArea() {
    if (const std::shared_ptr<RtAppLink> link = g_link.load()) {
        link->clearQueryArea();
    }
}

bool gf_awaitRtAppBufferedTraffic(Clock::Duration timeout, const StopControl& stop) {
    const std::shared_ptr<RtAppLink> link = g_link.load();
    if (link == nullptr) {
        return false;
    }
    return link->awaitBufferedTraffic(
        timeout, [&stop] { return stop.keepRunning(); },
        [&link] { return link->currentPosition(); });
}

} // namespace skyloom
