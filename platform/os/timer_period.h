// The 1 ms system timer period that the main loop and the simulator client ask for while they
// run. Linux timers are already fine-grained, so holding the period changes nothing here; the
// object marks where the request is made and released.
#pragma once

namespace skyloom::os {

class TimerPeriod {
public:
    explicit TimerPeriod(unsigned milliseconds = 1) : milliseconds_(milliseconds) {}
    ~TimerPeriod() = default;
    TimerPeriod(const TimerPeriod&) = delete;
    TimerPeriod& operator=(const TimerPeriod&) = delete;

    unsigned milliseconds() const { return milliseconds_; }

private:
    unsigned milliseconds_;
};

} // namespace skyloom::os
