// A live series: a recording of location-traffic replies of one place, one reply per moment,
// that the web API stand-in plays back in real time, so that every poll finds the aircraft
// where they were at that moment (a single recorded reply answers every poll with the same
// positions, and aircraft that never move on are never shown). The recording's top level is
// an array of replies, each as the service sends it, with its "dataepoch" (Unix seconds).
//
// Playback begins at the stand-in's first traffic request, kLeadSeconds after the first
// reply's moment, so that the buffered snapshots of that first request (at most 10 x 10 s
// back) find their past; it then moves on with the stand-in's clock. The reply of a moment is
// the newest whose dataepoch is not after it; past the last reply the last one answers.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

namespace skyloom::tools {

class LiveSeries {
public:
    static constexpr double kLeadSeconds = 100.0;

    // The series of a recording whose top level is an array; no value for any other
    // recording. Throws std::runtime_error when the array is empty or a reply has no numeric
    // "dataepoch"; the replies are put in time order.
    static std::optional<LiveSeries> of(nlohmann::json recording);

    // The moment (Unix seconds) that `sincePlaybackStart` after the start of the playback
    // shows.
    double momentAt(std::chrono::duration<double> sincePlaybackStart) const noexcept;
    // The reply of the moment; null before the first reply's moment.
    const nlohmann::json* replyAt(double moment) const noexcept;
    std::size_t size() const noexcept { return replies_.size(); }

private:
    explicit LiveSeries(std::vector<nlohmann::json> replies);
    static double epochOf(const nlohmann::json& reply);

    std::vector<nlohmann::json> replies_;
};

} // namespace skyloom::tools
