#include "foundation/user_related_exception.h"

#include <fmt/format.h>

namespace skyloom {

UserRelatedException::UserRelatedException(int code, const std::string& text)
    : std::runtime_error(fmt::format("{}: {}", code, text)), code_(code), text_(text) {}

} // namespace skyloom
