#include "platform/winui/recording_dc.h"

#include <cstdlib>
#include <utility>

#include <fmt/format.h>

#include "platform/winui/device_context.h"
#include "platform/winui/gdi.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace detail {
namespace {

std::string lf_colour(COLORREF color) {
    return fmt::format("#{:02X}{:02X}{:02X}", GetRValue(color), GetGValue(color), GetBValue(color));
}

std::string lf_pen(const ResolvedPen& pen) {
    if (!pen.visible) {
        return "pen=none";
    }
    std::string text = fmt::format("pen={}/{}", lf_colour(pen.color), pen.width);
    if (pen.style == PS_DASH) {
        text += "/dash";
    } else if (pen.style == PS_DOT) {
        text += "/dot";
    } else if (pen.style == PS_INSIDEFRAME) {
        text += "/insideframe";
    }
    return text;
}

std::string lf_brush(const ResolvedBrush& brush) {
    return brush.visible ? "brush=" + lf_colour(brush.color) : std::string("brush=none");
}

std::string lf_rop(DWORD rop) {
    switch (rop) {
    case SRCCOPY:
        return "SRCCOPY";
    case PATCOPY:
        return "PATCOPY";
    case BLACKNESS:
        return "BLACKNESS";
    case WHITENESS:
        return "WHITENESS";
    default:
        return fmt::format("{:#010x}", rop);
    }
}

class RecordingDc final : public DeviceContext {
public:
    RecordingDc(std::shared_ptr<RecordingLog> log, SIZE size, UINT dpi, bool memory)
        : DeviceContext(dpi, memory), log_(std::move(log)), size_(size) {}

    bool recording() const override { return true; }
    SIZE deviceSize() const override {
        const auto& bitmap = attributes().bitmapObject;
        if (memory() && bitmap) {
            return SIZE{bitmap->bitmap.width(), bitmap->bitmap.height()};
        }
        return size_;
    }
    const std::shared_ptr<RecordingLog>& log() const { return log_; }

    void fillRect(const RECT& r, const ResolvedBrush& brush) override {
        log_->add(fmt::format("FillRect({},{},{},{}) {}", r.left, r.top, r.right, r.bottom,
                              lf_brush(brush)));
    }
    void line(POINT from, POINT to, const ResolvedPen& pen) override {
        log_->add(fmt::format("LineTo({},{},{},{}) {}", from.x, from.y, to.x, to.y, lf_pen(pen)));
    }
    void rectangle(const RECT& r, const ResolvedPen& pen, const ResolvedBrush& brush) override {
        log_->add(fmt::format("Rectangle({},{},{},{}) {} {}", r.left, r.top, r.right, r.bottom,
                              lf_pen(pen), lf_brush(brush)));
    }
    void polyline(const std::vector<POINT>& points, const ResolvedPen& pen) override {
        std::string list;
        for (const POINT& p : points) {
            list += fmt::format("{}{},{}", list.empty() ? "" : " ", p.x, p.y);
        }
        log_->add(fmt::format("Polyline({}) {}", list, lf_pen(pen)));
    }
    void textOut(POINT at, std::u16string_view text, const TextAttributes& a) override {
        log_->add(fmt::format("TextOutW({},{}) \"{}\" font=\"{}\"/{}/{} color={} bk={}", at.x, at.y,
                              utf8FromWideLenient(text), utf8FromWideLenient(a.font.lfFaceName),
                              a.font.lfHeight, a.font.lfWeight, lf_colour(a.color),
                              a.opaque ? lf_colour(a.background) : std::string("transparent")));
    }
    bool blit(const RECT& r, DeviceContext& /*source*/, POINT from, DWORD rop) override {
        log_->add(fmt::format("BitBlt({},{},{},{}) from={},{} rop={}", r.left, r.top,
                              r.right - r.left, r.bottom - r.top, from.x, from.y, lf_rop(rop)));
        return true;
    }
    COLORREF pixel(POINT /*at*/) const override { return CLR_INVALID; }
    COLORREF setPixel(POINT at, COLORREF color) override {
        log_->add(fmt::format("SetPixel({},{}) {}", at.x, at.y, lf_colour(color)));
        return color & 0x00FFFFFF;
    }

private:
    std::shared_ptr<RecordingLog> log_;
    SIZE size_;
};

} // namespace

std::shared_ptr<DeviceContext> makeRecordingDc(std::shared_ptr<RecordingLog> log, SIZE size,
                                               UINT dpi, bool memory) {
    return std::make_shared<RecordingDc>(std::move(log), size, dpi, memory);
}

std::shared_ptr<RecordingLog> recordingLogOf(const DeviceContext& context) {
    const auto* recording = dynamic_cast<const RecordingDc*>(&context);
    return recording == nullptr ? nullptr : recording->log();
}

} // namespace detail

void RecordingLog::add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<std::string> RecordingLog::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void RecordingLog::clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

HDC createRecordingDc(std::shared_ptr<RecordingLog> log, SIZE deviceSize, UINT dpi) {
    if (!log) {
        return nullptr;
    }
    return detail::addDeviceContext(
        detail::makeRecordingDc(std::move(log), deviceSize, dpi, false));
}

BOOL recordWindowPaints(HWND hwnd, std::shared_ptr<RecordingLog> log) {
    std::lock_guard lock(detail::windowsMutex());
    detail::Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        return FALSE;
    }
    window->recordPaint = std::move(log);
    return TRUE;
}

} // namespace skyloom::winui
