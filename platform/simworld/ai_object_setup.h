// How a world answers the AI aircraft a program creates: the installed liveries a create may
// name (each with the model, static centre of gravity and pitch its objects get), how long the
// simulator takes to assign an object and to confirm a removal, how many objects it takes,
// where its object ids start, how it moves an object that nobody froze, and how much of each
// object's positions it keeps for tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skyloom::simworld {

// An installed livery: the container title a create names.
struct LiverySetup {
    std::string title;
    std::string atcModel;
    double staticCgToGroundFeet = 0;
    double staticPitchDeg = 0;
};

struct AiObjectsSetup {
    // A create is answered with its object id this long after the call.
    double assignDelaySeconds = 0.1;
    // A removed object goes, and ObjectRemoved is sent, this long after the call (0: at once).
    double removeDelaySeconds = 0;
    // Objects created by clients, those still waiting for their id included; a create beyond
    // them fails with TOO_MANY_OBJECTS and CREATE_OBJECT_FAILED.
    std::size_t maxObjects = 1000;
    // That refusal's CREATE_OBJECT_FAILED comes before its TOO_MANY_OBJECTS (nothing promises a
    // client either order).
    bool tooManyObjectsLast = false;
    // The first object id handed out; later ones count up, passing over ids in use.
    std::uint32_t firstObjectId = 100;
    // How the simulator moves a created object on each frame as long as the matching freeze
    // event has not been set: along its heading, up or down, and turning.
    double driftKnots = 0;
    double driftFeetPerMinute = 0;
    double driftDegreesPerSecond = 0;
    // Points of each object's position trace kept (the newest); 0 keeps none.
    std::size_t tracePointsPerObject = 10000;
    // When set, a file the world rewrites every `reportEverySeconds` of its time with one line
    // per AI object created so far (docs/simworld.md): for a run of the whole program, which
    // cannot ask the world itself.
    std::string reportFile;
    double reportEverySeconds = 10;
    // When set, a file the world empties when it starts and then appends a line to for each
    // trace point of an AI object: its creation and removal, and a written or drifted position
    // once `traceEverySeconds` of world time passed since the object's last line (0: every
    // one) or when its on-ground flag changed. Flushed with every report and when the world ends.
    std::string traceFile;
    double traceEverySeconds = 1;
};

} // namespace skyloom::simworld
