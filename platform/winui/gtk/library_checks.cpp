#include "platform/winui/gtk/library_checks.h"

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer's own interface (its runtime exports them; g++ 12's header does not declare
// them): the thread's memory accesses are not checked between the two.
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace skyloom::winui::gtk {

namespace {

// How many unchecked scopes this thread is in (the sanitizer's own count cannot be read).
thread_local int t_unchecked = 0;

void lf_ignore([[maybe_unused]] bool on) {
#if defined(__SANITIZE_THREAD__)
    if (on) {
        __tsan_ignore_thread_begin();
    } else {
        __tsan_ignore_thread_end();
    }
#endif
}

} // namespace

LibrariesUnchecked::LibrariesUnchecked() {
    lf_ignore(true);
    ++t_unchecked;
}

LibrariesUnchecked::~LibrariesUnchecked() {
    --t_unchecked;
    lf_ignore(false);
}

OwnCodeChecked::OwnCodeChecked() : unchecked_(t_unchecked) {
    for (int i = 0; i < unchecked_; ++i) {
        lf_ignore(false);
    }
    t_unchecked = 0;
}

OwnCodeChecked::~OwnCodeChecked() {
    for (int i = 0; i < unchecked_; ++i) {
        lf_ignore(true);
    }
    t_unchecked = unchecked_;
}

} // namespace skyloom::winui::gtk
