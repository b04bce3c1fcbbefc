#include "feed/app_udp_ports.h"

#include <charconv>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <fmt/format.h>

namespace skyloom {
namespace {

// A port number from 1 to 65535 and nothing else; 0 otherwise.
std::uint16_t lf_port(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > 65535) {
        return 0;
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

AppUdpPorts gf_parseAppUdpPorts(std::string_view text) {
    const std::size_t comma = text.find(',');
    AppUdpPorts ports;
    if (comma != std::string_view::npos) {
        ports.traffic = lf_port(text.substr(0, comma));
        ports.weather = lf_port(text.substr(comma + 1));
    }
    if (ports.traffic == 0 || ports.weather == 0 || ports.traffic == ports.weather) {
        throw std::invalid_argument(
            fmt::format("{}=\"{}\": expected two different UDP ports TRAFFIC,WEATHER (1-65535)",
                        kAppUdpPortsVariable, text));
    }
    return ports;
}

std::optional<AppUdpPorts> gf_appUdpPortsFromEnvironment() {
    const char* value = std::getenv(kAppUdpPortsVariable);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return gf_parseAppUdpPorts(value);
}

} // namespace skyloom
