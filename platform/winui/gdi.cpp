#include "platform/winui/gdi.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/winui/cairo_dc.h"
#include "platform/winui/device_context.h"
#include "platform/winui/dpi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/text_renderer.h"
#include "platform/winui/wide_text.h"

namespace skyloom::winui {
namespace {

using detail::DeviceContext;

constexpr int kLargestBitmapSide = 16384;

std::shared_ptr<DeviceContext> lf_dc(HDC hdc) {
    auto context = detail::findDeviceContext(hdc);
    if (!context) {
        SetLastError(ERROR_INVALID_HANDLE);
    }
    return context;
}

std::u16string_view lf_text(LPCWSTR text, int count) {
    if (text == nullptr) {
        return {};
    }
    return count < 0 ? std::u16string_view(text, wideLength(text))
                     : std::u16string_view(text, static_cast<std::size_t>(count));
}

int lf_toLogical(int devicePixels, double scale) {
    const double s = std::abs(scale);
    return s == 0 ? devicePixels : static_cast<int>(std::lround(devicePixels / s));
}

SIZE lf_measure(const DeviceContext& context, std::u16string_view text) {
    const SIZE device = detail::measureText(context.text().font, std::abs(context.scaleY()), text);
    return SIZE{lf_toLogical(device.cx, context.scaleX()),
                lf_toLogical(device.cy, context.scaleY())};
}

// Sets one of a context's colours and returns the previous one (CLR_INVALID for a bad handle).
COLORREF lf_setColour(HDC hdc, COLORREF detail::DcAttributes::*field, COLORREF color) {
    auto context = lf_dc(hdc);
    if (!context) {
        return CLR_INVALID;
    }
    const COLORREF previous = context->attributes().*field;
    context->attributes().*field = color & 0x00FFFFFF;
    return previous;
}

COLORREF lf_colour(HDC hdc, COLORREF detail::DcAttributes::*field) {
    auto context = lf_dc(hdc);
    return context ? context->attributes().*field : CLR_INVALID;
}

} // namespace

HDC CreateCompatibleDC(HDC hdc) {
    UINT dpi = GetDpiForSystem();
    std::shared_ptr<DeviceContext> created;
    if (hdc != nullptr) {
        auto reference = lf_dc(hdc);
        if (!reference) {
            return nullptr;
        }
        dpi = reference->dpi();
        if (auto log = detail::recordingLogOf(*reference)) {
            created = detail::makeRecordingDc(std::move(log), SIZE{1, 1}, dpi, true);
        }
    }
    if (!created) {
        created = std::make_shared<detail::CairoDc>(dpi);
    }
    return detail::addDeviceContext(std::move(created));
}

BOOL DeleteDC(HDC hdc) {
    if (!detail::removeDeviceContext(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (hdc != nullptr && !lf_dc(hdc)) {
        return nullptr;
    }
    if (width > kLargestBitmapSide || height > kLargestBitmapSide) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto object = std::make_shared<detail::GdiObject>();
    object->kind = detail::GdiObject::Kind::bitmap;
    object->bitmap = Image(std::max(width, 1), std::max(height, 1));
    return static_cast<HBITMAP>(detail::addGdiObject(std::move(object)));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
    auto context = lf_dc(hdc);
    if (!context) {
        return nullptr;
    }
    HGDIOBJ previous = context->select(object);
    if (previous == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT kind) {
    auto context = lf_dc(hdc);
    if (!context) {
        return nullptr;
    }
    const auto& a = context->attributes();
    switch (kind) {
    case OBJ_PEN:
        return a.pen;
    case OBJ_BRUSH:
        return a.brush;
    case OBJ_FONT:
        return a.font;
    case OBJ_BITMAP:
        return a.bitmap;
    default:
        return nullptr;
    }
}

COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
    return lf_setColour(hdc, &detail::DcAttributes::dcBrushColor, color);
}
COLORREF GetDCBrushColor(HDC hdc) {
    return lf_colour(hdc, &detail::DcAttributes::dcBrushColor);
}
COLORREF SetDCPenColor(HDC hdc, COLORREF color) {
    return lf_setColour(hdc, &detail::DcAttributes::dcPenColor, color);
}
COLORREF GetDCPenColor(HDC hdc) {
    return lf_colour(hdc, &detail::DcAttributes::dcPenColor);
}
COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return lf_setColour(hdc, &detail::DcAttributes::textColor, color);
}
COLORREF GetTextColor(HDC hdc) {
    return lf_colour(hdc, &detail::DcAttributes::textColor);
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return lf_setColour(hdc, &detail::DcAttributes::bkColor, color);
}
COLORREF GetBkColor(HDC hdc) {
    return lf_colour(hdc, &detail::DcAttributes::bkColor);
}

int SetBkMode(HDC hdc, int mode) {
    auto context = lf_dc(hdc);
    if (!context || (mode != TRANSPARENT && mode != OPAQUE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int previous = context->attributes().bkMode;
    context->attributes().bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc) {
    auto context = lf_dc(hdc);
    return context ? context->attributes().bkMode : 0;
}

int SaveDC(HDC hdc) {
    auto context = lf_dc(hdc);
    return context ? context->save() : 0;
}

BOOL RestoreDC(HDC hdc, int level) {
    auto context = lf_dc(hdc);
    return context && context->restore(level) ? TRUE : FALSE;
}

int SetMapMode(HDC hdc, int mode) {
    auto context = lf_dc(hdc);
    if (!context || (mode != MM_TEXT && mode != MM_ISOTROPIC && mode != MM_ANISOTROPIC)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& a = context->attributes();
    const int previous = a.mapMode;
    a.mapMode = mode;
    if (mode == MM_TEXT) {
        a.windowExt = SIZE{1, 1};
        a.viewportExt = SIZE{1, 1};
    }
    context->adjustIsotropic();
    return previous;
}

int GetMapMode(HDC hdc) {
    auto context = lf_dc(hdc);
    return context ? context->attributes().mapMode : 0;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* previous) {
    auto context = lf_dc(hdc);
    if (!context || x == 0 || y == 0) {
        return FALSE;
    }
    auto& a = context->attributes();
    if (previous != nullptr) {
        *previous = a.windowExt;
    }
    // Fixed mappings ignore extents, as GDI does.
    if (a.mapMode == MM_TEXT) {
        return TRUE;
    }
    a.windowExt = SIZE{x, y};
    context->adjustIsotropic();
    return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* previous) {
    auto context = lf_dc(hdc);
    if (!context || x == 0 || y == 0) {
        return FALSE;
    }
    auto& a = context->attributes();
    if (previous != nullptr) {
        *previous = a.viewportExt;
    }
    if (a.mapMode == MM_TEXT) {
        return TRUE;
    }
    a.viewportExt = SIZE{x, y};
    context->adjustIsotropic();
    return TRUE;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous) {
    auto context = lf_dc(hdc);
    if (!context) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = context->attributes().windowOrg;
    }
    context->attributes().windowOrg = POINT{x, y};
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous) {
    auto context = lf_dc(hdc);
    if (!context) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = context->attributes().viewportOrg;
    }
    context->attributes().viewportOrg = POINT{x, y};
    return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* points, int count) {
    auto context = lf_dc(hdc);
    if (!context || points == nullptr || count < 0) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        points[i] = context->toDevice(points[i]);
    }
    return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* points, int count) {
    auto context = lf_dc(hdc);
    if (!context || points == nullptr || count < 0) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        points[i] = context->toLogical(points[i]);
    }
    return TRUE;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    auto context = lf_dc(hdc);
    auto object = detail::findGdiObject(brush);
    if (!context || rect == nullptr || !object || object->kind != detail::GdiObject::Kind::brush) {
        return 0;
    }
    context->fillRect(*rect, context->resolveBrush(*object));
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    auto context = lf_dc(hdc);
    auto object = detail::findGdiObject(brush);
    if (!context || rect == nullptr || !object || object->kind != detail::GdiObject::Kind::brush) {
        return 0;
    }
    const RECT& r = *rect;
    if (r.right <= r.left || r.bottom <= r.top) {
        return 1;
    }
    const auto resolved = context->resolveBrush(*object);
    context->fillRect(RECT{r.left, r.top, r.right, r.top + 1}, resolved);
    context->fillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, resolved);
    context->fillRect(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, resolved);
    context->fillRect(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, resolved);
    return 1;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    auto context = lf_dc(hdc);
    if (!context) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = context->attributes().position;
    }
    context->attributes().position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    auto context = lf_dc(hdc);
    if (!context) {
        return FALSE;
    }
    const POINT from = context->attributes().position;
    context->line(from, POINT{x, y}, context->pen());
    context->attributes().position = POINT{x, y};
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    auto context = lf_dc(hdc);
    if (!context) {
        return FALSE;
    }
    const RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
                 std::max(top, bottom)};
    context->rectangle(r, context->pen(), context->brush());
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    auto context = lf_dc(hdc);
    if (!context || points == nullptr || count < 2) {
        return FALSE;
    }
    context->polyline(std::vector<POINT>(points, points + count), context->pen());
    return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
    auto context = lf_dc(hdc);
    if (!context || (text == nullptr && count > 0)) {
        return FALSE;
    }
    const std::u16string_view view = lf_text(text, count);
    if (!view.empty()) {
        context->textOut(POINT{x, y}, view, context->text());
    }
    return TRUE;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format) {
    auto context = lf_dc(hdc);
    if (!context || rect == nullptr) {
        return 0;
    }
    const std::u16string_view view = lf_text(text, count);
    const SIZE size = lf_measure(*context, view);
    if ((format & DT_CALCRECT) != 0) {
        rect->right = rect->left + size.cx;
        rect->bottom = rect->top + size.cy;
        return size.cy;
    }
    int x = rect->left;
    if ((format & DT_CENTER) != 0) {
        x = rect->left + (rect->right - rect->left - size.cx) / 2;
    } else if ((format & DT_RIGHT) != 0) {
        x = rect->right - size.cx;
    }
    int y = rect->top;
    if ((format & DT_VCENTER) != 0) {
        y = rect->top + (rect->bottom - rect->top - size.cy) / 2;
    } else if ((format & DT_BOTTOM) != 0) {
        y = rect->bottom - size.cy;
    }
    if (!view.empty()) {
        context->textOut(POINT{x, y}, view, context->text());
    }
    return size.cy;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
    auto context = lf_dc(hdc);
    if (!context || size == nullptr || count < 0 || (text == nullptr && count > 0)) {
        return FALSE;
    }
    *size = lf_measure(*context, lf_text(text, count));
    return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics) {
    auto context = lf_dc(hdc);
    if (!context || metrics == nullptr) {
        return FALSE;
    }
    const LOGFONTW font = context->text().font;
    const double sy = context->scaleY();
    const auto m = detail::fontMetrics(font, std::abs(sy));
    metrics->tmHeight = lf_toLogical(m.height, sy);
    metrics->tmAscent = lf_toLogical(m.ascent, sy);
    metrics->tmDescent = lf_toLogical(m.descent, sy);
    metrics->tmInternalLeading = lf_toLogical(m.internalLeading, sy);
    metrics->tmExternalLeading = 0;
    metrics->tmAveCharWidth = lf_toLogical(m.averageCharWidth, context->scaleX());
    metrics->tmMaxCharWidth = metrics->tmAveCharWidth * 2;
    metrics->tmWeight = font.lfWeight <= 0 ? FW_NORMAL : font.lfWeight;
    return TRUE;
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    auto to = lf_dc(target);
    if (!to) {
        return FALSE;
    }
    std::shared_ptr<DeviceContext> from = source == nullptr ? to : lf_dc(source);
    if (!from || (source == nullptr && rop == SRCCOPY)) {
        return FALSE;
    }
    return to->blit(RECT{x, y, x + width, y + height}, *from, POINT{sourceX, sourceY}, rop) ? TRUE
                                                                                            : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    auto context = lf_dc(hdc);
    return context ? context->pixel(POINT{x, y}) : CLR_INVALID;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    auto context = lf_dc(hdc);
    return context ? context->setPixel(POINT{x, y}, color) : CLR_INVALID;
}

int GetDeviceCaps(HDC hdc, int index) {
    auto context = lf_dc(hdc);
    if (!context) {
        return 0;
    }
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return static_cast<int>(context->dpi());
    case HORZRES:
        return context->deviceSize().cx;
    case VERTRES:
        return context->deviceSize().cy;
    case BITSPIXEL:
        return 32;
    default:
        return 0;
    }
}

} // namespace skyloom::winui
