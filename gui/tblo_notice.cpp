#include "gui/tblo_notice.h"

#include <atomic>

#include <fmt/format.h>

#include "gui/gui.h"

namespace skyloom {
namespace {

std::atomic<bool> g_tbloNoticePending{false};

} // namespace

bool gf_tbloNoticePending() noexcept {
    return g_tbloNoticePending.load();
}

void gf_setTbloNoticePending(bool pending) noexcept {
    g_tbloNoticePending.store(pending);
}

std::string gf_tbloNoticeText() {
    return fmt::format("Push the tblo button and mail 'tblo.zip' to {}, please",
                       kSupportEmailAddress);
}

void gf_showTbloNotice() noexcept {
    try {
        gf_gui().showStatusText(gf_tbloNoticeText(), false);
    } catch (...) {
        // Only the text could not be made; like every window update, it is given up quietly.
    }
}

} // namespace skyloom
