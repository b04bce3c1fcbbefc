// The App's UDP ports as the program listens on them. The real App sends to its fixed ports
// (traffic 49005, weather 49004), and the program keeps to them; SKYLOOM_APP_UDP_PORTS
// ("TRAFFIC,WEATHER") moves them elsewhere, so that the App stand-in of an end-to-end run or a
// demo reaches its own program while others run on the same machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace skyloom {

inline constexpr const char* kAppUdpPortsVariable = "SKYLOOM_APP_UDP_PORTS";

struct AppUdpPorts {
    std::uint16_t traffic = 0;
    std::uint16_t weather = 0;
};

// "TRAFFIC,WEATHER": two different port numbers from 1 to 65535. Throws std::invalid_argument
// naming the variable and the text otherwise.
AppUdpPorts gf_parseAppUdpPorts(std::string_view text);
// The ports SKYLOOM_APP_UDP_PORTS names; no value when it is unset or empty. Throws as
// gf_parseAppUdpPorts.
std::optional<AppUdpPorts> gf_appUdpPortsFromEnvironment();

} // namespace skyloom
