// The handlers of the four replies about the user aircraft (requests 105 to 108), run by the
// SimClient thread inside its dispatch: the position and state with the teleport rule and the
// simulator's UTC time, the once-a-second on-ground reply, the title, and the model (in
// sim/user_aircraft_model.h). Each reply is checked against the bytes its record needs; a
// shorter one is logged and ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/simconnect/simconnect_recv.h"

namespace skyloom {

class StopControl;
class UserAircraft;
class UserStandServices;
class WindowSink;

// What the handlers write and report to: the user aircraft (written only here), the park
// airport's stands for the user's stand, the window and the stop request.
struct UserReplyTargets {
    UserAircraft& user;
    UserStandServices& stands;
    WindowSink& window;
    StopControl& stop;
};

// Message sizes: the data header (40 bytes) and the definition's data.
inline constexpr std::size_t kUserPositionReplyBytes = 160; // definition 403, 15 x 8 bytes
inline constexpr std::size_t kUserOnGroundReplyBytes = 48;  // one INT64
inline constexpr std::size_t kUserTitleReplyBytes = 41;     // a text of at least its NUL
inline constexpr std::size_t kUserModelReplyBytes = 72;     // STRING32

// A jump further than this (NM) between two known positions starts a new flight.
inline constexpr double kTeleportDistanceNM = 10.0;

// Hands a SIMOBJECT_DATA reply to its handler by request id; other ids are ignored. The
// window shows the user's stand and wing span; the stop request takes the NEW FLIGHT request
// of a teleport.
void gf_onUserAircraftData(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                           const UserReplyTargets& targets);

// Request 108: stores the state; a jump of more than 10 NM between two known positions logs
// "Teleport" and requests the stop "NEW FLIGHT" (the first known position never does); shows
// the stand the user stands on; works out the simulator's UTC time while the RealTraffic
// licence is professional; takes the reply's object id as the user's.
void gf_onUserAcPosition(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                         const UserReplyTargets& targets);
// Request 107: on the ground or not, taken over only once the position is known; always tells
// the main loop that the reply came.
void gf_onUserAcOnGround(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                         UserAircraft& user);
// Request 105: the title up to its NUL, at most 48 characters (cut on a character boundary);
// a text without NUL or an empty one is not stored.
void gf_onUserAcTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                      UserAircraft& user);

// The handlers' own memory: the last known position, the stand last shown and the warn-once
// flags. Part of gf_clearSimTables.
void gf_resetUserReplyMemory();

// The log line of a reply that is too short: "SimConnect {name} payload too small: {size} <
// {minimum} bytes" (important). True when the reply is long enough.
bool gf_checkUserReplySize(std::size_t size, std::size_t minimum, const char* name);

// The first `maxChars` characters of UTF-8 text; a byte that starts no well-formed sequence
// counts as one character.
std::string gf_cutToChars(std::string_view text, std::size_t maxChars);

} // namespace skyloom
