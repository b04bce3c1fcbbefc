// The text of a SimConnect result for the log: the system's description of the HRESULT with
// its trailing blanks, tabs, CRs and LFs cut.
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

} // namespace skyloom
