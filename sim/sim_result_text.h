// The text of a SimConnect result for the log: the system's description of the HRESULT with
// its trailing blanks, tabs, CRs and LFs cut; and whether a result means the simulator is gone.
#pragma once

#include <optional>
#include <string>

#include "platform/simconnect/win_types.h"

namespace skyloom {

// "no system description" when the system has none, "system description conversion failed"
// when its text is not valid UTF-16.
std::string gf_simResultText(HRESULT hr);

// The same for a description already looked up.
std::string gf_systemDescriptionText(const std::optional<std::u16string>& description);

// True for the results of a call on a connection whose simulator is gone (it quit or crashed):
// the pipe to it broke or was disconnected. Any other failure is the simulator refusing the
// request itself.
bool gf_simLinkClosed(HRESULT hr) noexcept;

} // namespace skyloom
