// skyloom_demo_picture: the picture of a demo run, the airport's runways and stands with the
// tracks of the simulator stand-in's AI objects from its trace file, coloured by phase.
//
//   skyloom_demo_picture <airport file .json> <trace.txt> <out.png> [--ai-report FILE]
//
// --ai-report: the stand-in's AI report, whose ATC ids label the objects still there.
#include <cstdio>
#include <exception>
#include <string>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "platform/simworld/facility_file.h"
#include "tools/demo_picture/demo_picture.h"
#include "tools/demo_picture/trace_file.h"
#include "tools/demo_picture/trace_phase.h"

namespace {

constexpr const char* kUsage =
    "usage: skyloom_demo_picture <airport file .json> <trace.txt> <out.png> [--ai-report FILE]\n";

} // namespace

int main(int argc, char** argv) {
    using namespace skyloom;
    std::vector<std::string> files;
    std::string aiReport;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--ai-report" && i + 1 < argc) {
            aiReport = argv[++i];
        } else if (arg.starts_with("--") || files.size() == 3) {
            fmt::print(stderr, "{}", kUsage);
            return 2;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 3) {
        fmt::print(stderr, "{}", kUsage);
        return 2;
    }
    try {
        const simworld::AirportFacilitySetup airport = simworld::gf_loadAirportFile(files[0]);
        const std::vector<tools::TraceTrack> tracks = tools::gf_readTraceFile(files[1]);
        const std::map<std::uint32_t, std::string> atcIds =
            aiReport.empty() ? std::map<std::uint32_t, std::string>{}
                             : tools::gf_readAiReportAtcIds(aiReport);
        tools::gf_drawDemoPicture(files[2], airport, tracks, atcIds);
        const tools::PhaseCounts atEnd = tools::gf_phasesAtEnd(tracks);
        std::vector<std::string> phases;
        for (std::size_t p = 0; p < tools::kTracePhaseCount; ++p) {
            phases.push_back(fmt::format(
                "{} {}", tools::gf_tracePhaseName(static_cast<tools::TracePhase>(p)), atEnd[p]));
        }
        fmt::print("{}: {} AI objects drawn; at the end {}\n", files[2], tracks.size(),
                   fmt::join(phases, ", "));
    } catch (const std::exception& e) {
        fmt::print(stderr, "skyloom_demo_picture: {}\n", e.what());
        return 1;
    }
    return 0;
}
