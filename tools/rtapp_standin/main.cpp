// skyloom_rtapp_standin: plays the RealTraffic App against a running program.
//   skyloom_rtapp_standin --capture FILE [--host 127.0.0.1] [--port 10747]
//       [--traffic-port 49005] [--weather-port 49004] [--speed 1] [--bursts N]
//       [--level 2] [--no-markers] [--no-separators] [--buffered N] [--elevation FT]
//       [--weather FILE]
// It connects to the program's TCP port (waiting up to a minute for the program), answers its
// lines, prints each line it receives, and replays the capture: the first N bursts (--buffered)
// as the App's buffer, answering the program's buffer request with the snapshots it asks for
// (capture.h: gf_bufferSnapshots), the rest as live
// traffic, in real time or --speed times faster (0: as fast as possible). Old captures mark every
// aircraft airborne; given the elevation of the capture's airport (--elevation, feet), the stand-in
// infers which are on the ground instead (capture.h). --weather FILE: the weather datagrams of
// another recording of the same session (KLAS_20190305_2055Z_METAR.json beside its capture) go
// out in turn with the capture's own.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "tools/rtapp_standin/rtapp_standin.h"

namespace {

int lf_usage() {
    std::cerr << "usage: skyloom_rtapp_standin --capture FILE [--host ADDRESS] [--port N]\n"
                 "       [--traffic-port N] [--weather-port N] [--speed X] [--bursts N]\n"
                 "       [--level N] [--no-markers] [--no-separators] [--buffered N]\n"
                 "       [--elevation FT] [--weather FILE]\n"
              << fmt::format(
                     "--elevation FT: the elevation of the capture's airport in feet. A capture\n"
                     "       that marks every aircraft airborne (as old Apps did) then has its\n"
                     "       on-ground flags inferred: on the ground are aircraft at altitude 0\n"
                     "       or below, and those at most {} ft above the elevation at {} kt or\n"
                     "       less.\n",
                     skyloom::tools::kGroundHeightFt, skyloom::tools::kMaxGroundSpeedKt)
              << "--weather FILE: the weather of a recording of the same session, sent in turn\n"
                 "       with the capture's own.\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace skyloom::tools;
    RtAppStandinOptions options;
    std::string capturePath;
    std::string weatherPath;
    double speed = 1.0;
    std::size_t bursts = 0;
    std::size_t bufferedBursts = 0;
    std::optional<double> elevationFt;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    try {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string_view arg = args[i];
            const auto value = [&]() -> std::string {
                if (i + 1 >= args.size()) {
                    throw std::invalid_argument(fmt::format("{} needs a value", arg));
                }
                return std::string(args[++i]);
            };
            if (arg == "--capture") {
                capturePath = value();
            } else if (arg == "--host") {
                options.programAddress = value();
            } else if (arg == "--port") {
                options.programPort = static_cast<std::uint16_t>(std::stoul(value()));
            } else if (arg == "--traffic-port") {
                options.trafficPort = static_cast<std::uint16_t>(std::stoul(value()));
            } else if (arg == "--weather-port") {
                options.weatherPort = static_cast<std::uint16_t>(std::stoul(value()));
            } else if (arg == "--speed") {
                speed = std::stod(value());
            } else if (arg == "--bursts") {
                bursts = std::stoul(value());
            } else if (arg == "--level") {
                options.licenceLevel = std::stoi(value());
            } else if (arg == "--buffered") {
                bufferedBursts = std::stoul(value());
            } else if (arg == "--elevation") {
                elevationFt = std::stod(value());
            } else if (arg == "--weather") {
                weatherPath = value();
            } else if (arg == "--no-markers") {
                options.endMarkers = false;
            } else if (arg == "--no-separators") {
                options.bufferSeparators = false;
            } else {
                return lf_usage();
            }
        }
        if (capturePath.empty()) {
            return lf_usage();
        }
        Capture capture = gf_readCapture(capturePath, elevationFt);
        if (!weatherPath.empty()) {
            const Capture weather = gf_readCapture(weatherPath);
            capture.weather.insert(capture.weather.end(), weather.weather.begin(),
                                   weather.weather.end());
        }
        std::cout << fmt::format("{} bursts, {} weather datagrams in {}\n", capture.bursts.size(),
                                 capture.weather.size(), capturePath);
        if (capture.groundInferred) {
            std::cout << fmt::format("every aircraft was marked airborne: {} records inferred on "
                                     "the ground\n",
                                     capture.groundRecords);
        } else if (capture.allAirborne) {
            std::cout << "every aircraft is marked airborne: give --elevation to infer which "
                         "are on the ground\n";
        }
        // What it prints shows as it happens, also in a file: whoever runs it (the end-to-end
        // test, the demo) waits for "connected" and follows the bursts.
        std::cout.flush();
        RtAppStandin standin(options);
        if (bufferedBursts > 0 && !capture.bursts.empty()) {
            const std::size_t taken = std::min(bufferedBursts, capture.bursts.size());
            std::vector<CaptureBurst> history(capture.bursts.begin(),
                                              capture.bursts.begin() + static_cast<long>(taken));
            capture.bursts.erase(capture.bursts.begin(),
                                 capture.bursts.begin() + static_cast<long>(taken));
            // The App's "now" is the first live burst; with none left, a gap after the last.
            const double now = capture.bursts.empty()
                                   ? history.back().time + kCaptureBurstGapSeconds
                                   : capture.bursts.front().time;
            standin.setBufferHistory(std::move(history), now);
        }
        standin.connect(std::chrono::minutes{1});
        std::cout << "connected\n" << std::flush;
        std::size_t printed = 0;
        standin.replay(capture, speed, bursts, [&](std::size_t index) {
            const std::vector<std::string> lines = standin.lines();
            for (; printed < lines.size(); ++printed) {
                std::cout << "< " << lines[printed] << '\n';
            }
            std::cout << fmt::format("burst {} sent ({} datagrams so far, {} aircraft)\n",
                                     index + 1, standin.datagramsSent(), standin.aircraftSent())
                      << std::flush;
        });
        return EXIT_SUCCESS;
    } catch (const std::exception& e) {
        std::cerr << "skyloom_rtapp_standin: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
