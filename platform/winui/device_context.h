// A device context: the state GDI keeps per context (selected pen, brush, font and bitmap,
// colours, background mode, mapping mode with its origins and extents, current position,
// saved states) and the drawing operations, in logical units, that each kind of context
// carries out its own way. The cairo context draws pixels; the recording context writes
// each call down. The mapping turns logical into device units the way GDI does, rounding
// halves away from zero.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/winui/gdi_object_table.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/image.h"

namespace skyloom::winui {
class RecordingLog;
}

namespace skyloom::winui::detail {

struct DcAttributes {
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    std::shared_ptr<GdiObject> penObject;
    std::shared_ptr<GdiObject> brushObject;
    std::shared_ptr<GdiObject> fontObject;
    std::shared_ptr<GdiObject> bitmapObject;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF dcBrushColor = RGB(255, 255, 255);
    COLORREF dcPenColor = RGB(0, 0, 0);
    int bkMode = 2;  // OPAQUE
    int mapMode = 1; // MM_TEXT
    POINT windowOrg;
    POINT viewportOrg;
    SIZE windowExt{1, 1};
    SIZE viewportExt{1, 1};
    POINT position;
};

struct ResolvedPen {
    bool visible = true;
    COLORREF color = 0;
    int style = PS_SOLID;
    int width = 0; // logical units; 0 draws one pixel whatever the mapping
};

struct ResolvedBrush {
    bool visible = true;
    COLORREF color = 0;
};

struct TextAttributes {
    LOGFONTW font;
    COLORREF color = 0;
    bool opaque = true;
    COLORREF background = RGB(255, 255, 255);
};

class DeviceContext {
public:
    DeviceContext(UINT dpi, bool memory);
    virtual ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    HDC handle() const { return handle_; }
    void setHandle(HDC handle) { handle_ = handle; }
    bool memory() const { return memory_; }
    UINT dpi() const { return dpi_; }
    virtual bool recording() const { return false; }
    // Size of the drawing surface in device pixels.
    virtual SIZE deviceSize() const = 0;

    DcAttributes& attributes() { return attributes_; }
    const DcAttributes& attributes() const { return attributes_; }

    // --- Mapping ---
    POINT toDevice(POINT logical) const;
    // Both corners mapped and ordered so that left <= right and top <= bottom.
    RECT toDevice(const RECT& logical) const;
    POINT toLogical(POINT device) const;
    double scaleX() const;
    double scaleY() const;
    // Device width of a pen: 0 is one pixel; other widths scale with the mapping.
    int devicePenWidth(const ResolvedPen& pen) const;
    // Keeps the extents' aspect for MM_ISOTROPIC.
    void adjustIsotropic();

    // --- Objects and state ---
    // Returns the previously selected object of the same kind, or null when the object
    // cannot be selected (unknown handle, a bitmap into a non-memory context or into a
    // second context).
    HGDIOBJ select(HGDIOBJ handle);
    int save();
    bool restore(int level);
    int savedLevels() const { return static_cast<int>(saved_.size()); }

    ResolvedPen pen() const;
    ResolvedBrush brush() const;
    ResolvedBrush resolveBrush(const GdiObject& brush) const;
    TextAttributes text() const;

    // --- Drawing, in logical units ---
    virtual void fillRect(const RECT& rect, const ResolvedBrush& brush) = 0;
    // From `from` up to but not including `to`.
    virtual void line(POINT from, POINT to, const ResolvedPen& pen) = 0;
    virtual void rectangle(const RECT& rect, const ResolvedPen& pen,
                           const ResolvedBrush& brush) = 0;
    virtual void polyline(const std::vector<POINT>& points, const ResolvedPen& pen) = 0;
    virtual void textOut(POINT at, std::u16string_view text, const TextAttributes& attributes) = 0;
    virtual bool blit(const RECT& target, DeviceContext& source, POINT sourceOrigin, DWORD rop) = 0;
    virtual COLORREF pixel(POINT at) const = 0;
    virtual COLORREF setPixel(POINT at, COLORREF color) = 0;

    // The picture drawn on and where device (0, 0) of this context lies in it; null for a
    // context that draws no pixels.
    virtual const Image* picture() const { return nullptr; }
    virtual POINT pictureOrigin() const { return POINT{}; }

protected:
    // A memory context's bitmap changed: draw on the new one from now on.
    virtual void bitmapChanged() {}

private:
    void retain(const DcAttributes& attributes);
    void release(const DcAttributes& attributes);

    HDC handle_ = nullptr;
    const UINT dpi_;
    const bool memory_;
    DcAttributes attributes_;
    std::vector<DcAttributes> saved_;
};

HDC addDeviceContext(std::shared_ptr<DeviceContext> context);
std::shared_ptr<DeviceContext> findDeviceContext(HDC hdc);
std::shared_ptr<DeviceContext> removeDeviceContext(HDC hdc);
// The stock 1 x 1 bitmap every memory context starts with.
HGDIOBJ defaultBitmapHandle();

// Recording contexts (recording_dc.cpp): a new one writing into `log`, and the log of a
// context (null when it does not record).
std::shared_ptr<DeviceContext> makeRecordingDc(std::shared_ptr<RecordingLog> log, SIZE size,
                                               UINT dpi, bool memory);
std::shared_ptr<RecordingLog> recordingLogOf(const DeviceContext& context);

} // namespace skyloom::winui::detail
