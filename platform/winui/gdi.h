// Drawing through device contexts, shaped like GDI: memory contexts with compatible bitmaps
// and blits, object selection, text and background colours and modes, DC brush and pen
// colours, saved states, the mapping modes (MM_TEXT, MM_ISOTROPIC, MM_ANISOTROPIC with window
// and viewport origins and extents), and the drawing calls the program makes. Pixel rules
// follow GDI: FillRect leaves out the right and bottom edges; a line leaves out its end point;
// Rectangle outlines with the pen inside its bounds and fills the inside with the brush.
// Shapes are not anti-aliased; text is (grey), so exact-colour tests look at shapes.
#pragma once

#include "platform/winui/gdi_objects.h"
#include "platform/winui/win_types.h"

namespace skyloom::winui {

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Mapping modes.
inline constexpr int MM_TEXT = 1;
inline constexpr int MM_ISOTROPIC = 7;
inline constexpr int MM_ANISOTROPIC = 8;

// Raster operations of BitBlt.
inline constexpr DWORD SRCCOPY = 0x00CC0020;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// GetDeviceCaps indexes.
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// GetCurrentObject kinds are the OBJ_ values of gdi_objects.h.

// DrawTextW formats.
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;

struct TEXTMETRICW {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
};

HDC CreateCompatibleDC(HDC hdc); // a memory context; hdc may be null
BOOL DeleteDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT kind);
COLORREF SetDCBrushColor(HDC hdc, COLORREF color); // returns the previous colour
COLORREF GetDCBrushColor(HDC hdc);
COLORREF SetDCPenColor(HDC hdc, COLORREF color);
COLORREF GetDCPenColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode); // returns the previous mode, 0 on failure
int GetBkMode(HDC hdc);
int SaveDC(HDC hdc);                // the new save level, 0 on failure
BOOL RestoreDC(HDC hdc, int level); // level < 0: that many levels back

int SetMapMode(HDC hdc, int mode); // returns the previous mode
int GetMapMode(HDC hdc);
BOOL SetWindowExtEx(HDC hdc, int x, int y, SIZE* previous);
BOOL SetViewportExtEx(HDC hdc, int x, int y, SIZE* previous);
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
BOOL LPtoDP(HDC hdc, POINT* points, int count);
BOOL DPtoLP(HDC hdc, POINT* points, int count);

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL Polyline(HDC hdc, const POINT* points, int count);
// count -1: up to the terminating zero.
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
// One line of text in a rectangle (DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM); with
// DT_CALCRECT only measures. Returns the text height.
int DrawTextW(HDC hdc, LPCWSTR text, int count, RECT* rect, UINT format);
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);
BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
int GetDeviceCaps(HDC hdc, int index);

} // namespace skyloom::winui
