// The main window's requests for the worker threads live with the configuration, where every
// subsystem that acts on them can read them (config/window_requests.h).
#pragma once

#include "config/window_requests.h"
