// `RunServices`: what every subsystem needs of the run it works in: the clock, the set-once
// stop request and the window. References, never null: the program builds its one bundle in
// app/ (app/program_services.h) and hands it down; tests build theirs from a manual clock, a
// stop control of their own and a recording window sink.
#pragma once

namespace skyloom {

class Clock;
class StopControl;
class WindowSink;

struct RunServices {
    Clock& clock;
    StopControl& stop;
    WindowSink& window;
};

} // namespace skyloom
