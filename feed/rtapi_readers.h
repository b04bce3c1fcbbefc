// The two readers of the RealTraffic web API, one round at a time: each `step` sends one
// request, hands on what came back and says how long to wait before the next round. The
// threads "Traffic RTAPIreader" and "Weather RTAPIreader" (feed/rtapi_reader_threads.h) call
// them in a loop; tests call them directly.
// - The traffic reader asks, in this order of precedence: for the park airport's parked
//   traffic when the park airport is new or its list is 5 minutes old, a minute after a
//   failed try (the list replaces the reader's parked list); for buffered traffic on its first
//   traffic request (5 snapshots 6 s apart, posted oldest first as buffered batches); otherwise for
//   live traffic, posted as one live batch. Each request waits the traffic limit ("rrl", at least 2
//   s) after the previous.
// - The weather reader asks for the nearest METARs around the user once a minute (never
//   sooner than "wrrl") and sets the QNH from the nearest one that gives it.
// - Both follow the service's answers: 401 renews the session at once, 405 after 10 s; 402
//   (and on renewing also 403/404) reports the licence and stops the run; anything else is
//   retried after 5 s (a request-rate violation after the limit and 5 s), and a reader that
//   failed 12 times in a row reports itself stopped. A run of failed requests is logged
//   twice: its first failure when it happens, and its count when a request is answered
//   again, the reader gives up or the reader stops. A malformed aircraft is logged (once per
//   hex id, up to 1,000 hex ids; the count of every skipped report goes with the minute's line
//   of what was received) and skipped; the rest of its reply is used. So is an aircraft stamped far
//   from the other aircraft of its batch (feed/stray_timestamps.h), or from the feed's clock as the
//   reader learned it (feed/feed_clock.h), which is learned anew when the time shift changes
//   and after the buffered reply.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "feed/feed_clock.h"
#include "feed/feed_receipts.h"
#include "feed/rtapi_query_area.h"
#include "feed/rtapi_reply.h"
#include "feed/rtapi_session.h"
#include "feed/rtapi_traffic.h"
#include "feed/traffic_batch_post.h"
#include "foundation/clock.h"
#include "refdata/airports.h"
#include "runtime/reader_state.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"

namespace skyloom {

class FeedIdentities;
class ParkedTrafficList;

// What the readers work with. The program's own (gf_programRtApiEnvironment) uses the run
// services and the batch post it is given, and the program's query area, identity sets,
// parked list, radius and park airport; tests put in their own.
struct RtApiEnvironment {
    // The clock, the stop request the readers obey and the window they report to.
    RunServices run;
    RtApiSession* session = nullptr;
    // Where the traffic batches go (the live traffic's mailbox in the program).
    TrafficBatchPost post{};
    RtApiQueryArea* area = nullptr;
    FeedIdentities* identities = nullptr;
    ParkedTrafficList* parked = nullptr;
    std::function<UserPosition()> userPosition{};
    // The traffic radius in NM.
    std::function<double()> rangeNm{};
    // The park airport, when one is set.
    std::function<std::optional<AirportEntry>()> parkAirport{};
    // The current traffic tick is the mailbox's business; the time shifts are read here.
    const std::atomic<std::int32_t>* trafficTimeShiftMinutes = nullptr;
    const std::atomic<std::int32_t>* metarTimeShiftMinutes = nullptr;
    // The QNH in hPa as precise as the METAR gives it (NaN while none is known); written by
    // the weather reader, read by the traffic reader.
    std::atomic<double>* preciseQnhHpa = nullptr;
};

// The program's environment for the readers of `session`, posting to `post`, asking around
// the user aircraft's published position.
RtApiEnvironment gf_programRtApiEnvironment(const RunServices& run, RtApiSession& session,
                                            TrafficBatchPost post, const UserAircraft& user);

// The outcome of one round.
struct RtApiStep {
    // The reader is done: the program is stopping, or the reader reported its failure.
    bool stop = false;
    // How long to wait before the next round.
    std::chrono::milliseconds wait{0};
};

// What both readers share: the session's answers and the run of failures.
class RtApiReaderBase {
public:
    RtApiReaderBase(std::string_view name, RtApiEnvironment environment);
    virtual ~RtApiReaderBase() = default;

    std::string_view name() const noexcept { return name_; }
    const RtApiEnvironment& environment() const noexcept { return env_; }
    // True while neither the program nor this reader has stopped, and no halt was asked.
    bool keepGoing() const;
    // Asks the reader to end: a transfer under way is abandoned, the next step stops. Any
    // thread.
    void halt() noexcept { halted_.store(true); }
    int consecutiveFailures() const noexcept { return failures_; }
    // The window's state of this reader; sends it when it changed.
    void setState(ReaderState state);
    // The reader stops: a run of failures that has not ended yet is logged with its count.
    void logFailuresAtStop();
    ReaderState state() const noexcept { return state_; }

protected:
    // Acts on a failed answer (`what` names the request for the log) and returns the step to
    // take. `rateLimit` is the limit in force for this kind of request.
    RtApiStep handleFailure(std::string_view what, const RtApiAnswer& answer,
                            const std::string& guid, std::chrono::milliseconds rateLimit);
    // A session when there is none yet (or a renewal is due); no value when one stands.
    std::optional<RtApiStep> ensureSession();
    // A request was answered: the run of failures, if any, ends (logged with its count).
    void succeeded();
    virtual void sendState(ReaderState state) = 0;
    // The reader's own connection (libcurl handles are not shared between threads).
    RtApiTransport& transport() noexcept { return *transport_; }

    RtApiEnvironment env_;

private:
    RtApiStep reportStopped(long status);
    // Logs the run of failed requests that ends now ("{how} {n} failed request{s}{inARow} (the
    // last: {problem})"), if there is one.
    void endFailureRun(std::string_view how, std::string_view inARow);

    std::string name_;
    std::atomic<bool> halted_{false};
    std::atomic<bool> stopped_{false};
    std::unique_ptr<RtApiTransport> transport_;
    int failures_ = 0;
    // Failed requests since the last answered one (those the session renewed included), and
    // the last one's problem: the log says the first when it happens and the count when the
    // run of failures ends.
    int failedRequests_ = 0;
    std::string lastProblem_;
    bool renewDue_ = false;
    ReaderState state_ = ReaderState::notRunning;
};

class RtApiTrafficReader : public RtApiReaderBase {
public:
    explicit RtApiTrafficReader(RtApiEnvironment environment);

    RtApiStep step();

    // True once a traffic reply (buffered or live) has been handed on.
    bool firstReplyDone() const noexcept { return firstReplyDone_.load(); }
    // The last lines of what was received and skipped (the reader stops); the steps write them
    // once a minute.
    void logReceipts();
    const FeedReceipts& receipts() const noexcept { return receipts_; }

private:
    RtApiStep askParked(const std::string& guid, const AirportEntry& airport);
    RtApiStep askTraffic(const std::string& guid, const RtApiTrafficArea& area);
    void postReply(RtApiTrafficReply& reply);
    void logRejected(const RtApiTrafficReply& reply);
    // "{reader}: {n} aircraft report{s} skipped so far", when the count changed since it was
    // last written: beyond the first hex ids logged, the count is all the log holds of them.
    void logSkippedCount();
    std::chrono::milliseconds trafficWait() const;
    void sendState(ReaderState state) override;

    bool bufferedAsked_ = false;
    std::atomic<bool> firstReplyDone_{false};
    std::optional<std::uint32_t> parkedAirport_;
    std::optional<Clock::SteadyTime> parkedAskedAt_;
    // Hex ids whose faults have been logged: a faulty aircraft comes back every few seconds.
    std::set<std::string> loggedRejects_;
    std::uint64_t skipped_ = 0;
    std::uint64_t skippedLogged_ = 0;
    // The feed's clock, and the time shift it was learned at.
    FeedClock feedClock_;
    std::optional<std::int32_t> clockTimeShift_;
    FeedReceipts receipts_;
};

class RtApiWeatherReader : public RtApiReaderBase {
public:
    explicit RtApiWeatherReader(RtApiEnvironment environment);

    RtApiStep step();

private:
    void sendState(ReaderState state) override;

    std::string lastStation_;
    bool noQnhLogged_ = false;
};

} // namespace skyloom
