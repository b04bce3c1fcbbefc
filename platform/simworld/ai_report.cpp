// The world's AI report: a text file rewritten whole, one line per AI object created so far,
// fields separated by ";": object id, livery title, created at (world seconds), removed at
// (-1 while it is there), positions written, the path they cover (NM), the last position
// (latitude, longitude, altitude in feet) and the ATC id its create gave it. The trace file's
// collected lines go out with every report.
#include <cstdio>
#include <fstream>

#include <fmt/format.h>

#include "platform/simworld/ai_traffic.h"

namespace skyloom::simworld {

void AiTraffic::reportWhenDue(double seconds) {
    if (seconds < nextReport_) {
        return;
    }
    nextReport_ = seconds + setup_.reportEverySeconds;
    writeReport();
    traceFile_.flush();
}

void AiTraffic::end() {
    writeReport();
    traceFile_.flush();
}

void AiTraffic::writeReport() const {
    if (setup_.reportFile.empty()) {
        return;
    }
    const std::string temporary = setup_.reportFile + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const auto& [id, t] : tallies) {
            out << fmt::format("{};{};{:.2f};{:.2f};{};{:.3f};{:.6f};{:.6f};{:.0f};{}\n", id,
                               t.livery, t.createdAt, t.removedAt, t.writes, t.pathNm,
                               t.lastLatitudeDeg, t.lastLongitudeDeg, t.lastAltitudeFeet, t.atcId);
        }
        if (!out) {
            return; // a stand-in's report: the next one tries again
        }
    }
    std::rename(temporary.c_str(), setup_.reportFile.c_str());
}

} // namespace skyloom::simworld
