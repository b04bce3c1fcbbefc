// The debugger output channel (OutputDebugStringW): texts for a developer, never for the
// user or the log. They go to standard error, and tests can read what was written.
#pragma once

#include <string>
#include <vector>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

void OutputDebugStringW(LPCWSTR text);

// --- For tests ---
// Every text written since the last call, as UTF-8, and forgets them.
std::vector<std::string> takeDebugOutput();

} // namespace skyloom::winui
