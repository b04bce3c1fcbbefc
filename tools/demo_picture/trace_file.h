// The simulator stand-in's trace of its AI objects (one line per point:
// "seconds;id;source;latitude;longitude;altitude ft;heading deg;on ground") read into one
// track per object, and its AI report read for each object's ATC id.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/lalo.h"

namespace skyloom::tools {

// A file that cannot be read or a line that is not in the format; the text names the file and
// the line.
class TraceFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TraceSource { created, written, drifted, removed };

struct TracePoint {
    double seconds = 0; // world time
    TraceSource source = TraceSource::written;
    Lalo position;
    double altitudeFeet = 0;
    double headingDegrees = 0;
    bool onGround = false;
};

struct TraceTrack {
    std::uint32_t id = 0;
    std::vector<TracePoint> points; // in the order of the file, never empty

    bool removed() const { return points.back().source == TraceSource::removed; }
};

// The tracks in the order their objects first appear.
std::vector<TraceTrack> gf_readTraceFile(const std::filesystem::path& file);
std::vector<TraceTrack> gf_parseTraceText(std::string_view text, std::string_view source);

// Object id -> ATC id from the AI report's tenth field; reports without it give none.
std::map<std::uint32_t, std::string> gf_readAiReportAtcIds(const std::filesystem::path& file);

} // namespace skyloom::tools
