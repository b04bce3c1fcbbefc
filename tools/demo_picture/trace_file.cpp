#include "tools/demo_picture/trace_file.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>
#include <type_traits>
#include <unordered_map>

#include <fmt/format.h>

#include "foundation/text.h"

namespace skyloom::tools {

namespace {

constexpr std::size_t kTraceFields = 8;
constexpr std::size_t kReportFieldsWithAtcId = 10;

std::string lf_readWhole(const std::filesystem::path& file, std::string_view what) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw TraceFileError(fmt::format("cannot read the {} {}", what, file.string()));
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

template <typename Number> Number lf_number(const std::string& field, std::string_view name) {
    Number value{};
    const char* end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (error != std::errc() || stop != end || field.empty()) {
        throw std::invalid_argument(fmt::format("{} \"{}\" is not a number", name, field));
    }
    if constexpr (std::is_floating_point_v<Number>) {
        if (!std::isfinite(value)) {
            throw std::invalid_argument(fmt::format("{} \"{}\" is not finite", name, field));
        }
    }
    return value;
}

TraceSource lf_source(const std::string& field) {
    static const std::map<std::string, TraceSource, std::less<>> names{
        {"created", TraceSource::created},
        {"written", TraceSource::written},
        {"drifted", TraceSource::drifted},
        {"removed", TraceSource::removed}};
    const auto found = names.find(field);
    if (found == names.end()) {
        throw std::invalid_argument(
            fmt::format("source \"{}\" is none of created, written, drifted, removed", field));
    }
    return found->second;
}

TracePoint lf_tracePoint(const std::vector<std::string>& f) {
    if (f.size() != kTraceFields) {
        throw std::invalid_argument(fmt::format("{} fields instead of {}", f.size(), kTraceFields));
    }
    TracePoint p;
    p.seconds = lf_number<double>(f[0], "seconds");
    p.source = lf_source(f[2]);
    p.position = {lf_number<double>(f[3], "latitude"), lf_number<double>(f[4], "longitude")};
    if (std::abs(p.position.lat) > 90 || std::abs(p.position.lon) > 180) {
        throw std::invalid_argument("position out of range");
    }
    p.altitudeFeet = lf_number<double>(f[5], "altitude");
    p.headingDegrees = lf_number<double>(f[6], "heading");
    if (f[7] != "0" && f[7] != "1") {
        throw std::invalid_argument(fmt::format("on ground \"{}\" is not 0 or 1", f[7]));
    }
    p.onGround = f[7] == "1";
    return p;
}

// Calls `take(fields, lineNumber)` for every line that is not empty; a fault it throws as
// std::invalid_argument becomes a TraceFileError naming the source and the line.
template <typename Take>
void lf_eachLine(std::string_view text, std::string_view source, Take take) {
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        try {
            take(gf_split(line, ';'));
        } catch (const std::invalid_argument& e) {
            throw TraceFileError(
                fmt::format("{} line {}: {}: \"{}\"", source, number, e.what(), line));
        }
    }
}

} // namespace

std::vector<TraceTrack> gf_parseTraceText(std::string_view text, std::string_view source) {
    std::vector<TraceTrack> tracks;
    std::unordered_map<std::uint32_t, std::size_t> index;
    lf_eachLine(text, source, [&](const std::vector<std::string>& fields) {
        const TracePoint point = lf_tracePoint(fields);
        const auto id = lf_number<std::uint32_t>(fields[1], "id");
        const auto [at, added] = index.try_emplace(id, tracks.size());
        if (added) {
            tracks.push_back({id, {}});
        }
        tracks[at->second].points.push_back(point);
    });
    return tracks;
}

std::vector<TraceTrack> gf_readTraceFile(const std::filesystem::path& file) {
    return gf_parseTraceText(lf_readWhole(file, "trace file"), file.string());
}

std::map<std::uint32_t, std::string> gf_readAiReportAtcIds(const std::filesystem::path& file) {
    std::map<std::uint32_t, std::string> atcIds;
    lf_eachLine(lf_readWhole(file, "AI report"), file.string(),
                [&](const std::vector<std::string>& fields) {
                    const auto id = lf_number<std::uint32_t>(fields[0], "id");
                    if (fields.size() >= kReportFieldsWithAtcId && !fields[9].empty()) {
                        atcIds[id] = fields[9];
                    }
                });
    return atcIds;
}

} // namespace skyloom::tools
