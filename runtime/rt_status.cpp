#include "runtime/rt_status.h"

namespace skyloom {

std::atomic<bool> g_rtProfessional{false};
std::atomic<bool> g_rtConnected{false};

} // namespace skyloom
