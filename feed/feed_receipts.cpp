#include "feed/feed_receipts.h"

#include <fmt/format.h>

#include "feed/forget_older_half.h"
#include "foundation/log_file.h"

namespace skyloom {

void FeedReceipts::count(const std::vector<TrafficEntry>& entries) {
    for (const TrafficEntry& entry : entries) {
        ++records_;
        hexids_[entry.hexid] = ++order_;
    }
    if (hexids_.size() <= kMaxAircraftKept) {
        return;
    }
    forgotten_ += gf_forgetOlderHalf(hexids_, [](std::uint64_t order) { return order; });
}

void FeedReceipts::count(const TrafficPostOutcome& outcome) {
    superseded_ += outcome.superseded;
    dropped_ += outcome.dropped;
    metPending_ += outcome.metPending ? 1 : 0;
}

void FeedReceipts::writeLine() {
    recordsLogged_ = records_;
    untakenLogged_ = superseded_ + dropped_;
    std::string line = fmt::format("{}: {} traffic records of {} aircraft received so far",
                                   readerName_, records_, aircraft());
    if (superseded_ > 0 || dropped_ > 0 || metPending_ > 0) {
        line += fmt::format("; untaken: {} superseded by a newer record of their aircraft, {} "
                            "dropped with their aircraft not updated; {} batch{} came before the "
                            "one before was taken",
                            superseded_, dropped_, metPending_, metPending_ == 1 ? "" : "es");
    }
    LogFile::write(line);
}

bool FeedReceipts::logWhenDue(Clock::SteadyTime now) {
    if (!lastLine_) {
        lastLine_ = now;
        return false;
    }
    if (now - *lastLine_ < kLogEvery) {
        return false;
    }
    lastLine_ = now;
    writeLine();
    return true;
}

void FeedReceipts::logNow() {
    if (recordsLogged_ == records_ && untakenLogged_ == superseded_ + dropped_) {
        return;
    }
    writeLine();
}

} // namespace skyloom
