#include "gui/gui_text.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/utf.h"
#include "gui/gui.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"

namespace skyloom {
namespace {

constexpr std::u16string_view kFaceName = u"Segoe UI";
// TextOutW's count is an int.
constexpr std::size_t kMaxTextLength = INT_MAX;

void lf_logFailure(std::string_view text, std::string_view reason) noexcept {
    try {
        LogFile::writeNoThrow(
            fmt::format("TextOut utf8 to wide failed for '{}': {}", text, reason));
    } catch (...) {
        // Not even the line for the log could be made.
    }
}

} // namespace

winui::HFONT gf_createGuiFont(bool bold, winui::UINT dpi) {
    winui::LOGFONTW font;
    font.lfHeight = -winui::MulDiv(kGuiFontPoints, static_cast<int>(dpi), 72);
    font.lfWeight = bold ? winui::FW_BOLD : winui::FW_NORMAL;
    std::copy(kFaceName.begin(), kFaceName.end(), font.lfFaceName);
    return winui::CreateFontIndirectW(&font);
}

std::string gf_oneLine(std::string_view text) {
    const auto isBreak = [](char c) { return c == '\n' || c == '\r'; };
    std::string line;
    line.reserve(text.size());
    bool pendingBreak = false;
    for (const char c : text) {
        if (isBreak(c)) {
            pendingBreak = !line.empty();
            continue;
        }
        if (pendingBreak) {
            line += ' ';
            pendingBreak = false;
        }
        line += c;
    }
    return line;
}

void gf_textOut(const Gui& gui, std::string_view text, winui::HDC dc, int x, int y,
                winui::COLORREF colour, bool bold) noexcept {
    const winui::HFONT font = bold ? gui.boldFont() : gui.textFont();
    const winui::HGDIOBJ previousFont = font != nullptr ? winui::SelectObject(dc, font) : nullptr;
    const int previousMode = winui::SetBkMode(dc, winui::TRANSPARENT);
    const winui::COLORREF previousColour = winui::SetTextColor(dc, colour);
    try {
        std::u16string wide = utf8_to_wide(text);
        if (wide.size() > kMaxTextLength) {
            wide.resize(kMaxTextLength);
        }
        winui::TextOutW(dc, x, y - 3, wide.c_str(), static_cast<int>(wide.size()));
    } catch (const std::exception& e) {
        lf_logFailure(text, e.what());
    } catch (...) {
        lf_logFailure(text, "unknown error");
    }
    winui::SetTextColor(dc, previousColour);
    if (previousMode != 0) {
        winui::SetBkMode(dc, previousMode);
    }
    if (previousFont != nullptr) {
        winui::SelectObject(dc, previousFont);
    }
}

} // namespace skyloom
