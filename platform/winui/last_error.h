// The calling thread's last error code and its id, as the window functions report them:
// a failing call sets the code (ERROR_INVALID_WINDOW_HANDLE, ERROR_CLASS_ALREADY_EXISTS, ...)
// and returns its failure value. Thread ids are small numbers given out in order of first
// use, never 0, so that "no thread" can be written as 0.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom::winui {

DWORD GetLastError();
void SetLastError(DWORD code);

DWORD GetCurrentThreadId();

} // namespace skyloom::winui
