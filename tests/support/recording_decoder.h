// `RecordingDecoder`: a live traffic decoder for tests that keeps every entry it is given.
#pragma once

#include <mutex>
#include <vector>

#include "traffic/step/traffic_mailbox.h"

namespace skyloom::testing {

class RecordingDecoder final : public TrafficDecoder {
public:
    void decodeMessage(const TrafficEntry& entry) override;
    std::vector<TrafficEntry> entries() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<TrafficEntry> entries_;
};

} // namespace skyloom::testing
