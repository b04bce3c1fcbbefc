#include "foundation/manual_clock.h"

namespace skyloom {

using namespace std::chrono;

ManualClock::UtcTime ManualClock::utcTime(int year, unsigned month, unsigned day, int hour,
                                          int minute, int second) {
    const sys_days date = year_month_day{std::chrono::year{year}, std::chrono::month{month},
                                         std::chrono::day{day}};
    return UtcTime{date} + hours{hour} + minutes{minute} + seconds{second};
}

ManualClock::UtcTime ManualClock::defaultStart() { return utcTime(2026, 1, 5); }

ManualClock::ManualClock(UtcTime utcStart, SleepMode mode)
    : steady_(SteadyTime{} + hours{24 * 365}), utc_(utcStart), mode_(mode) {}

Clock::SteadyTime ManualClock::steadyNow() const {
    std::lock_guard lock(mutex_);
    return steady_;
}

Clock::UtcTime ManualClock::utcNow() const {
    std::lock_guard lock(mutex_);
    return utc_;
}

void ManualClock::sleepUntil(SteadyTime until) {
    std::unique_lock lock(mutex_);
    ++sleeps_;
    if (until <= steady_) {
        return;
    }
    if (mode_ == SleepMode::advance) {
        const auto step = until - steady_;
        steady_ = until;
        utc_ += duration_cast<UtcTime::duration>(step);
        advanced_.notify_all();
        return;
    }
    advanced_.wait(lock, [&] { return steady_ >= until || mode_ == SleepMode::advance; });
    if (steady_ < until) {
        const auto step = until - steady_;
        steady_ = until;
        utc_ += duration_cast<UtcTime::duration>(step);
    }
}

void ManualClock::advance(Duration d) {
    if (d <= Duration::zero()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        steady_ += d;
        utc_ += duration_cast<UtcTime::duration>(d);
    }
    advanced_.notify_all();
}

void ManualClock::setUtc(UtcTime t) {
    std::lock_guard lock(mutex_);
    utc_ = t;
}

void ManualClock::setSleepMode(SleepMode mode) {
    {
        std::lock_guard lock(mutex_);
        mode_ = mode;
    }
    advanced_.notify_all();
}

std::uint64_t ManualClock::sleepCount() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

} // namespace skyloom
