// `SimEvent`: the one record in which the SimClient thread tells the traffic step what became of
// the AI objects: an object assigned to a live or a static create, an object removed, a
// position report of an aircraft within the radius, the static centre of gravity and pitch of
// an object, a create the simulator refused. The meaning of the fields depends on the kind:
//
// | kind                 | object id | value1        | x                   | y                  |
// |----------------------|-----------|---------------|---------------------|--------------------|
// | liveAssigned (0)     | new id    | hexid         | 0                   | 0                  |
// | staticAssigned (1)   | new id    | hexid         | 0                   | 0                  |
// | objectRemoved (2)    | its id    | 0             | 0                   | 0                  |
// | aiPositionReport (3) | its id    | SIM ON GROUND | ground altitude, ft | above ground, ft   |
// | staticCgAndPitch (4) | its id    | 0             | static CG to ground | static pitch, rad  |
// | createFailed (5)     | 0         | hexid         | the create's request id | 0              |
// | createRefused (6)    | 0         | hexid         | the create's request id | 0              |
//
// value2 is 0 throughout. A failed create carries no object id: the drain matches it by hexid.
// A refused create failed for want of room (the simulator holds as many objects as it takes),
// not for its livery: it may be made again once an object was removed.
#pragma once

#include <cstdint>
#include <string_view>

namespace skyloom {

enum class SimEventKind : std::uint32_t {
    liveAssigned = 0,
    staticAssigned = 1,
    objectRemoved = 2,
    aiPositionReport = 3,
    staticCgAndPitch = 4,
    createFailed = 5,
    createRefused = 6,
};

// "live object assigned", "static object assigned", "object removed", "AI position report",
// "static centre of gravity and pitch", "create failed", "create refused for want of room";
// "unknown" for another value.
std::string_view gf_simEventKindText(SimEventKind kind) noexcept;

struct SimEvent {
    std::uint32_t objectId = 0;
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
    SimEventKind kind = SimEventKind::liveAssigned;
    double x = 0;
    double y = 0;

    friend bool operator==(const SimEvent&, const SimEvent&) = default;
};

} // namespace skyloom
