#include "tests/support/recording_decoder.h"

namespace skyloom::testing {

void RecordingDecoder::decodeMessage(const TrafficEntry& entry) {
    const std::lock_guard lock(mutex_);
    entries_.push_back(entry);
}

std::vector<TrafficEntry> RecordingDecoder::entries() const {
    const std::lock_guard lock(mutex_);
    return entries_;
}

void RecordingDecoder::clear() {
    const std::lock_guard lock(mutex_);
    entries_.clear();
}

} // namespace skyloom::testing
