// track_replay: replays the airborne parts of a real track through the live traffic and the
// simulated world at the cadence of a real App capture, prints how far the simulated object
// strayed from the true track and how it flew, and draws both; with --table, one Markdown table
// row per part instead.
//   track_replay <track.json[.gz]> <capture> [<picture.png>] [--minutes <n>] [--table]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

#include <fmt/format.h>

#include "tools/track_replay/replay_figures.h"
#include "tools/track_replay/replay_picture.h"
#include "tools/track_replay/track_replay.h"
#include "tools/track_replay/true_track.h"

int main(int argc, char** argv) {
    using namespace skyloom::tools;
    if (argc < 3) {
        std::fputs(
            "usage: track_replay <track.json[.gz]> <capture> [<picture.png>] [--minutes <n>] "
            "[--table]\n",
            stderr);
        return 2;
    }
    try {
        std::string picture;
        double minutes = 20.0;
        bool table = false;
        for (int i = 3; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--table") {
                table = true;
            } else if (arg == "--minutes" && i + 1 < argc) {
                minutes = std::stod(argv[++i]);
            } else {
                picture = arg;
            }
        }
        const TrueTrack track = gf_readTrueTrack(argv[1]);
        const double cadence = gf_appCadenceSeconds(argv[2]);
        if (!table) {
            fmt::print("track {} {}: {} points; App cadence {:.1f} s\n", track.callsign,
                       track.model, track.points.size(), cadence);
        }
        const std::string name = std::filesystem::path(argv[1]).filename().string();
        const std::string stem = name.substr(0, name.find('.'));
        const double ground = gf_trackGroundFt(track);
        int index = 0;
        for (std::vector<TruePoint> part : gf_airborneParts(track.points, 120.0, 120.0)) {
            std::erase_if(part, [&](const TruePoint& p) {
                return p.seconds > part.front().seconds + minutes * 60.0;
            });
            const ReplayRun run = gf_replayTrack(part, cadence);
            const ReplayFigures figures = gf_compareReplay(run, part, ground);
            if (table) {
                fmt::print("{}", gf_replayFiguresRow(fmt::format("{} {}", stem, index),
                                                     part.front().seconds, part.back().seconds,
                                                     run.reports.size(), figures));
                ++index;
                continue;
            }
            fmt::print("\n== airborne part {} ({:.0f} s to {:.0f} s, {} reports)\n{}", index,
                       part.front().seconds, part.back().seconds, run.reports.size(),
                       gf_replayFiguresText(figures));
            if (!picture.empty()) {
                const std::string file =
                    index == 0 ? picture : fmt::format("{}.{}.png", picture, index);
                gf_drawReplay(file, part, run);
                fmt::print("picture: {}\n", file);
            }
            ++index;
        }
    } catch (const std::exception& e) {
        fmt::print(stderr, "track_replay: {}\n", e.what());
        return 1;
    }
    return 0;
}
