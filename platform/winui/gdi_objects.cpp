#include "platform/winui/gdi_objects.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/winui/gdi_object_table.h"
#include "platform/winui/handles.h"
#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"

namespace skyloom::winui {
namespace {

using detail::GdiObject;

// The colours of a default Windows 10 desktop.
constexpr std::array<COLORREF, COLOR_MAX + 1> kSystemColours = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219),
    RGB(240, 240, 240), RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(180, 180, 180), RGB(244, 247, 252),
    RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255), RGB(240, 240, 240),
    RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),
    RGB(255, 255, 225), RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234),
    RGB(215, 228, 242), RGB(51, 153, 255),  RGB(240, 240, 240)};

// Objects made by callers (stock objects not counted), for leak checks.
std::atomic<std::size_t> g_madeObjects{0};

detail::HandleTable<GdiObject>& lf_table() {
    static detail::HandleTable<GdiObject> table;
    return table;
}

void lf_setFace(LOGFONTW& font, std::u16string_view face) {
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
    const std::size_t count = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.data(), count, font.lfFaceName);
}

std::shared_ptr<GdiObject> lf_brush(COLORREF color) {
    auto object = std::make_shared<GdiObject>();
    object->kind = GdiObject::Kind::brush;
    object->color = color;
    return object;
}

std::shared_ptr<GdiObject> lf_pen(int style, int width, COLORREF color) {
    auto object = std::make_shared<GdiObject>();
    object->kind = GdiObject::Kind::pen;
    object->penStyle = style;
    object->penWidth = std::max(width, 0);
    object->color = color;
    object->hollow = style == PS_NULL;
    return object;
}

std::shared_ptr<GdiObject> lf_font(int height, int weight) {
    auto object = std::make_shared<GdiObject>();
    object->kind = GdiObject::Kind::font;
    object->font.lfHeight = height;
    object->font.lfWeight = weight;
    lf_setFace(object->font, u"Segoe UI");
    return object;
}

struct StockObjects {
    std::array<HGDIOBJ, DC_PEN + 1> handles{};
    std::array<HGDIOBJ, COLOR_MAX + 1> systemBrushes{};
    std::array<std::shared_ptr<GdiObject>, COLOR_MAX + 1> colourIndexBrushes;
};

HGDIOBJ lf_addStock(std::shared_ptr<GdiObject> object) {
    object->stock = true;
    return detail::addGdiObject(std::move(object));
}

StockObjects& lf_stock() {
    static StockObjects stock = [] {
        StockObjects s;
        s.handles[WHITE_BRUSH] = lf_addStock(lf_brush(RGB(255, 255, 255)));
        s.handles[LTGRAY_BRUSH] = lf_addStock(lf_brush(RGB(192, 192, 192)));
        s.handles[GRAY_BRUSH] = lf_addStock(lf_brush(RGB(128, 128, 128)));
        s.handles[DKGRAY_BRUSH] = lf_addStock(lf_brush(RGB(64, 64, 64)));
        s.handles[BLACK_BRUSH] = lf_addStock(lf_brush(RGB(0, 0, 0)));
        auto hollow = lf_brush(0);
        hollow->hollow = true;
        s.handles[NULL_BRUSH] = lf_addStock(hollow);
        s.handles[WHITE_PEN] = lf_addStock(lf_pen(PS_SOLID, 0, RGB(255, 255, 255)));
        s.handles[BLACK_PEN] = lf_addStock(lf_pen(PS_SOLID, 0, RGB(0, 0, 0)));
        s.handles[NULL_PEN] = lf_addStock(lf_pen(PS_NULL, 0, 0));
        s.handles[SYSTEM_FONT] = lf_addStock(lf_font(-16, FW_NORMAL));
        s.handles[DEFAULT_GUI_FONT] = lf_addStock(lf_font(-12, FW_NORMAL));
        auto dcBrush = lf_brush(RGB(255, 255, 255));
        dcBrush->usesDcColour = true;
        s.handles[DC_BRUSH] = lf_addStock(dcBrush);
        auto dcPen = lf_pen(PS_SOLID, 0, 0);
        dcPen->usesDcColour = true;
        s.handles[DC_PEN] = lf_addStock(dcPen);
        for (int i = 0; i <= COLOR_MAX; ++i) {
            s.systemBrushes[static_cast<std::size_t>(i)] =
                lf_addStock(lf_brush(kSystemColours[static_cast<std::size_t>(i)]));
            auto byIndex = lf_brush(kSystemColours[static_cast<std::size_t>(i)]);
            byIndex->stock = true;
            s.colourIndexBrushes[static_cast<std::size_t>(i)] = byIndex;
        }
        return s;
    }();
    return stock;
}

} // namespace

namespace detail {

std::shared_ptr<GdiObject> findGdiObject(HGDIOBJ handle) {
    const HandleId id = toId(handle);
    if (id >= 1 && id <= COLOR_MAX + 1) {
        return lf_stock().colourIndexBrushes[static_cast<std::size_t>(id - 1)];
    }
    lf_stock();
    return lf_table().find(id);
}

HGDIOBJ addGdiObject(std::shared_ptr<GdiObject> object) {
    if (!object->stock) {
        ++g_madeObjects;
    }
    return toHandle<HGDIOBJ>(lf_table().add(std::move(object)));
}

} // namespace detail

HBRUSH CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(detail::addGdiObject(lf_brush(color & 0x00FFFFFF)));
}

HPEN CreatePen(int style, int width, COLORREF color) {
    if (style < PS_SOLID || style > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HPEN>(detail::addGdiObject(lf_pen(style, width, color & 0x00FFFFFF)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
    LOGFONTW font;
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = static_cast<BYTE>(italic);
    font.lfUnderline = static_cast<BYTE>(underline);
    font.lfStrikeOut = static_cast<BYTE>(strikeOut);
    font.lfCharSet = static_cast<BYTE>(charSet);
    font.lfOutPrecision = static_cast<BYTE>(outPrecision);
    font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    font.lfQuality = static_cast<BYTE>(quality);
    font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    lf_setFace(font, wideString(faceName));
    return CreateFontIndirectW(&font);
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (font == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto object = std::make_shared<GdiObject>();
    object->kind = GdiObject::Kind::font;
    object->font = *font;
    object->font.lfFaceName[LF_FACESIZE - 1] = u'\0';
    return static_cast<HFONT>(detail::addGdiObject(std::move(object)));
}

HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index > DC_PEN) {
        return nullptr;
    }
    return lf_stock().handles[static_cast<std::size_t>(index)];
}

BOOL DeleteObject(HGDIOBJ object) {
    auto found = detail::findGdiObject(object);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (found->stock) {
        return TRUE;
    }
    if (found->selections.load() > 0) {
        return FALSE;
    }
    if (lf_table().remove(detail::toId(object))) {
        --g_madeObjects;
    }
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object) {
    auto found = detail::findGdiObject(object);
    if (!found) {
        return 0;
    }
    switch (found->kind) {
    case GdiObject::Kind::pen:
        return OBJ_PEN;
    case GdiObject::Kind::brush:
        return OBJ_BRUSH;
    case GdiObject::Kind::font:
        return OBJ_FONT;
    case GdiObject::Kind::bitmap:
        return OBJ_BITMAP;
    }
    return 0;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out) {
    auto found = detail::findGdiObject(object);
    if (!found) {
        return 0;
    }
    if (found->kind == GdiObject::Kind::font) {
        if (out == nullptr) {
            return sizeof(LOGFONTW);
        }
        if (size < static_cast<int>(sizeof(LOGFONTW))) {
            return 0;
        }
        std::memcpy(out, &found->font, sizeof(LOGFONTW));
        return sizeof(LOGFONTW);
    }
    if (found->kind == GdiObject::Kind::bitmap) {
        if (out == nullptr) {
            return sizeof(BITMAP);
        }
        if (size < static_cast<int>(sizeof(BITMAP))) {
            return 0;
        }
        BITMAP bitmap;
        bitmap.bmWidth = found->bitmap.width();
        bitmap.bmHeight = found->bitmap.height();
        bitmap.bmWidthBytes = bitmap.bmWidth * 4;
        std::memcpy(out, &bitmap, sizeof(BITMAP));
        return sizeof(BITMAP);
    }
    return 0;
}

DWORD GetSysColor(int index) {
    if (index < 0 || index > COLOR_MAX) {
        return 0;
    }
    return kSystemColours[static_cast<std::size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index > COLOR_MAX) {
        return nullptr;
    }
    return static_cast<HBRUSH>(lf_stock().systemBrushes[static_cast<std::size_t>(index)]);
}

std::size_t gdiObjectCount() {
    return g_madeObjects.load();
}

} // namespace skyloom::winui
