#include "platform/winui/device_context.h"

#include <cmath>
#include <cstdlib>

#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/handles.h"

namespace skyloom::winui::detail {
namespace {

HandleTable<DeviceContext>& lf_table() {
    static HandleTable<DeviceContext> table;
    return table;
}

int lf_map(int value, int origin, int numerator, int denominator, int target) {
    return MulDiv(value - origin, numerator, denominator) + target;
}

} // namespace

HGDIOBJ defaultBitmapHandle() {
    static HGDIOBJ handle = [] {
        auto object = std::make_shared<GdiObject>();
        object->kind = GdiObject::Kind::bitmap;
        object->stock = true;
        object->bitmap = Image(1, 1);
        return addGdiObject(std::move(object));
    }();
    return handle;
}

DeviceContext::DeviceContext(UINT dpi, bool memory) : dpi_(dpi), memory_(memory) {
    attributes_.pen = GetStockObject(BLACK_PEN);
    attributes_.brush = GetStockObject(WHITE_BRUSH);
    attributes_.font = GetStockObject(SYSTEM_FONT);
    attributes_.penObject = findGdiObject(attributes_.pen);
    attributes_.brushObject = findGdiObject(attributes_.brush);
    attributes_.fontObject = findGdiObject(attributes_.font);
    attributes_.bkMode = OPAQUE;
    attributes_.mapMode = MM_TEXT;
    if (memory_) {
        attributes_.bitmap = defaultBitmapHandle();
        attributes_.bitmapObject = findGdiObject(attributes_.bitmap);
    }
    retain(attributes_);
}

DeviceContext::~DeviceContext() {
    release(attributes_);
}

void DeviceContext::retain(const DcAttributes& attributes) {
    for (const auto* object : {&attributes.penObject, &attributes.brushObject,
                               &attributes.fontObject, &attributes.bitmapObject}) {
        if (*object) {
            ++(*object)->selections;
        }
    }
    if (attributes.bitmapObject && !attributes.bitmapObject->stock) {
        attributes.bitmapObject->selectedInto.store(handle_);
    }
}

void DeviceContext::release(const DcAttributes& attributes) {
    for (const auto* object : {&attributes.penObject, &attributes.brushObject,
                               &attributes.fontObject, &attributes.bitmapObject}) {
        if (*object) {
            --(*object)->selections;
        }
    }
    if (attributes.bitmapObject && !attributes.bitmapObject->stock) {
        attributes.bitmapObject->selectedInto.store(nullptr);
    }
}

POINT DeviceContext::toDevice(POINT logical) const {
    const DcAttributes& a = attributes_;
    if (a.mapMode == MM_TEXT) {
        return POINT{logical.x - a.windowOrg.x + a.viewportOrg.x,
                     logical.y - a.windowOrg.y + a.viewportOrg.y};
    }
    return POINT{
        lf_map(logical.x, a.windowOrg.x, a.viewportExt.cx, a.windowExt.cx, a.viewportOrg.x),
        lf_map(logical.y, a.windowOrg.y, a.viewportExt.cy, a.windowExt.cy, a.viewportOrg.y)};
}

RECT DeviceContext::toDevice(const RECT& logical) const {
    const POINT a = toDevice(POINT{logical.left, logical.top});
    const POINT b = toDevice(POINT{logical.right, logical.bottom});
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

POINT DeviceContext::toLogical(POINT device) const {
    const DcAttributes& a = attributes_;
    if (a.mapMode == MM_TEXT) {
        return POINT{device.x - a.viewportOrg.x + a.windowOrg.x,
                     device.y - a.viewportOrg.y + a.windowOrg.y};
    }
    return POINT{
        lf_map(device.x, a.viewportOrg.x, a.windowExt.cx, a.viewportExt.cx, a.windowOrg.x),
        lf_map(device.y, a.viewportOrg.y, a.windowExt.cy, a.viewportExt.cy, a.windowOrg.y)};
}

double DeviceContext::scaleX() const {
    const DcAttributes& a = attributes_;
    if (a.mapMode == MM_TEXT || a.windowExt.cx == 0) {
        return 1.0;
    }
    return static_cast<double>(a.viewportExt.cx) / a.windowExt.cx;
}

double DeviceContext::scaleY() const {
    const DcAttributes& a = attributes_;
    if (a.mapMode == MM_TEXT || a.windowExt.cy == 0) {
        return 1.0;
    }
    return static_cast<double>(a.viewportExt.cy) / a.windowExt.cy;
}

int DeviceContext::devicePenWidth(const ResolvedPen& pen) const {
    if (pen.width <= 0) {
        return 1;
    }
    const DcAttributes& a = attributes_;
    if (a.mapMode == MM_TEXT || a.windowExt.cx == 0) {
        return pen.width;
    }
    return std::max(1, std::abs(MulDiv(pen.width, a.viewportExt.cx, a.windowExt.cx)));
}

void DeviceContext::adjustIsotropic() {
    DcAttributes& a = attributes_;
    if (a.mapMode != MM_ISOTROPIC || a.windowExt.cx == 0 || a.windowExt.cy == 0) {
        return;
    }
    // Shrink the viewport extent on the axis that would stretch more, keeping the signs.
    const double sx = std::abs(static_cast<double>(a.viewportExt.cx) / a.windowExt.cx);
    const double sy = std::abs(static_cast<double>(a.viewportExt.cy) / a.windowExt.cy);
    if (sx > sy) {
        const int cx =
            MulDiv(std::abs(a.windowExt.cx), std::abs(a.viewportExt.cy), std::abs(a.windowExt.cy));
        a.viewportExt.cx = a.viewportExt.cx < 0 ? -cx : cx;
    } else if (sy > sx) {
        const int cy =
            MulDiv(std::abs(a.windowExt.cy), std::abs(a.viewportExt.cx), std::abs(a.windowExt.cx));
        a.viewportExt.cy = a.viewportExt.cy < 0 ? -cy : cy;
    }
}

HGDIOBJ DeviceContext::select(HGDIOBJ handle) {
    auto object = findGdiObject(handle);
    if (!object) {
        return nullptr;
    }
    HGDIOBJ* slot = nullptr;
    std::shared_ptr<GdiObject>* objectSlot = nullptr;
    switch (object->kind) {
    case GdiObject::Kind::pen:
        slot = &attributes_.pen;
        objectSlot = &attributes_.penObject;
        break;
    case GdiObject::Kind::brush:
        slot = &attributes_.brush;
        objectSlot = &attributes_.brushObject;
        break;
    case GdiObject::Kind::font:
        slot = &attributes_.font;
        objectSlot = &attributes_.fontObject;
        break;
    case GdiObject::Kind::bitmap: {
        if (!memory_) {
            return nullptr;
        }
        HANDLE holder = object->selectedInto.load();
        if (!object->stock && holder != nullptr && holder != handle_) {
            return nullptr;
        }
        slot = &attributes_.bitmap;
        objectSlot = &attributes_.bitmapObject;
        break;
    }
    }
    HGDIOBJ previous = *slot;
    if (*objectSlot) {
        --(*objectSlot)->selections;
        if (object->kind == GdiObject::Kind::bitmap && !(*objectSlot)->stock) {
            (*objectSlot)->selectedInto.store(nullptr);
        }
    }
    *slot = handle;
    *objectSlot = object;
    ++object->selections;
    if (object->kind == GdiObject::Kind::bitmap) {
        if (!object->stock) {
            object->selectedInto.store(handle_);
        }
        bitmapChanged();
    }
    return previous;
}

int DeviceContext::save() {
    saved_.push_back(attributes_);
    return static_cast<int>(saved_.size());
}

bool DeviceContext::restore(int level) {
    const int count = static_cast<int>(saved_.size());
    // A negative level counts back from the newest state; a positive one names a state.
    const int target = level < 0 ? count + level + 1 : level;
    if (level == 0 || target < 1 || target > count) {
        return false;
    }
    const HGDIOBJ bitmapBefore = attributes_.bitmap;
    release(attributes_);
    attributes_ = saved_[static_cast<std::size_t>(target - 1)];
    saved_.resize(static_cast<std::size_t>(target - 1));
    retain(attributes_);
    if (attributes_.bitmap != bitmapBefore) {
        bitmapChanged();
    }
    return true;
}

ResolvedBrush DeviceContext::resolveBrush(const GdiObject& brush) const {
    ResolvedBrush resolved;
    resolved.visible = !brush.hollow;
    resolved.color = brush.usesDcColour ? attributes_.dcBrushColor : brush.color;
    return resolved;
}

ResolvedPen DeviceContext::pen() const {
    ResolvedPen resolved;
    const GdiObject* object = attributes_.penObject.get();
    if (object == nullptr) {
        return resolved;
    }
    resolved.visible = !object->hollow;
    resolved.color = object->usesDcColour ? attributes_.dcPenColor : object->color;
    resolved.style = object->penStyle;
    resolved.width = object->penWidth;
    return resolved;
}

ResolvedBrush DeviceContext::brush() const {
    const GdiObject* object = attributes_.brushObject.get();
    return object == nullptr ? ResolvedBrush{} : resolveBrush(*object);
}

TextAttributes DeviceContext::text() const {
    TextAttributes resolved;
    if (attributes_.fontObject) {
        resolved.font = attributes_.fontObject->font;
    }
    resolved.color = attributes_.textColor;
    resolved.opaque = attributes_.bkMode == OPAQUE;
    resolved.background = attributes_.bkColor;
    return resolved;
}

HDC addDeviceContext(std::shared_ptr<DeviceContext> context) {
    DeviceContext* raw = context.get();
    // The handle is known only once the context is in the table; a bitmap selected before
    // (none can be) would carry a null holder.
    const HDC hdc = toHandle<HDC>(lf_table().add(std::move(context)));
    raw->setHandle(hdc);
    return hdc;
}

std::shared_ptr<DeviceContext> findDeviceContext(HDC hdc) {
    return lf_table().find(toId(hdc));
}

std::shared_ptr<DeviceContext> removeDeviceContext(HDC hdc) {
    return lf_table().remove(toId(hdc));
}

} // namespace skyloom::winui::detail
