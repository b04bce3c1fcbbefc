// Naming the calling thread for debuggers and process listings (SetThreadDescription on
// Windows). Linux keeps at most 15 characters of the name.
#pragma once

#include <string_view>

namespace skyloom::os {

// False when the system refused the name.
bool setCurrentThreadName(std::string_view name);

} // namespace skyloom::os
