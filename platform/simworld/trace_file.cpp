#include "platform/simworld/trace_file.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iterator>
#include <numbers>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

// Collected lines are written once they reach this size (and at every flush).
constexpr std::size_t kTraceBlockBytes = 64 * 1024;

double lf_headingDegrees(double headingTrueRad) {
    const double degrees = std::fmod(headingTrueRad * 180.0 / std::numbers::pi, 360.0);
    return degrees < 0 ? degrees + 360.0 : degrees;
}

} // namespace

TraceFile::TraceFile(const std::string& path) : file_(std::fopen(path.c_str(), "w")), path_(path) {
    if (!file_) {
        throw std::invalid_argument(
            fmt::format("cannot write the trace file \"{}\": {}", path, std::strerror(errno)));
    }
    pending_.reserve(kTraceBlockBytes + 256);
}

void TraceFile::append(double seconds, std::uint32_t objectId, std::string_view source,
                       const ObjectState& state) {
    if (!file_) {
        return;
    }
    fmt::format_to(std::back_inserter(pending_), "{:.2f};{};{};{:.7f};{:.7f};{:.1f};{:.1f};{}\n",
                   seconds, objectId, source, state.latitudeDeg, state.longitudeDeg,
                   state.altitudeFeet, lf_headingDegrees(state.headingTrueRad),
                   state.onGround ? 1 : 0);
    if (pending_.size() >= kTraceBlockBytes) {
        flush();
    }
}

void TraceFile::flush() {
    if (!file_) {
        pending_.clear();
        return;
    }
    const bool written =
        std::fwrite(pending_.data(), 1, pending_.size(), file_.get()) == pending_.size() &&
        std::fflush(file_.get()) == 0;
    pending_.clear();
    if (!written) {
        failure_ = fmt::format("the trace file \"{}\" stops: {}", path_, std::strerror(errno));
        file_.reset();
    }
}

std::string TraceFile::takeFailure() {
    return std::exchange(failure_, {});
}

} // namespace skyloom::simworld
