// The description of a simulated world, as a world file gives it (world_file.h) or a test
// builds it: the simulator's identity, the user aircraft and its scripted track, other objects,
// the timeline of events, the faults to inject, the frame rate and the journal's size. Times
// are seconds since the world was created; angles in the file are degrees.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "foundation/clock.h"
#include "platform/simconnect/win_types.h"
#include "platform/simworld/ai_object_setup.h"
#include "platform/simworld/facility_setup.h"

namespace skyloom::simworld {

inline constexpr const char* kMsfs2020Name = "KittyHawk";
inline constexpr const char* kMsfs2024Name = "SunRise";
// The application versions the two simulators report here: major, minor, build major, build
// minor.
inline constexpr std::array<std::uint32_t, 4> kMsfs2020Version{11, 0, 282174, 999};
inline constexpr std::array<std::uint32_t, 4> kMsfs2024Version{12, 1, 20050, 0};

struct SimulatorIdentity {
    std::string applicationName = kMsfs2020Name;
    std::array<std::uint32_t, 4> applicationVersion = kMsfs2020Version;
    std::array<std::uint32_t, 4> simConnectVersion{11, 0, 62651, 3};
    bool running = true;        // the simulator is started when the world begins
    bool flightRunning = false; // a flight runs when the world begins
    bool acceptConnections = true;
};

// A waypoint of the user's track. Without an altitude the aircraft stands on the ground.
// A teleport waypoint is not flown to: the aircraft holds at the waypoint before it and
// appears here at its time.
struct TrackPoint {
    double atSeconds = 0;
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    std::optional<double> altitudeFeet;
    std::optional<double> groundElevationFeet;
    std::optional<double> headingDeg; // else the track over the ground
    std::optional<double> pitchDeg;
    std::optional<double> bankDeg;
    std::optional<std::int64_t> lights; // LIGHT STATES mask from here on
    bool teleport = false;
};

struct UserAircraftSetup {
    std::uint32_t objectId = 1;
    std::string title = "Airbus A320 Neo Asobo";
    std::string atcModel = "A20N";
    std::string atcId = "ASXGS";
    double groundElevationFeet = 0;
    std::int64_t lights = 0;
    double staticCgToGroundFeet = 7.5;
    double staticPitchDeg = 0;
    std::vector<TrackPoint> track; // by time; empty: standing at 0, 0
};

enum class ObjectKind : std::uint32_t { aircraft = 2, helicopter = 3, boat = 4, ground = 5 };

// An object that is in the world from its start and does not move by itself (traffic of
// other programs, parked aircraft).
struct WorldObjectSetup {
    std::uint32_t objectId = 0;
    ObjectKind kind = ObjectKind::aircraft;
    std::string title;
    std::string atcModel;
    std::string atcId;
    double latitudeDeg = 0;
    double longitudeDeg = 0;
    std::optional<double> altitudeFeet; // without: on the ground
    double groundElevationFeet = 0;
    double headingDeg = 0;
    double staticCgToGroundFeet = 0;
    double staticPitchDeg = 0;
    std::int64_t lights = 0;
};

enum class TimelineEventKind { flightStart, flightStop, flightLoaded, quit, launch, teleport };

struct TimelineEvent {
    double atSeconds = 0;
    TimelineEventKind kind = TimelineEventKind::flightStart;
    std::string file;      // flightLoaded: the flight file named in the message
    bool plainEvent = false; // flightLoaded: an EVENT without the file, not EVENT_FILENAME
    TrackPoint teleportTo; // teleport: where the user aircraft appears
};

enum class FaultKind {
    refuseOpen,      // count opens refused, or every open before untilSeconds
    wrongSimulator,  // the OPEN message names another simulator (count connections, 0 = all)
    unknownName,     // name is unknown to every catalogue (variables, events, facility fields)
    brokenPipe,      // from atSeconds every call on the connection fails with result
    failCall,        // calls nth .. nth+count-1 of function fail at once with result
    exception,       // an EXCEPTION message at atSeconds, or after the nth call of function
    truncateMessage, // the nth..nth+count-1 messages of kind name are cut to bytes
    unknownMessage,  // a message of id messageId and bytes bytes at atSeconds
    neverAssign,     // the nth..nth+count-1 accepted creates are never answered
    // The nth..nth+count-1 removed objects go without an ObjectRemoved.
    neverConfirmRemoval,
};

struct FaultSetup {
    FaultKind kind = FaultKind::failCall;
    std::string client;   // only connections opened under this name; empty: all
    std::string function; // failCall, exception: the API function, "SimConnect_..."
    std::string name;     // unknownName: the name; wrongSimulator: the name sent;
                          // truncateMessage: the message kind ("OPEN", "SIMOBJECT_DATA", ...)
    std::uint32_t nth = 1;
    std::uint32_t count = 1;
    std::optional<double> atSeconds;
    std::optional<double> untilSeconds;
    std::optional<HRESULT> result; // else E_BROKEN_PIPE for brokenPipe, E_FAIL otherwise
    // wrongSimulator: the application version sent; else the named simulator's, or the
    // world's for a name of neither simulator.
    std::optional<std::array<std::uint32_t, 4>> version;
    DWORD exception = 0;
    DWORD sendId = 0;
    DWORD index = 0;
    DWORD messageId = 99;
    DWORD bytes = 12;
};

struct FramesSetup {
    double rateHz = 30;
    double simSpeed = 1;
    // Frames a connection may have waiting; a client that falls further behind misses frames.
    std::size_t maxBacklog = 100;
};

struct WorldSetup {
    SimulatorIdentity simulator;
    std::optional<Clock::UtcTime> zuluStart; // else the clock's UTC time when the world begins
    UserAircraftSetup user;
    std::vector<WorldObjectSetup> objects;
    std::vector<TimelineEvent> timeline;
    std::vector<FaultSetup> faults;
    FramesSetup frames;
    std::vector<LiverySetup> liveries; // what AI creates may name
    AiObjectsSetup aiObjects;
    std::size_t journalMaxEntries = 200000;
    std::vector<AirportFacilitySetup> airports; // facility data, first match by ICAO
};

} // namespace skyloom::simworld
