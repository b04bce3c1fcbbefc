#include "runtime/gui_update.h"

#include <array>

namespace skyloom {
namespace {

constexpr std::array<std::string_view, kGuiUpdateKindCount> kKindTexts = {
    "set compact",
    "toggle compact",
    "stay on top",
    "minimise",
    "redraw",
    "status expiry tick",
    "feed status known",
    "static-plan count",
    "traffic-reader state",
    "reserved",
    "weather-reader state",
    "data-source text",
    "simulator text",
    "simulator connected",
    "liveries count",
    "simaddon count",
    "thirdp count",
    "user wing span known",
    "live-aircraft count",
    "stand count",
    "parked counts",
    "parking target",
    "quality text",
    "park airport",
    "airport file",
    "next parking update",
    "static fit hidden",
    "QNH",
    "QNH unit",
    "publisher",
    "airport-file updates",
    "static fit",
    "live fit",
    "user stand",
    "time-shift controls disabled",
    "status text",
    "error text",
    "clear status",
    "clear error",
    "reset",
};

} // namespace

std::string_view gf_guiUpdateKindText(GuiUpdateKind kind) noexcept {
    const auto index = static_cast<std::size_t>(kind);
    return index < kKindTexts.size() ? kKindTexts[index] : std::string_view("unknown");
}

} // namespace skyloom
