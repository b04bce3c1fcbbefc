// A live series: a recording of location-traffic replies of one place, one reply per moment,
// that the web API stand-in plays back in real time, so that every poll finds the aircraft
// where they were at that moment (a single recorded reply answers every poll with the same
// positions, and aircraft that never move on are never shown). The recording's top level is
// an array of replies, each as the service sends it, with its "dataepoch" (Unix seconds).
//
// Playback begins at the stand-in's first traffic request, kLeadSeconds after the first
// reply's moment, so that the buffered snapshots of that first request (at most 10 x 10 s
// back) find their past; it then moves on with the stand-in's clock. The reply of a moment holds
// each aircraft as it was last reported by then, as the service's own data of that moment:
// the newest reply whose dataepoch is not after the moment, with the aircraft of the next
// reply whose time stamp (index 10) is not after it either. (The newest reply alone is up to
// a step of the series old: a poll 4 s into a series of 5 s steps found the data of 4 s ago,
// which the reader takes as current, and buffered snapshots asked 6 s apart came 5 or 10 s
// apart.) The reply's "dataepoch" is the moment's whole second. Past the last reply the last
// one answers.
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
    // The reply of the moment (see above); none before the first reply's moment.
    std::optional<nlohmann::json> replyAt(double moment) const;
    std::size_t size() const noexcept { return replies_.size(); }

private:
    explicit LiveSeries(std::vector<nlohmann::json> replies);
    static double epochOf(const nlohmann::json& reply);

    std::vector<nlohmann::json> replies_;
};

} // namespace skyloom::tools
