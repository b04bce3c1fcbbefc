// The AI aircraft of the world. A create that names an installed livery is answered with a new
// object id after the set delay (ASSIGNED_OBJECT_ID to the creating connection, ObjectAdded to
// every subscriber); an unknown livery fails as the simulator fails it, with
// CREATE_OBJECT_FAILED for the create's packet, and a create beyond the object cap with
// TOO_MANY_OBJECTS as well. A created object drifts on every frame, as the simulator's AI would
// move it, until the matching freeze events are set; then only written positions move it. A
// removed object goes after the set delay and every subscriber hears ObjectRemoved. When the
// simulator quits, every object a client created goes with it, unannounced. Every written
// position and every client event is recorded per object for tests.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include <fmt/format.h>

#include "platform/simworld/earth_math.h"
#include "platform/simworld/event_catalogue.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// Frame times are sums of fractions: a point this close to the trace period is due.
constexpr double kTraceTimeToleranceSeconds = 1e-6;

std::string lf_quoted(const char* text) {
    return text == nullptr ? std::string("null") : fmt::format("\"{}\"", text);
}

bool lf_sameTitle(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool lf_samePlace(const TracePoint& point, const ObjectState& state) {
    return point.latitudeDeg == state.latitudeDeg && point.longitudeDeg == state.longitudeDeg &&
           point.altitudeFeet == state.altitudeFeet && point.pitchRad == state.pitchRad &&
           point.bankRad == state.bankRad && point.headingTrueRad == state.headingTrueRad;
}

void lf_tally(AiObjectTally& tally, const ObjectState& state, double seconds, TraceSource source) {
    if (source == TraceSource::created) {
        tally.livery = state.title;
        tally.atcId = state.atcId;
        tally.createdAt = seconds;
    } else if (source == TraceSource::written) {
        if (tally.writes > 0) {
            tally.pathNm += gf_earthDistanceNm(tally.lastLatitudeDeg, tally.lastLongitudeDeg,
                                               state.latitudeDeg, state.longitudeDeg);
        }
        ++tally.writes;
    } else {
        if (source == TraceSource::removed) {
            tally.removedAt = seconds;
        }
        return;
    }
    tally.lastLatitudeDeg = state.latitudeDeg;
    tally.lastLongitudeDeg = state.longitudeDeg;
    tally.lastAltitudeFeet = state.altitudeFeet;
}

} // namespace

std::string_view gf_traceSourceName(TraceSource source) {
    switch (source) {
    case TraceSource::created:
        return "created";
    case TraceSource::written:
        return "written";
    case TraceSource::drifted:
        return "drifted";
    case TraceSource::userWriteIgnored:
        return "userWriteIgnored";
    case TraceSource::removed:
        return "removed";
    }
    return "?";
}

AiTraffic::AiTraffic(AiObjectsSetup setup, std::vector<LiverySetup> liveries)
    : nextObjectId(setup.firstObjectId), setup_(setup), liveries_(std::move(liveries)) {
    if (!setup_.traceFile.empty()) {
        traceFile_ = TraceFile(setup_.traceFile);
    }
}

const LiverySetup* AiTraffic::livery(std::string_view title) const {
    const auto it = std::find_if(liveries_.begin(), liveries_.end(), [&](const LiverySetup& l) {
        return lf_sameTitle(l.title, title);
    });
    return it == liveries_.end() ? nullptr : &*it;
}

std::optional<double> AiTraffic::nextDue() const {
    std::optional<double> next;
    for (const PendingAssignment& a : assignments) {
        if (!next || a.dueSeconds < *next) {
            next = a.dueSeconds;
        }
    }
    for (const PendingRemoval& r : removals) {
        if (!next || r.dueSeconds < *next) {
            next = r.dueSeconds;
        }
    }
    return next;
}

bool AiTraffic::removalPending(DWORD objectId) const {
    return std::any_of(removals.begin(), removals.end(),
                       [&](const PendingRemoval& r) { return r.objectId == objectId; });
}

void AiTraffic::trace(DWORD objectId, const ObjectState& state, double seconds,
                      TraceSource source) {
    AiObjectTally& tally = tallies[objectId];
    lf_tally(tally, state, seconds, source);
    if (traceFile_.isOpen() && source != TraceSource::userWriteIgnored) {
        traceLine(tally, objectId, state, seconds, source);
    }
    if (setup_.tracePointsPerObject == 0) {
        return;
    }
    std::deque<TracePoint>& points = traces[objectId];
    points.push_back(TracePoint{seconds, source, state.latitudeDeg, state.longitudeDeg,
                                state.altitudeFeet, state.pitchRad, state.bankRad,
                                state.headingTrueRad});
    while (points.size() > setup_.tracePointsPerObject) {
        points.pop_front();
    }
}

void AiTraffic::traceLine(AiObjectTally& tally, DWORD objectId, const ObjectState& state,
                          double seconds, TraceSource source) {
    const bool always = source == TraceSource::created || source == TraceSource::removed;
    if (!always && state.onGround == tally.tracedOnGround &&
        seconds - tally.tracedAt + kTraceTimeToleranceSeconds < setup_.traceEverySeconds) {
        return;
    }
    tally.tracedAt = seconds;
    tally.tracedOnGround = state.onGround;
    traceFile_.append(seconds, objectId, gf_traceSourceName(source), state);
}

HRESULT World::aiCreateNonAtcAircraft(std::uint32_t connection, const char* containerTitle,
                                      const char* tailNumber,
                                      const SIMCONNECT_DATA_INITPOSITION& position,
                                      DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AICreateNonATCAircraft");
    const std::string args =
        fmt::format("{}, {}, {{{:.6f}, {:.6f}, {:.1f} ft, pitch {:.2f}, bank {:.2f}, heading "
                    "{:.2f}, ground {}, "
                    "{} kt}}, {}",
                    lf_quoted(containerTitle), lf_quoted(tailNumber), double{position.latitude},
                    double{position.longitude}, double{position.altitude}, double{position.pitch},
                    double{position.bank}, double{position.heading}, DWORD{position.onGround},
                    DWORD{position.airspeed}, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (containerTitle == nullptr || tailNumber == nullptr) {
        return finishCall(call, args, E_POINTER);
    }
    const LiverySetup* livery = ai_.livery(containerTitle);
    if (livery == nullptr) {
        refuse(call, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 2,
               fmt::format("no installed livery titled \"{}\"", containerTitle));
        return finishCall(call, args, S_OK);
    }
    if (ai_.count() >= ai_.setup().maxObjects) {
        ++ai_.refusedForRoom;
        const std::string limit = fmt::format("at most {} objects", ai_.setup().maxObjects);
        if (ai_.setup().tooManyObjectsLast) {
            refuse(call, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 0, "too many objects");
            refuse(call, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, 0, limit);
        } else {
            refuse(call, SIMCONNECT_EXCEPTION_TOO_MANY_OBJECTS, 0, limit);
            refuse(call, SIMCONNECT_EXCEPTION_CREATE_OBJECT_FAILED, 0, "too many objects");
        }
        return finishCall(call, args, S_OK);
    }
    if (faults_.hits(FaultKind::neverAssign, call.connection->clientName)) {
        return finishCall(call, args, S_OK, "fault neverAssign: never answered");
    }
    PendingAssignment assignment;
    assignment.dueSeconds = call.now + ai_.setup().assignDelaySeconds;
    assignment.connection = call.number;
    assignment.requestId = requestId;
    assignment.livery = livery->title;
    ObjectState& s = assignment.state;
    s.kind = ObjectKind::aircraft;
    s.title = livery->title;
    s.atcModel = livery->atcModel;
    s.atcId = tailNumber;
    s.latitudeDeg = position.latitude;
    s.longitudeDeg = position.longitude;
    s.groundAltitudeFeet = setup_.user.groundElevationFeet;
    s.onGround = position.onGround != 0;
    s.altitudeFeet = s.onGround ? s.groundAltitudeFeet : double{position.altitude};
    s.pitchRad = position.pitch * kRadPerDeg;
    s.bankRad = position.bank * kRadPerDeg;
    s.headingTrueRad = position.heading * kRadPerDeg;
    s.groundTrackDeg = position.heading;
    s.trueAirspeedKnots = position.airspeed;
    s.groundSpeedKnots = position.airspeed;
    s.staticCgToGroundFeet = livery->staticCgToGroundFeet;
    s.staticPitchRad = livery->staticPitchDeg * kRadPerDeg;
    ai_.assignments.push_back(std::move(assignment));
    return finishCall(call, args, S_OK);
}

HRESULT World::aiReleaseControl(std::uint32_t connection, DWORD objectId, DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AIReleaseControl");
    const std::string args = fmt::format("{}, {}", objectId, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (isUser(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 2,
               "the user aircraft");
    } else if (!objects_.contains(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
    } else if (const auto record = ai_.records.find(objectId); record != ai_.records.end()) {
        record->second.released = true;
    }
    return finishCall(call, args, S_OK);
}

HRESULT World::aiRemoveObject(std::uint32_t connection, DWORD objectId, DWORD requestId) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AIRemoveObject");
    const std::string args = fmt::format("{}, {}", objectId, requestId);
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (isUser(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_OPERATION_INVALID_FOR_OBJECT_TYPE, 2,
               "the user aircraft");
        return finishCall(call, args, S_OK);
    }
    if (!objects_.contains(objectId)) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown object");
        return finishCall(call, args, S_OK);
    }
    if (ai_.removalPending(objectId)) {
        return finishCall(call, args, S_OK, "being removed already");
    }
    PendingRemoval removal;
    removal.dueSeconds = call.now + ai_.setup().removeDelaySeconds;
    removal.objectId = objectId;
    removal.confirm = !faults_.hits(FaultKind::neverConfirmRemoval, call.connection->clientName);
    if (removal.dueSeconds <= call.now) {
        finishRemoval(removal);
    } else {
        ai_.removals.push_back(removal);
    }
    return finishCall(call, args, S_OK);
}

void World::runAiDue(double at) {
    std::vector<PendingAssignment> assign;
    std::erase_if(ai_.assignments, [&](PendingAssignment& a) {
        if (a.dueSeconds > at) {
            return false;
        }
        assign.push_back(std::move(a));
        return true;
    });
    std::stable_sort(assign.begin(), assign.end(),
                     [](const auto& a, const auto& b) { return a.dueSeconds < b.dueSeconds; });
    for (const PendingAssignment& a : assign) {
        assignObject(a);
    }
    std::vector<PendingRemoval> remove;
    std::erase_if(ai_.removals, [&](const PendingRemoval& r) {
        if (r.dueSeconds > at) {
            return false;
        }
        remove.push_back(r);
        return true;
    });
    std::stable_sort(remove.begin(), remove.end(),
                     [](const auto& a, const auto& b) { return a.dueSeconds < b.dueSeconds; });
    for (const PendingRemoval& r : remove) {
        finishRemoval(r);
    }
}

void World::assignObject(const PendingAssignment& assignment) {
    const double at = assignment.dueSeconds;
    DWORD id = ai_.nextObjectId;
    while (id == 0 || id == setup_.user.objectId || objects_.contains(id)) {
        ++id;
    }
    ai_.nextObjectId = id + 1;
    ObjectState state = assignment.state;
    state.objectId = id;
    objects_.emplace(id, state);
    AiObjectRecord record;
    record.connection = assignment.connection;
    record.requestId = assignment.requestId;
    record.livery = assignment.livery;
    record.movedAt = at;
    ai_.records.insert_or_assign(id, std::move(record));
    ai_.trace(id, state, at, TraceSource::created);
    journalWorld(at, assignment.connection,
                 fmt::format("object {} created for request {} (\"{}\")", id, assignment.requestId,
                             assignment.livery));
    if (const auto c = connections_.find(assignment.connection);
        c != connections_.end() && !c->second.broken && !c->second.simulatorGone) {
        queue(c->second, gf_assignedObjectIdMessage(assignment.requestId, id), at);
    }
    notifyAll(kSystemEventObjectAdded, at, [&](DWORD eventId) {
        return gf_objectAddRemoveMessage(eventId, kSystemEventObjectAdded, id,
                                         SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT);
    });
}

void World::finishRemoval(const PendingRemoval& removal) {
    const auto it = objects_.find(removal.objectId);
    if (it == objects_.end()) {
        return;
    }
    const auto type = static_cast<SIMCONNECT_SIMOBJECT_TYPE>(it->second.kind);
    const double at = removal.dueSeconds;
    ai_.trace(removal.objectId, it->second, at, TraceSource::removed);
    objects_.erase(it);
    ai_.records.erase(removal.objectId);
    if (!removal.confirm) {
        journalWorld(at, 0,
                     fmt::format("object {} removed (fault neverConfirmRemoval: no ObjectRemoved)",
                                 removal.objectId));
        return;
    }
    journalWorld(at, 0, fmt::format("object {} removed", removal.objectId));
    notifyAll(kSystemEventObjectRemoved, at, [&](DWORD eventId) {
        return gf_objectAddRemoveMessage(eventId, kSystemEventObjectRemoved, removal.objectId,
                                         type);
    });
}

void World::dropAiObjects(double at) {
    const std::size_t created = ai_.records.size();
    const std::size_t waiting = ai_.assignments.size();
    for (const auto& [id, record] : ai_.records) {
        if (const auto object = objects_.find(id); object != objects_.end()) {
            ai_.trace(id, object->second, at, TraceSource::removed);
            objects_.erase(object);
        }
    }
    ai_.records.clear();
    ai_.assignments.clear();
    ai_.removals.clear();
    if (created + waiting > 0) {
        journalWorld(at, 0,
                     fmt::format("{} AI object{} and {} create{} waiting go with the simulator",
                                 created, created == 1 ? "" : "s", waiting,
                                 waiting == 1 ? "" : "s"));
    }
}

void World::moveUnfrozenObjects(double at) {
    const AiObjectsSetup& s = ai_.setup();
    for (auto& [id, record] : ai_.records) {
        const double dt = at - record.movedAt;
        record.movedAt = at;
        const bool moves = (!record.freezeLatLon && s.driftKnots != 0) ||
                           (!record.freezeAltitude && s.driftFeetPerMinute != 0) ||
                           (!record.freezeAttitude && s.driftDegreesPerSecond != 0);
        const auto object = objects_.find(id);
        if (!moves || dt <= 0 || object == objects_.end()) {
            continue;
        }
        ObjectState& o = object->second;
        if (!record.freezeLatLon) {
            const double nm = s.driftKnots * dt / 3600.0;
            o.latitudeDeg =
                std::clamp(o.latitudeDeg + nm * std::cos(o.headingTrueRad) / 60.0, -90.0, 90.0);
            const double cosLat = std::max(std::cos(o.latitudeDeg * kRadPerDeg), 1e-6);
            o.longitudeDeg =
                gf_wrapLongitude(o.longitudeDeg + nm * std::sin(o.headingTrueRad) / 60.0 / cosLat);
        }
        if (!record.freezeAltitude) {
            o.altitudeFeet += s.driftFeetPerMinute * dt / 60.0;
        }
        if (!record.freezeAttitude) {
            o.headingTrueRad =
                std::fmod(o.headingTrueRad + s.driftDegreesPerSecond * dt * kRadPerDeg,
                          2.0 * std::numbers::pi);
            if (o.headingTrueRad < 0) {
                o.headingTrueRad += 2.0 * std::numbers::pi;
            }
        }
        ai_.trace(id, o, at, TraceSource::drifted);
    }
}

void World::onObjectWritten(DWORD objectId, ObjectState& written, double at) {
    if (isUser(objectId)) {
        ai_.trace(setup_.user.objectId, written, at, TraceSource::userWriteIgnored);
        return;
    }
    const auto points = ai_.traces.find(objectId);
    if (points != ai_.traces.end() && !points->second.empty() &&
        lf_samePlace(points->second.back(), written)) {
        return; // a write that did not touch the position (spoilers, throttles)
    }
    // As the simulator does: resting on its gear is on the ground.
    written.onGround = written.altitudeFeet - written.groundAltitudeFeet <=
                       written.staticCgToGroundFeet + kOnGroundToleranceFeet;
    ai_.trace(objectId, written, at, TraceSource::written);
}

void World::onClientEvent(DWORD objectId, const std::string& event, DWORD data, double at) {
    if (isUser(objectId)) {
        return;
    }
    ai_.events[objectId].push_back(ObjectEventRecord{at, event, data});
    const auto record = ai_.records.find(objectId);
    if (record == ai_.records.end()) {
        return;
    }
    if (event == "FREEZE_LATITUDE_LONGITUDE_SET") {
        record->second.freezeLatLon = data != 0;
    } else if (event == "FREEZE_ALTITUDE_SET") {
        record->second.freezeAltitude = data != 0;
    } else if (event == "FREEZE_ATTITUDE_SET") {
        record->second.freezeAttitude = data != 0;
    }
}

std::vector<DWORD> World::aiObjectIds() {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    std::vector<DWORD> ids;
    for (const auto& [id, record] : ai_.records) {
        ids.push_back(id);
    }
    return ids;
}

std::optional<AiObjectRecord> World::aiObject(DWORD objectId) {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    const auto it = ai_.records.find(objectId);
    return it == ai_.records.end() ? std::nullopt : std::optional(it->second);
}

std::vector<TracePoint> World::trace(DWORD objectId) {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    const DWORD id = objectId == SIMCONNECT_OBJECT_ID_USER ? setup_.user.objectId : objectId;
    const auto it = ai_.traces.find(id);
    return it == ai_.traces.end() ? std::vector<TracePoint>{}
                                  : std::vector<TracePoint>(it->second.begin(), it->second.end());
}

std::vector<ObjectEventRecord> World::clientEvents(DWORD objectId) {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    const auto it = ai_.events.find(objectId);
    return it == ai_.events.end() ? std::vector<ObjectEventRecord>{} : it->second;
}

std::size_t World::pendingAssignments() {
    std::lock_guard lock(mutex_);
    advance(nowSeconds());
    return ai_.assignments.size();
}

std::size_t World::refusedCreates() {
    std::lock_guard lock(mutex_);
    return ai_.refusedForRoom;
}

} // namespace skyloom::simworld
