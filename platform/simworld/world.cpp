#include "platform/simworld/world.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>

#include "platform/simworld/event_catalogue.h"

namespace skyloom::simworld {

namespace {

constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;

std::string lf_resultText(HRESULT result) {
    return result == S_OK ? std::string("S_OK")
                          : fmt::format("0x{:08X}", static_cast<std::uint32_t>(result));
}

ObjectState lf_objectState(const WorldObjectSetup& setup) {
    ObjectState s;
    s.objectId = setup.objectId;
    s.kind = setup.kind;
    s.title = setup.title;
    s.atcModel = setup.atcModel;
    s.atcId = setup.atcId;
    s.latitudeDeg = setup.latitudeDeg;
    s.longitudeDeg = setup.longitudeDeg;
    s.groundAltitudeFeet = setup.groundElevationFeet;
    s.altitudeFeet = setup.altitudeFeet.value_or(setup.groundElevationFeet);
    s.onGround = s.altitudeFeet - s.groundAltitudeFeet <= kOnGroundToleranceFeet;
    s.headingTrueRad = setup.headingDeg * kRadPerDeg;
    s.groundTrackDeg = setup.headingDeg;
    s.staticCgToGroundFeet = setup.staticCgToGroundFeet;
    s.staticPitchRad = setup.staticPitchDeg * kRadPerDeg;
    s.lightStates = setup.lights;
    return s;
}

} // namespace

World::World(WorldSetup setup, Clock& clock)
    : clock_(clock), setup_(std::move(setup)), start_(clock.steadyNow()),
      zuluStart_(setup_.zuluStart.value_or(clock.utcNow())),
      userTrack_(setup_.user, setup_.timeline), faults_(setup_.faults),
      journal_(setup_.journalMaxEntries), ai_(setup_.aiObjects, setup_.liveries) {
    if (!(setup_.frames.rateHz > 0)) {
        throw std::invalid_argument(
            fmt::format("frame rate {} Hz is not above 0", setup_.frames.rateHz));
    }
    if (!(setup_.aiObjects.assignDelaySeconds >= 0) ||
        !(setup_.aiObjects.removeDelaySeconds >= 0)) {
        throw std::invalid_argument("AI object delays must not be negative");
    }
    for (const WorldObjectSetup& object : setup_.objects) {
        if (object.objectId == 0 || object.objectId == setup_.user.objectId) {
            throw std::invalid_argument(fmt::format(
                "object id {} is taken by the user aircraft or not allowed", object.objectId));
        }
        if (!objects_.emplace(object.objectId, lf_objectState(object)).second) {
            throw std::invalid_argument(fmt::format("object id {} given twice", object.objectId));
        }
    }
    timeline_ = setup_.timeline;
    std::stable_sort(
        timeline_.begin(), timeline_.end(),
        [](const TimelineEvent& a, const TimelineEvent& b) { return a.atSeconds < b.atSeconds; });
    simulatorRunning_ = setup_.simulator.running;
    flightRunning_ = simulatorRunning_ && setup_.simulator.flightRunning;
}

World::~World() {
    ai_.end();
}

void World::end() {
    std::lock_guard lock(mutex_);
    ai_.end();
    if (const std::string failure = ai_.takeTraceFailure(); !failure.empty()) {
        journalWorld(nowSeconds(), 0, failure);
    }
}

double World::nextFrameAt() const {
    return flightStartedAt_ + static_cast<double>(framesThisFlight_ + 1) / setup_.frames.rateHz;
}

double World::nowSeconds() const {
    return std::chrono::duration<double>(clock_.steadyNow() - start_).count();
}

Clock::UtcTime World::zuluAt(double seconds) const {
    return zuluStart_ + std::chrono::duration_cast<Clock::UtcTime::duration>(
                            std::chrono::duration<double>(seconds));
}

bool World::isUser(DWORD objectId) const {
    return objectId == SIMCONNECT_OBJECT_ID_USER || objectId == setup_.user.objectId;
}

std::optional<ObjectState> World::objectAt(DWORD objectId, double seconds) const {
    if (isUser(objectId)) {
        ObjectState user = userTrack_.at(seconds);
        user.lastEventValues = userEventValues_;
        return user;
    }
    if (const auto it = objects_.find(objectId); it != objects_.end()) {
        return it->second;
    }
    return std::nullopt;
}

void World::journalWorld(double seconds, std::uint32_t connection, std::string text) {
    journal_.add(seconds, connection, JournalKind::world, std::move(text));
}

void World::queue(Connection& connection, QueuedMessage message, double at) {
    message.dueSeconds = at;
    if (message.frame) {
        if (connection.queuedFrames >= setup_.frames.maxBacklog) {
            ++connection.missedFrames;
            return;
        }
        ++connection.queuedFrames;
    }
    // Almost every message is due now and joins the end; a delayed reply waits among the
    // others by its time, so that it holds back none that fall due before it.
    auto place = connection.queue.end();
    while (place != connection.queue.begin() && std::prev(place)->dueSeconds > at) {
        --place;
    }
    connection.queue.insert(place, std::move(message));
}

void World::dropWaiting(Connection& connection, double at, std::string_view why, double dueAfter) {
    auto& waiting = connection.queue;
    const auto first = std::find_if(waiting.begin(), waiting.end(), [&](const QueuedMessage& m) {
        return m.dueSeconds > dueAfter;
    });
    for (auto it = first; it != waiting.end(); ++it) {
        if (it->frame) {
            --connection.queuedFrames;
        }
        journal_.add(at, connection.number, JournalKind::world,
                     journal_.keeps() ? fmt::format("dropped {} ({})", it->text, why)
                                      : std::string());
    }
    waiting.erase(first, waiting.end());
}

World::Call World::beginCall(std::uint32_t number, std::string_view function, bool sendsPacket) {
    Call call;
    call.function = function;
    call.now = nowSeconds();
    advance(call.now);
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        call.failure = E_HANDLE;
        call.failureNote = " (no such connection)";
        return call;
    }
    call.connection = &it->second;
    call.number = number;
    Connection& c = it->second;
    if (c.broken) {
        call.failure = c.brokenResult;
        call.failureNote = " (pipe broken)";
        return call;
    }
    if (c.simulatorGone && function != "SimConnect_CallDispatch") {
        call.failure = E_BROKEN_PIPE;
        call.failureNote = " (simulator quit)";
        return call;
    }
    FaultPlan::CallFaults faults = faults_.onCall(function, c.clientName);
    if (faults.failWith) {
        call.failure = *faults.failWith;
        call.failureNote = " (fault failCall)";
        return call;
    }
    call.exceptionsAfter = std::move(faults.exceptionsAfter);
    if (sendsPacket) {
        call.packet = ++c.lastPacketId;
    }
    return call;
}

HRESULT World::finishCall(Call& call, const std::string& args, HRESULT result,
                          const std::string& note) {
    // A journal that keeps nothing still counts the call; its text is not made.
    std::string text;
    if (journal_.keeps()) {
        text = fmt::format("{}({}) = {}", call.function, args, lf_resultText(result));
        if (call.packet != 0) {
            text += fmt::format(" #{}", call.packet);
        }
        text += call.failureNote;
        if (!note.empty()) {
            text += " (" + note + ")";
        }
    }
    journal_.add(call.now, call.number, JournalKind::call, std::move(text));
    if (call.connection != nullptr && result == S_OK) {
        // A call that sends nothing (GetLastSentPacketID) leaves the last packet sent named.
        const DWORD sendId = call.packet != 0 ? call.packet : call.connection->lastPacketId;
        for (const FaultSetup& fault : call.exceptionsAfter) {
            queue(*call.connection,
                  gf_exceptionMessage(fault.exception, sendId, fault.index, "fault exception"),
                  call.now);
        }
    }
    return result;
}

void World::refuse(Call& call, DWORD exception, DWORD index, const std::string& reason) {
    queue(*call.connection, gf_exceptionMessage(exception, call.packet, index, reason), call.now);
}

HRESULT World::open(const char* name, DWORD configIndex, std::uint32_t& connection) {
    std::lock_guard lock(mutex_);
    const double now = nowSeconds();
    advance(now);
    const std::string client = name != nullptr ? name : "";
    const std::string args = fmt::format("\"{}\", config={}", client, configIndex);
    const auto refused = [&](HRESULT result, std::string_view why) {
        journal_.add(
            now, 0, JournalKind::call,
            fmt::format("SimConnect_Open({}) = {} ({})", args, lf_resultText(result), why));
        return result;
    };
    if (name == nullptr) {
        return refused(E_INVALIDARG, "no name");
    }
    if (!simulatorRunning_) {
        return refused(E_FAIL, "simulator not running");
    }
    if (!setup_.simulator.acceptConnections) {
        return refused(E_FAIL, "simulator refuses connections");
    }
    if (const auto refusal = faults_.refuseOpen(client, now)) {
        return refused(*refusal, "fault refuseOpen");
    }
    FaultPlan::CallFaults faults = faults_.onCall("SimConnect_Open", client);
    if (faults.failWith) {
        return refused(*faults.failWith, "fault failCall");
    }
    const std::uint32_t number = nextConnection_++;
    Connection& c = connections_[number];
    c.number = number;
    c.clientName = client;
    c.lastPacketId = 1; // the handshake
    const FaultPlan::ShownSimulator shown = faults_.simulatorFor(client, setup_.simulator);
    queue(c, gf_openMessage(shown.name, shown.version, setup_.simulator.simConnectVersion), now);
    for (const FaultSetup& fault : faults.exceptionsAfter) {
        queue(c,
              gf_exceptionMessage(fault.exception, c.lastPacketId, fault.index, "fault exception"),
              now);
    }
    journal_.add(now, number, JournalKind::call,
                 fmt::format("SimConnect_Open({}) = S_OK #1{}", args,
                             shown.claimed ? fmt::format(" (fault wrongSimulator: {} {})",
                                                         shown.name, fmt::join(shown.version, "."))
                                           : std::string()));
    deliverWaitingFaults(c, now);
    connection = number;
    return S_OK;
}

HRESULT World::close(std::uint32_t number) {
    std::lock_guard lock(mutex_);
    Call call;
    call.function = "SimConnect_Close";
    call.now = nowSeconds();
    advance(call.now);
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        call.failureNote = " (no such connection)";
        return finishCall(call, "", E_HANDLE);
    }
    call.number = number;
    const FaultPlan::CallFaults faults = faults_.onCall(call.function, it->second.clientName);
    const HRESULT result = faults.failWith
                               ? finishCall(call, "", *faults.failWith,
                                            "fault failCall; the connection is gone anyway")
                               : finishCall(call, "", S_OK);
    dropWaiting(it->second, call.now, "connection closed");
    connections_.erase(it);
    return result;
}

HRESULT World::callDispatch(std::uint32_t number, DispatchProc dispatch, void* context) {
    std::vector<QueuedMessage> batch;
    {
        std::lock_guard lock(mutex_);
        Call call = beginCall(number, "SimConnect_CallDispatch", false);
        Connection* c = call.connection;
        if (c != nullptr && c->broken) {
            dropWaiting(*c, call.now, "pipe broken");
        }
        if (c != nullptr && c->simulatorGone && c->queue.empty()) {
            call.failure = E_BROKEN_PIPE;
            call.failureNote = " (simulator quit)";
        }
        if (!call.proceed()) {
            return finishCall(call, "", call.failure);
        }
        if (dispatch == nullptr) {
            return finishCall(call, "no callback", E_POINTER);
        }
        while (!c->queue.empty() && c->queue.front().dueSeconds <= call.now) {
            QueuedMessage message = std::move(c->queue.front());
            c->queue.pop_front();
            if (message.frame) {
                --c->queuedFrames;
                if (c->missedFrames > 0) {
                    message.text += fmt::format(" ({} frames missed before)", c->missedFrames);
                    c->missedFrames = 0;
                }
            }
            if (const auto cut = faults_.truncation(message.kind, c->clientName)) {
                gf_truncateMessage(message, *cut);
            }
            batch.push_back(std::move(message));
        }
        // An exception a fault attaches to this dispatch follows it: the next dispatch brings
        // it, naming the last packet sent.
        for (const FaultSetup& fault : call.exceptionsAfter) {
            queue(*c,
                  gf_exceptionMessage(fault.exception, c->lastPacketId, fault.index,
                                      "fault exception"),
                  call.now);
        }
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        // Journaled as it is handed over, so that the calls its callback makes follow it.
        {
            std::lock_guard lock(mutex_);
            journal_.add(nowSeconds(), number, JournalKind::message, std::move(batch[i].text));
        }
        try {
            dispatch(reinterpret_cast<SIMCONNECT_RECV*>(batch[i].bytes.data()),
                     static_cast<DWORD>(batch[i].size), context);
        } catch (...) {
            // The simulator's own library is C: an exception unwinding through it is undefined
            // there. Here it is journaled for the tests that look for it, and passed on; the
            // rest of the dispatch is lost.
            std::lock_guard lock(mutex_);
            const double now = nowSeconds();
            journalWorld(
                now, number,
                fmt::format("the dispatch callback let an exception out ({})", batch[i].kind));
            for (std::size_t j = i + 1; j < batch.size(); ++j) {
                journalWorld(
                    now, number,
                    fmt::format("dropped {} (the callback let an exception out)", batch[j].text));
            }
            throw;
        }
    }
    return S_OK;
}

std::vector<JournalEntry> World::journal() const {
    std::lock_guard lock(mutex_);
    return journal_.entries();
}

std::vector<std::string> World::journalLines() const {
    std::lock_guard lock(mutex_);
    return journal_.lines();
}

void World::clearJournal() {
    std::lock_guard lock(mutex_);
    journal_.clear();
}

void World::addFault(FaultSetup fault) {
    std::lock_guard lock(mutex_);
    faults_.add(std::move(fault));
}

double World::secondsSinceStart() const {
    std::lock_guard lock(mutex_);
    return nowSeconds();
}

bool World::simulatorRunning() {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    return simulatorRunning_;
}

bool World::flightRunning() {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    return flightRunning_;
}

std::size_t World::connectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_.size();
}

ObjectState World::userAircraft() {
    std::lock_guard lock(mutex_);
    const double now = nowSeconds();
    advance(now);
    return *objectAt(SIMCONNECT_OBJECT_ID_USER, now);
}

std::optional<ObjectState> World::object(DWORD objectId) {
    std::lock_guard lock(mutex_);
    const double now = nowSeconds();
    advance(now);
    return objectAt(objectId, now);
}

} // namespace skyloom::simworld
