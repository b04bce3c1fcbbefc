#include "tests/feed/support/app_feed_support.h"

namespace skyloom::testing {
namespace {

std::vector<std::string> lf_split(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.emplace_back(text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

} // namespace

std::string rttfcDatagram(const std::map<std::size_t, std::string>& fields) {
    std::vector<std::string> values = lf_split(kV6ExampleDatagram);
    for (const auto& [position, text] : fields) {
        if (position >= values.size()) {
            values.resize(position + 1);
        }
        values[position] = text;
    }
    std::string datagram;
    for (std::size_t i = 0; i < values.size(); ++i) {
        datagram += (i == 0 ? "" : ",") + values[i];
    }
    return datagram;
}

TrafficBatchPost BatchRecorder::post() {
    return [this](std::vector<TrafficEntry>& batch, TrafficBatchKind kind, std::uint32_t offsetBase,
                  bool dropWhenOff) {
        const std::lock_guard lock(mutex_);
        batches_.push_back(PostedBatch{batch, kind, offsetBase, dropWhenOff});
        batch.clear();
        return TrafficPostOutcome{};
    };
}

std::vector<PostedBatch> BatchRecorder::batches() const {
    const std::lock_guard lock(mutex_);
    return batches_;
}

std::size_t BatchRecorder::count() const {
    const std::lock_guard lock(mutex_);
    return batches_.size();
}

} // namespace skyloom::testing
