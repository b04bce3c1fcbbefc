#include "platform/os/thread_name.h"

#include <string>

#include <pthread.h>

namespace skyloom::os {

bool setCurrentThreadName(std::string_view name) {
    constexpr std::size_t kMaxChars = 15;
    const std::string kept(name.substr(0, kMaxChars));
    return ::pthread_setname_np(::pthread_self(), kept.c_str()) == 0;
}

} // namespace skyloom::os
