#include "feed/rtapi_readers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <fmt/format.h>

#include "config/params_snapshot.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/qnh.h"
#include "feed/rtapi_metar.h"
#include "feed/rtapi_settings.h"
#include "feed/rtapi_time_shift.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "refdata/park_airport.h"
#include "runtime/stop_reports.h"
#include "runtime/stop_request.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

// How long a reader waits for what it needs before it can ask (a user position).
constexpr std::chrono::milliseconds kNothingToAskWaitMs{1000};
// Faulty aircraft logged per reader before the log falls silent about new ones.
constexpr std::size_t kMaxLoggedRejects = 1000;
// A reason quotes the faulty value, which may be anything the service sent.
constexpr std::size_t kMaxLoggedReasonLength = 160;

std::string lf_shortened(const std::string& text) {
    if (text.size() <= kMaxLoggedReasonLength) {
        return text;
    }
    return text.substr(0, kMaxLoggedReasonLength) + "...";
}

std::atomic<double> g_preciseQnhHpa{std::numeric_limits<double>::quiet_NaN()};

} // namespace

RtApiEnvironment gf_programRtApiEnvironment(const RunServices& run, RtApiSession& session,
                                            TrafficBatchPost post, const UserAircraft& user) {
    RtApiEnvironment env{run};
    env.session = &session;
    env.post = std::move(post);
    env.area = &gf_rtApiQueryArea();
    env.identities = &gf_feedIdentities(TrafficSource::rtDirect);
    env.parked = &gf_parkedTraffic(TrafficSource::rtDirect);
    env.userPosition = [&user] { return user.position(); };
    env.rangeNm = [] { return gf_paramsSnapshot()->RANGE; };
    env.parkAirport = []() -> std::optional<AirportEntry> {
        const AirportEntry airport = gf_parkAirportEntry().get();
        if (!airport.icao.isSet() || !gf_isValidLalo(airport.position())) {
            return std::nullopt;
        }
        return airport;
    };
    env.trafficTimeShiftMinutes = &g_rtApiTrafficTimeShiftMinutes;
    env.metarTimeShiftMinutes = &g_rtApiMetarTimeShiftMinutes;
    env.preciseQnhHpa = &g_preciseQnhHpa;
    return env;
}

// --- Both readers ---

RtApiReaderBase::RtApiReaderBase(std::string_view name, RtApiEnvironment environment)
    : env_(std::move(environment)), name_(name) {
    const RtApiTransport& sessionTransport = env_.session->transport();
    transport_ = std::make_unique<RtApiTransport>(
        sessionTransport.baseUrl(), sessionTransport.limits(), [this] { return keepGoing(); });
}

bool RtApiReaderBase::keepGoing() const {
    return !halted_.load() && !stopped_.load() && env_.run.stop.keepRunning();
}

void RtApiReaderBase::setState(ReaderState state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    sendState(state);
}

void RtApiReaderBase::endFailureRun(std::string_view how, std::string_view inARow) {
    if (failedRequests_ == 0) {
        return;
    }
    LogFile::writeImportant(fmt::format("{}: {} {} failed request{}{} (the last: {})", name_, how,
                                        failedRequests_, failedRequests_ == 1 ? "" : "s", inARow,
                                        lastProblem_));
    failedRequests_ = 0;
}

void RtApiReaderBase::succeeded() {
    failures_ = 0;
    endFailureRun("requests answered again after", "");
}

void RtApiReaderBase::logFailuresAtStop() {
    endFailureRun("stopped after", " in a row");
}

RtApiStep RtApiReaderBase::reportStopped(long status) {
    stopped_.store(true);
    gf_showRtApiError(env_.run.window, env_.run.stop, name_, true, status);
    return {true, {}};
}

std::optional<RtApiStep> RtApiReaderBase::ensureSession() {
    if (!renewDue_ && env_.session->authenticated()) {
        return std::nullopt;
    }
    renewDue_ = false;
    const std::string failedGuid = env_.session->guid();
    const RtApiAnswer answer = env_.session->renew(failedGuid);
    if (answer.ok()) {
        return std::nullopt;
    }
    return handleFailure("authentication", answer, failedGuid, {});
}

RtApiStep RtApiReaderBase::handleFailure(std::string_view what, const RtApiAnswer& answer,
                                         const std::string& guid,
                                         std::chrono::milliseconds rateLimit) {
    const bool authentication = what == "authentication";
    const RtApiJudgement judgement = gf_judgeRtApiAnswer(answer, authentication, rateLimit);
    if (judgement.course == RtApiCourse::stop || !keepGoing()) {
        return {true, {}};
    }
    if (authentication) {
        // The session logs its own failures.
        lastProblem_ = fmt::format("authentication: {}", answer.problem);
    } else {
        // An outage fails every request for as long as it lasts: its first failure is said
        // now, how many followed when it ends.
        if (failedRequests_ == 0) {
            LogFile::writeImportant(fmt::format("{}: {} request failed: {} ({})", name_, what,
                                                answer.problem,
                                                gf_rtApiCourseText(judgement.course)));
        }
        ++failedRequests_;
        lastProblem_ = answer.problem;
    }
    switch (judgement.course) {
    case RtApiCourse::licenceRefused:
        return reportStopped(answer.status);
    case RtApiCourse::authenticateAgain: {
        // A lost session is no failure of the request; renewing it may be.
        const RtApiAnswer renewed = env_.session->renew(guid);
        if (renewed.ok()) {
            return {false, {}};
        }
        return handleFailure("authentication", renewed, guid, rateLimit);
    }
    case RtApiCourse::waitThenAuthenticate:
        renewDue_ = true;
        break;
    default:
        break;
    }
    if (++failures_ >= kRtApiMaxConsecutiveFailures) {
        LogFile::writeImportant(fmt::format("{}: {} requests in a row failed, giving up (the "
                                            "last: {})",
                                            name_, failures_, lastProblem_));
        failedRequests_ = 0;
        return reportStopped(answer.status);
    }
    return {false, judgement.wait};
}

// --- Traffic ---

RtApiTrafficReader::RtApiTrafficReader(RtApiEnvironment environment)
    : RtApiReaderBase(kRtApiTrafficReaderName, std::move(environment)),
      receipts_(std::string(kRtApiTrafficReaderName)) {}

void RtApiTrafficReader::sendState(ReaderState state) {
    env_.run.window.enqueueUpdate(GuiUpdate::TrafficReaderState{state});
}

std::chrono::milliseconds RtApiTrafficReader::trafficWait() const {
    return std::max(env_.session->trafficRateLimit(), kRtApiMinTrafficIntervalMs);
}

RtApiStep RtApiTrafficReader::step() {
    if (!keepGoing()) {
        return {true, {}};
    }
    if (receipts_.logWhenDue(env_.run.clock.steadyNow())) {
        logSkippedCount();
    }
    if (const auto step = ensureSession()) {
        return *step;
    }
    const std::string guid = env_.session->guid();
    if (const auto airport = env_.parkAirport()) {
        const Clock::SteadyTime now = env_.run.clock.steadyNow();
        const bool newAirport = parkedAirport_ != airport->icao.value();
        if (newAirport || !parkedAskedAt_ || now - *parkedAskedAt_ >= kRtApiParkedRefreshMs) {
            return askParked(guid, *airport);
        }
    }
    const UserPosition user = env_.userPosition();
    if (!user.known) {
        return {false, kNothingToAskWaitMs};
    }
    const auto area = env_.area->trafficArea(user.position, env_.rangeNm());
    if (!area) {
        return {false, kNothingToAskWaitMs};
    }
    return askTraffic(guid, *area);
}

RtApiStep RtApiTrafficReader::askParked(const std::string& guid, const AirportEntry& airport) {
    const RtApiBox box = gf_rtApiBoxAround(airport.position(), kRtApiParkedBoxNm);
    if (parkedAirport_ != airport.icao.value()) {
        // The list of the previous park airport must not be placed at the new one.
        env_.parked->clear();
        parkedAirport_ = airport.icao.value();
    }
    env_.area->setParkedArea(box);
    parkedAskedAt_ = env_.run.clock.steadyNow();
    const RtApiForm form =
        gf_trafficForm(guid, RtApiQueryType::parked, box, env_.trafficTimeShiftMinutes->load());
    const RtApiAnswer answer = gf_readRtApiAnswer(transport().post(kRtApiTrafficPath, form));
    if (!answer.ok()) {
        // Asked again a minute later, not after the whole refresh time; the traffic goes on
        // meanwhile.
        *parkedAskedAt_ -= kRtApiParkedRefreshMs - kRtApiParkedRetryMs;
        return handleFailure("parked traffic", answer, guid, env_.session->trafficRateLimit());
    }
    succeeded();
    env_.session->updateRateLimits(answer.json);
    RtApiParkedReply parked = gf_readRtApiParkedTraffic(answer.json);
    for (const RtApiRejected& rejected : parked.rejected) {
        LogFile::write(fmt::format("{}: parked aircraft {} skipped: {}", name(),
                                   lf_shortened(rejected.key), lf_shortened(rejected.reason)));
    }
    LogFile::write(fmt::format("{}: {} parked aircraft around {}", name(), parked.entries.size(),
                               airport.icao.view()));
    env_.parked->complete(std::move(parked.entries));
    return {false, trafficWait()};
}

RtApiStep RtApiTrafficReader::askTraffic(const std::string& guid, const RtApiTrafficArea& area) {
    std::optional<RtApiBufferRequest> buffers;
    if (!bufferedAsked_) {
        buffers = RtApiBufferRequest{kRtApiBufferCount, kRtApiBufferSpacingSeconds};
    }
    const std::int32_t timeShift = env_.trafficTimeShiftMinutes->load();
    const RtApiForm form =
        gf_trafficForm(guid, RtApiQueryType::location, area.box, timeShift, buffers);
    const RtApiAnswer answer = gf_readRtApiAnswer(transport().post(kRtApiTrafficPath, form));
    if (!answer.ok()) {
        return handleFailure(buffers ? "buffered traffic" : "traffic", answer, guid,
                             env_.session->trafficRateLimit());
    }
    succeeded();
    bufferedAsked_ = true;
    env_.session->updateRateLimits(answer.json);
    RtApiAltitudeBasis basis;
    const double precise = env_.preciseQnhHpa != nullptr ? env_.preciseQnhHpa->load()
                                                         : std::numeric_limits<double>::quiet_NaN();
    basis.qnhHpa = std::isfinite(precise) ? precise : static_cast<double>(gf_qnh());
    basis.referenceFt = env_.area->reference();
    RtApiTrafficReply reply = gf_readRtApiTraffic(answer.json, basis);
    const Clock::UtcTime receivedAt = env_.run.clock.utcNow();
    gf_skipEntriesAheadOfClock(reply, receivedAt);
    gf_skipStrayEntries(reply);
    // A new time shift moves the whole feed: its clock is learned anew.
    if (clockTimeShift_ != timeShift) {
        feedClock_.reset();
        clockTimeShift_ = timeShift;
    }
    gf_skipEntriesOffFeedClock(reply, feedClock_, receivedAt, env_.run.clock.steadyNow());
    if (reply.buffered) {
        // The buffered reply answers a request of its own; the live replies that follow
        // learn their clock from themselves.
        feedClock_.reset();
    }
    logRejected(reply);
    postReply(reply);
    firstReplyDone_.store(true);
    return {false, trafficWait()};
}

void RtApiTrafficReader::logReceipts() {
    receipts_.logNow();
    logSkippedCount();
}

void RtApiTrafficReader::logSkippedCount() {
    if (skipped_ == skippedLogged_) {
        return;
    }
    skippedLogged_ = skipped_;
    LogFile::write(fmt::format("{}: {} aircraft report{} skipped so far", name(), skipped_,
                               skipped_ == 1 ? "" : "s"));
}

void RtApiTrafficReader::logRejected(const RtApiTrafficReply& reply) {
    skipped_ += reply.rejected.size();
    for (const RtApiRejected& rejected : reply.rejected) {
        if (loggedRejects_.size() >= kMaxLoggedRejects ||
            !loggedRejects_.insert(rejected.key).second) {
            continue;
        }
        LogFile::write(fmt::format("{}: aircraft {} skipped: {}", name(),
                                   lf_shortened(rejected.key), lf_shortened(rejected.reason)));
    }
}

void RtApiTrafficReader::postReply(RtApiTrafficReply& reply) {
    bool anyEntry = !reply.live.empty();
    if (reply.buffered) {
        for (std::size_t i = 0; i < reply.buffers.size(); ++i) {
            std::vector<TrafficEntry>& batch = reply.buffers[i];
            anyEntry = anyEntry || !batch.empty();
            receipts_.count(batch);
            env_.identities->collect(batch);
            receipts_.count(env_.post(batch, TrafficBatchKind::buffered,
                                      gf_rtApiBufferOffsetBase(reply.bufferIndices[i]), false));
        }
        LogFile::write(fmt::format("{}: {} buffered snapshots, {} aircraft", name(),
                                   reply.buffers.size(), reply.aircraftCount));
    } else {
        receipts_.count(reply.live);
        env_.identities->collect(reply.live);
        receipts_.count(env_.post(reply.live, TrafficBatchKind::live, kRtApiLiveOffsetBase, false));
    }
    if (anyEntry) {
        setState(ReaderState::receiving);
    }
}

// --- Weather ---

RtApiWeatherReader::RtApiWeatherReader(RtApiEnvironment environment)
    : RtApiReaderBase(kRtApiWeatherReaderName, std::move(environment)) {}

void RtApiWeatherReader::sendState(ReaderState state) {
    env_.run.window.enqueueUpdate(GuiUpdate::WeatherReaderState{state});
}

RtApiStep RtApiWeatherReader::step() {
    if (!keepGoing()) {
        return {true, {}};
    }
    if (const auto step = ensureSession()) {
        return *step;
    }
    const UserPosition user = env_.userPosition();
    if (!user.known) {
        return {false, kNothingToAskWaitMs};
    }
    const std::string guid = env_.session->guid();
    const RtApiForm form = gf_nearestMetarForm(guid, env_.metarTimeShiftMinutes->load(),
                                               user.position, kRtApiMetarCount);
    const RtApiAnswer answer = gf_readRtApiAnswer(transport().post(kRtApiNearestMetarPath, form));
    if (!answer.ok()) {
        return handleFailure("nearest METAR", answer, guid, env_.session->weatherRateLimit());
    }
    succeeded();
    env_.session->updateRateLimits(answer.json);
    const NearestMetar nearest = gf_readNearestMetar(answer.json);
    const auto wait = std::max(env_.session->weatherRateLimit(), kRtApiWeatherIntervalMs);
    if (!nearest.qnhHpa) {
        if (!noQnhLogged_) {
            noQnhLogged_ = true;
            LogFile::write(fmt::format("{}: none of {} nearest METARs gives a QNH", name(),
                                       nearest.stations.size()));
        }
        return {false, wait};
    }
    noQnhLogged_ = false;
    if (env_.preciseQnhHpa != nullptr) {
        env_.preciseQnhHpa->store(*nearest.qnhHpa);
    }
    const std::int32_t hpa = gf_wholeHpa(*nearest.qnhHpa);
    if (hpa != gf_qnh() || nearest.qnhStation != lastStation_) {
        LogFile::write(fmt::format("{}: QNH {} hPa from {}", name(), hpa, nearest.qnhStation));
    }
    lastStation_ = nearest.qnhStation;
    gf_setQnh(hpa, env_.run.window);
    setState(ReaderState::receiving);
    return {false, wait};
}

} // namespace skyloom
