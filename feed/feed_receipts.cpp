#include "feed/feed_receipts.h"

#include <fmt/format.h>

#include "foundation/log_file.h"

namespace skyloom {

namespace {

void lf_writeLine(const std::string& reader, std::uint64_t records, std::size_t aircraft) {
    LogFile::write(fmt::format("{}: {} traffic records of {} aircraft received so far", reader,
                               records, aircraft));
}

} // namespace

void FeedReceipts::count(std::uint32_t hexid) {
    ++records_;
    hexids_.insert(hexid);
}

void FeedReceipts::count(const std::vector<TrafficEntry>& entries) {
    for (const TrafficEntry& entry : entries) {
        count(entry.hexid);
    }
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
    recordsLogged_ = records_;
    lf_writeLine(readerName_, records_, hexids_.size());
    return true;
}

void FeedReceipts::logNow() {
    if (recordsLogged_ == records_) {
        return;
    }
    recordsLogged_ = records_;
    lf_writeLine(readerName_, records_, hexids_.size());
}

} // namespace skyloom
