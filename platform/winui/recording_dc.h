// A device context that draws nothing and writes down every drawing call, in the logical
// units the caller used, with the pen, brush, font and colours in force, one line per call:
//   FillRect(0,0,900,32) brush=#000000
//   LineTo(0,32,900,32) pen=#FFFFFF/0
//   Rectangle(765,4,855,30) pen=#FFFFFF/0 brush=none
//   Polyline(2,7 5,10 11,4) pen=#000000/2
//   TextOutW(3,4) "Version 1.0" font="Segoe UI"/-16/400 color=#32D232 bk=transparent
//   BitBlt(0,0,900,768) from=0,0 rop=SRCCOPY
// Colours are #RRGGBB; a pen shows its logical width (0 = one device pixel). Memory contexts
// made from a recording context record into the same log, so a double-buffered paint shows
// as its drawing followed by the blit. Tests get a context with createRecordingDc or record a
// window's next paints with recordWindowPaints.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

class RecordingLog {
public:
    void add(std::string call);
    std::vector<std::string> calls() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// A recording context of the given device size and DPI; DeleteDC ends it.
HDC createRecordingDc(std::shared_ptr<RecordingLog> log, SIZE deviceSize, UINT dpi = 96);

// From now on BeginPaint of this window hands out a recording context writing into `log`
// (null: paint pixels again). Returns FALSE for a handle that is no window.
BOOL recordWindowPaints(HWND hwnd, std::shared_ptr<RecordingLog> log);

} // namespace skyloom::winui
