// The setup of a new main connection: every system event, data definition, client event and
// the notification group with its priority, registered under their fixed ids in one fixed
// order. Every call is made even after one failed, so that the log names each refused call.
#pragma once

#include <string_view>

#include "platform/simconnect/win_types.h"

namespace skyloom {

// True for hr >= 0; otherwise writes the important log line "SimConnect setup failed: {call}
// (hr=0x{:08X})" and gives false.
bool gf_checkSimSetup(HRESULT hr, std::string_view callText);

// Makes every registration call on the connection; true only when all of them succeeded.
bool gf_setupSimConnect(HANDLE handle);

} // namespace skyloom
