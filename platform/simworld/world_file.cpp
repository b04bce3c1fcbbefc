#include "platform/simworld/world_file.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <set>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/simworld/facility_file.h"
#include "platform/simworld/faults.h"
#include "platform/simworld/messages.h"
#include "platform/simworld/world_file_ai.h"
#include "platform/simworld/world_file_node.h"

namespace skyloom::simworld {

namespace {

using nlohmann::json;

using Node = WorldFileNode;

double lf_seconds(const Node& node) {
    return node.number(0, 1e9);
}
double lf_latitude(const Node& node) {
    return node.number(-90, 90);
}
double lf_longitude(const Node& node) {
    return node.number(-180, 180);
}
double lf_feet(const Node& node) {
    return node.number(-2000, 100000);
}

std::optional<double> lf_optional(const Node& node, std::string_view key,
                                  double (*read)(const Node&)) {
    return node.has(key) ? std::optional<double>(read(node.child(key))) : std::nullopt;
}

HRESULT lf_result(const Node& node) {
    std::uint32_t value = 0;
    try {
        const std::string text = node.text();
        std::size_t used = 0;
        const unsigned long parsed = std::stoul(text, &used, 16);
        if (used != text.size() || !text.starts_with("0x") || parsed > 0xFFFFFFFFul) {
            node.fail("a result such as \"0x80004005\" is expected here");
        }
        value = static_cast<std::uint32_t>(parsed);
    } catch (const std::logic_error&) {
        node.fail("a result such as \"0x80004005\" is expected here");
    }
    return static_cast<HRESULT>(value);
}

std::array<std::uint32_t, 4> lf_version(const Node& node) {
    const std::vector<Node> parts = node.items();
    if (parts.size() != 4) {
        node.fail("four numbers are expected: major, minor, build major, build minor");
    }
    return {parts[0].u32(), parts[1].u32(), parts[2].u32(), parts[3].u32()};
}

Clock::UtcTime lf_utc(const Node& node) {
    const std::string text = node.text();
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int used = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2u-%2uT%2d:%2d:%2dZ%n", &year, &month, &day,
                                   &hour, &minute, &second, &used);
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month},
                              std::chrono::day{day}};
    if (fields != 6 || used != static_cast<int>(text.size()) || !date.ok() || hour > 23 ||
        minute > 59 || second > 59 || hour < 0 || minute < 0 || second < 0) {
        node.fail(fmt::format("\"{}\" is no UTC time like \"2026-01-05T12:00:00Z\"", text));
    }
    return sys_days{date} + hours{hour} + minutes{minute} + seconds{second};
}

SimulatorIdentity lf_simulator(const Node& node) {
    node.expectKeys(
        {"name", "version", "simConnectVersion", "running", "flightRunning", "acceptConnections"});
    SimulatorIdentity s;
    if (node.has("name")) {
        s.applicationName = node.child("name").text();
        if (s.applicationName.size() > 255) {
            node.child("name").fail("the name holds more than 255 characters");
        }
        // Each simulator reports its own version unless the file gives one.
        s.applicationVersion =
            gf_simulatorVersionOf(s.applicationName).value_or(s.applicationVersion);
    }
    if (node.has("version")) {
        s.applicationVersion = lf_version(node.child("version"));
    }
    if (node.has("simConnectVersion")) {
        s.simConnectVersion = lf_version(node.child("simConnectVersion"));
    }
    if (node.has("running")) {
        s.running = node.child("running").boolean();
    }
    if (node.has("flightRunning")) {
        s.flightRunning = node.child("flightRunning").boolean();
    }
    if (node.has("acceptConnections")) {
        s.acceptConnections = node.child("acceptConnections").boolean();
    }
    return s;
}

TrackPoint lf_trackPoint(const Node& node, bool withTime) {
    if (withTime) {
        node.expectKeys({"at", "latitude", "longitude", "altitudeFeet", "groundElevationFeet",
                         "headingDegrees", "pitchDegrees", "bankDegrees", "lights", "teleport"});
    }
    TrackPoint p;
    if (withTime) {
        p.atSeconds = lf_seconds(node.at("at"));
        if (node.has("teleport")) {
            p.teleport = node.child("teleport").boolean();
        }
    }
    p.latitudeDeg = lf_latitude(node.at("latitude"));
    p.longitudeDeg = lf_longitude(node.at("longitude"));
    p.altitudeFeet = lf_optional(node, "altitudeFeet", lf_feet);
    p.groundElevationFeet = lf_optional(node, "groundElevationFeet", lf_feet);
    p.headingDeg =
        lf_optional(node, "headingDegrees", [](const Node& n) { return n.number(0, 360); });
    p.pitchDeg = lf_optional(node, "pitchDegrees", [](const Node& n) { return n.number(-90, 90); });
    p.bankDeg = lf_optional(node, "bankDegrees", [](const Node& n) { return n.number(-180, 180); });
    if (node.has("lights")) {
        p.lights = node.child("lights").integer(0, std::numeric_limits<std::int64_t>::max());
    }
    return p;
}

UserAircraftSetup lf_user(const Node& node) {
    node.expectKeys({"objectId", "title", "atcModel", "atcId", "groundElevationFeet", "lights",
                     "staticCgToGroundFeet", "staticPitchDegrees", "track"});
    UserAircraftSetup u;
    if (node.has("objectId")) {
        u.objectId = node.child("objectId").u32();
        if (u.objectId == 0) {
            node.child("objectId").fail("0 stands for the user in requests; give another id");
        }
    }
    if (node.has("title")) {
        u.title = node.child("title").text();
    }
    if (node.has("atcModel")) {
        u.atcModel = node.child("atcModel").text();
    }
    if (node.has("atcId")) {
        u.atcId = node.child("atcId").text();
    }
    if (node.has("groundElevationFeet")) {
        u.groundElevationFeet = lf_feet(node.child("groundElevationFeet"));
    }
    if (node.has("lights")) {
        u.lights = node.child("lights").integer(0, std::numeric_limits<std::int64_t>::max());
    }
    if (node.has("staticCgToGroundFeet")) {
        u.staticCgToGroundFeet = node.child("staticCgToGroundFeet").number(0, 100);
    }
    if (node.has("staticPitchDegrees")) {
        u.staticPitchDeg = node.child("staticPitchDegrees").number(-90, 90);
    }
    if (node.has("track")) {
        for (const Node& item : node.child("track").items()) {
            TrackPoint p = lf_trackPoint(item, true);
            if (!u.track.empty() && p.atSeconds <= u.track.back().atSeconds) {
                item.child("at").fail("waypoints must come in rising time");
            }
            u.track.push_back(p);
        }
    }
    return u;
}

ObjectKind lf_objectKind(const Node& node) {
    const std::string text = node.text();
    if (text == "aircraft") {
        return ObjectKind::aircraft;
    }
    if (text == "helicopter") {
        return ObjectKind::helicopter;
    }
    if (text == "boat") {
        return ObjectKind::boat;
    }
    if (text == "ground") {
        return ObjectKind::ground;
    }
    node.fail(fmt::format("\"{}\" is none of aircraft, helicopter, boat, ground", text));
}

WorldObjectSetup lf_object(const Node& node) {
    node.expectKeys({"objectId", "type", "title", "atcModel", "atcId", "latitude", "longitude",
                     "altitudeFeet", "groundElevationFeet", "headingDegrees",
                     "staticCgToGroundFeet", "staticPitchDegrees", "lights"});
    WorldObjectSetup o;
    o.objectId = node.at("objectId").u32();
    if (node.has("type")) {
        o.kind = lf_objectKind(node.child("type"));
    }
    o.title = node.has("title") ? node.child("title").text() : "";
    o.atcModel = node.has("atcModel") ? node.child("atcModel").text() : "";
    o.atcId = node.has("atcId") ? node.child("atcId").text() : "";
    o.latitudeDeg = lf_latitude(node.at("latitude"));
    o.longitudeDeg = lf_longitude(node.at("longitude"));
    o.altitudeFeet = lf_optional(node, "altitudeFeet", lf_feet);
    o.groundElevationFeet =
        node.has("groundElevationFeet") ? lf_feet(node.child("groundElevationFeet")) : 0;
    o.headingDeg = node.has("headingDegrees") ? node.child("headingDegrees").number(0, 360) : 0;
    o.staticCgToGroundFeet =
        node.has("staticCgToGroundFeet") ? node.child("staticCgToGroundFeet").number(0, 100) : 0;
    o.staticPitchDeg =
        node.has("staticPitchDegrees") ? node.child("staticPitchDegrees").number(-90, 90) : 0;
    if (node.has("lights")) {
        o.lights = node.child("lights").integer(0, std::numeric_limits<std::int64_t>::max());
    }
    return o;
}

TimelineEvent lf_timelineEvent(const Node& node) {
    const std::string kind = node.at("event").text();
    TimelineEvent e;
    if (kind == "teleport") {
        node.expectKeys({"at", "event", "latitude", "longitude", "altitudeFeet",
                         "groundElevationFeet", "headingDegrees", "pitchDegrees", "bankDegrees",
                         "lights"});
        e.kind = TimelineEventKind::teleport;
        e.teleportTo = lf_trackPoint(node, false);
    } else if (kind == "flightLoaded") {
        node.expectKeys({"at", "event", "file", "message"});
        e.kind = TimelineEventKind::flightLoaded;
        if (node.has("message")) {
            const std::string message = node.child("message").text();
            if (message != "EVENT" && message != "EVENT_FILENAME") {
                node.child("message").fail(
                    fmt::format("\"{}\" is neither EVENT nor EVENT_FILENAME", message));
            }
            e.plainEvent = message == "EVENT";
            if (e.plainEvent && node.has("file")) {
                node.child("file").fail("a plain EVENT carries no file");
            }
        }
        e.file = node.has("file") ? node.child("file").text() : "flights\\other\\MainMenu.FLT";
    } else {
        node.expectKeys({"at", "event"});
        if (kind == "flightStart") {
            e.kind = TimelineEventKind::flightStart;
        } else if (kind == "flightStop") {
            e.kind = TimelineEventKind::flightStop;
        } else if (kind == "quit") {
            e.kind = TimelineEventKind::quit;
        } else if (kind == "launch") {
            e.kind = TimelineEventKind::launch;
        } else {
            node.child("event").fail(fmt::format(
                "\"{}\" is none of flightStart, flightStop, flightLoaded, quit, launch, teleport",
                kind));
        }
    }
    e.atSeconds = lf_seconds(node.at("at"));
    return e;
}

std::string lf_functionName(const Node& node) {
    const std::string name = node.text();
    if (!gf_isApiFunctionName(name)) {
        node.fail(fmt::format("\"{}\" is no SimConnect function of the stand-in", name));
    }
    return name;
}

bool lf_isMessageKind(std::string_view kind) {
    for (DWORD id = 1; id < 40; ++id) {
        if (gf_messageKindName(id) == kind && kind != "UNKNOWN") {
            return true;
        }
    }
    return false;
}

// A fault, or a quit (which joins the timeline).
void lf_fault(const Node& node, WorldSetup& setup) {
    node.expectKeys({"kind", "client", "function", "name", "message", "nth", "count", "atSeconds",
                     "untilSeconds", "result", "exception", "sendId", "index", "messageId", "bytes",
                     "version"});
    const Node kindNode = node.at("kind");
    const std::string kind = kindNode.text();
    if (kind == "quit") {
        TimelineEvent quit;
        quit.atSeconds = lf_seconds(node.at("atSeconds"));
        quit.kind = TimelineEventKind::quit;
        setup.timeline.push_back(quit);
        return;
    }
    FaultSetup f;
    const auto allowOnly = [&](std::initializer_list<std::string_view> keys) {
        for (std::string_view key :
             {"client", "function", "name", "message", "nth", "count", "atSeconds", "untilSeconds",
              "result", "exception", "sendId", "index", "messageId", "bytes", "version"}) {
            if (node.has(key) && std::find(keys.begin(), keys.end(), key) == keys.end()) {
                node.child(key).fail(fmt::format("not used by a {} fault", kind));
            }
        }
    };
    if (node.has("client")) {
        f.client = node.child("client").text();
    }
    if (node.has("nth")) {
        f.nth = static_cast<std::uint32_t>(node.child("nth").integer(1, 1000000000));
    }
    if (node.has("count")) {
        f.count = static_cast<std::uint32_t>(node.child("count").integer(0, 1000000000));
    }
    if (node.has("atSeconds")) {
        f.atSeconds = lf_seconds(node.child("atSeconds"));
    }
    if (node.has("result")) {
        f.result = lf_result(node.child("result"));
    }
    if (kind == "refuseOpen") {
        allowOnly({"client", "count", "untilSeconds", "result"});
        f.kind = FaultKind::refuseOpen;
        if (node.has("untilSeconds")) {
            f.untilSeconds = lf_seconds(node.child("untilSeconds"));
        } else if (!node.has("count")) {
            node.fail("a refuseOpen fault needs \"count\" or \"untilSeconds\"");
        }
    } else if (kind == "wrongSimulator") {
        allowOnly({"client", "name", "count", "version"});
        f.kind = FaultKind::wrongSimulator;
        f.name = node.has("name") ? node.child("name").text() : "";
        if (node.has("version")) {
            f.version = lf_version(node.child("version"));
        }
        f.count = node.has("count") ? f.count : 0;
    } else if (kind == "unknownName") {
        allowOnly({"name"});
        f.kind = FaultKind::unknownName;
        f.name = node.at("name").text();
    } else if (kind == "brokenPipe") {
        allowOnly({"client", "atSeconds", "result"});
        f.kind = FaultKind::brokenPipe;
    } else if (kind == "failCall") {
        allowOnly({"client", "function", "nth", "count", "result"});
        f.kind = FaultKind::failCall;
        f.function = lf_functionName(node.at("function"));
    } else if (kind == "exception") {
        allowOnly(
            {"client", "function", "nth", "count", "atSeconds", "exception", "sendId", "index"});
        f.kind = FaultKind::exception;
        f.exception = node.at("exception").u32();
        f.index = node.has("index") ? node.child("index").u32() : 0;
        f.sendId = node.has("sendId") ? node.child("sendId").u32() : 0;
        if (node.has("function") == node.has("atSeconds")) {
            node.fail("an exception fault needs either \"function\" or \"atSeconds\"");
        }
        if (node.has("function")) {
            f.function = lf_functionName(node.child("function"));
            if (node.has("sendId")) {
                node.child("sendId").fail("the send id is the packet of the call");
            }
            if (const auto problem = gf_faultSetupProblem(f)) {
                node.child("function").fail(*problem);
            }
        }
    } else if (kind == "truncateMessage") {
        allowOnly({"client", "message", "nth", "count", "bytes"});
        f.kind = FaultKind::truncateMessage;
        f.name = node.at("message").text();
        if (!lf_isMessageKind(f.name)) {
            node.child("message").fail(fmt::format("\"{}\" is no message kind", f.name));
        }
        f.bytes = static_cast<DWORD>(node.at("bytes").integer(0, 65536));
    } else if (kind == "unknownMessage") {
        allowOnly({"client", "atSeconds", "messageId", "bytes"});
        f.kind = FaultKind::unknownMessage;
        f.messageId = node.has("messageId") ? node.child("messageId").u32() : 99;
        f.bytes =
            node.has("bytes") ? static_cast<DWORD>(node.child("bytes").integer(12, 65536)) : 12;
    } else if (kind == "neverAssign" || kind == "neverConfirmRemoval") {
        allowOnly({"client", "nth", "count"});
        f.kind = kind == "neverAssign" ? FaultKind::neverAssign : FaultKind::neverConfirmRemoval;
    } else {
        kindNode.fail(fmt::format("\"{}\" is no fault kind", kind));
    }
    setup.faults.push_back(f);
}

} // namespace

WorldSetup gf_parseWorldText(std::string_view text, std::string_view source,
                             const std::filesystem::path& folder) {
    json document;
    try {
        document = json::parse(text, nullptr, true, true);
    } catch (const json::parse_error& e) {
        throw WorldFileError(fmt::format("{}: not valid JSON: {}", source, e.what()));
    }
    const Node root(document, "", source);
    root.expectKeys({"simulator", "zuluStart", "frames", "journal", "user", "objects", "timeline",
                     "faults", "airports", "liveries", "aiObjects"});
    WorldSetup setup;
    if (root.has("simulator")) {
        setup.simulator = lf_simulator(root.child("simulator"));
    }
    if (root.has("zuluStart")) {
        setup.zuluStart = lf_utc(root.child("zuluStart"));
    }
    if (root.has("frames")) {
        const Node frames = root.child("frames");
        frames.expectKeys({"rateHz", "simSpeed", "maxBacklog"});
        if (frames.has("rateHz")) {
            setup.frames.rateHz = frames.child("rateHz").number(0.01, 1000);
        }
        if (frames.has("simSpeed")) {
            setup.frames.simSpeed = frames.child("simSpeed").number(0.01, 128);
        }
        if (frames.has("maxBacklog")) {
            setup.frames.maxBacklog =
                static_cast<std::size_t>(frames.child("maxBacklog").integer(1, 1000000));
        }
    }
    if (root.has("journal")) {
        const Node journal = root.child("journal");
        journal.expectKeys({"maxEntries"});
        setup.journalMaxEntries =
            static_cast<std::size_t>(journal.at("maxEntries").integer(0, 100000000));
    }
    if (root.has("user")) {
        setup.user = lf_user(root.child("user"));
    }
    if (root.has("objects")) {
        std::set<std::uint32_t> ids{setup.user.objectId};
        for (const Node& item : root.child("objects").items()) {
            WorldObjectSetup object = lf_object(item);
            if (object.objectId == 0 || !ids.insert(object.objectId).second) {
                item.child("objectId")
                    .fail(fmt::format("object id {} is 0, the user's or given twice",
                                      object.objectId));
            }
            setup.objects.push_back(std::move(object));
        }
    }
    if (root.has("timeline")) {
        for (const Node& item : root.child("timeline").items()) {
            setup.timeline.push_back(lf_timelineEvent(item));
        }
    }
    if (root.has("faults")) {
        for (const Node& item : root.child("faults").items()) {
            lf_fault(item, setup);
        }
    }
    if (root.has("liveries")) {
        setup.liveries = gf_readLiveries(root.child("liveries"));
    }
    if (root.has("aiObjects")) {
        setup.aiObjects = gf_readAiObjects(root.child("aiObjects"));
    }
    if (root.has("airports")) {
        setup.airports = gf_parseAirportList(document.at("airports"), "/airports", source, folder);
    }
    std::vector<double> teleports;
    for (const TimelineEvent& event : setup.timeline) {
        if (event.kind == TimelineEventKind::teleport) {
            teleports.push_back(event.atSeconds);
        }
    }
    for (const TrackPoint& point : setup.user.track) {
        if (std::find(teleports.begin(), teleports.end(), point.atSeconds) != teleports.end()) {
            throw WorldFileError(fmt::format(
                "{}: /timeline: a teleport at {} s meets a waypoint of the user track at that time",
                source, point.atSeconds));
        }
    }
    return setup;
}

WorldSetup gf_loadWorldFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw WorldFileError(fmt::format("{}: cannot be opened", file.string()));
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        throw WorldFileError(fmt::format("{}: cannot be read", file.string()));
    }
    return gf_parseWorldText(text.str(), file.string(), file.parent_path());
}

} // namespace skyloom::simworld
