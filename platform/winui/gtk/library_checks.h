// What ThreadSanitizer checks on the GTK thread. GLib, GTK, GDK, cairo and pango are built
// without it: it sees only what they do through the C library's calls (copies, allocations),
// not the atomics and locks of their own that order them, so that their memory looks raced
// wherever it passes between threads: cairo hands the clips and patterns that one thread
// freed to the next one that asks, from pools of its own atomic operations, and a clip copied
// by the GTK thread's drawing is written again by a window's painting on another thread. On
// the GTK thread those libraries therefore run unchecked (`LibrariesUnchecked`, from the
// thread's start), and the project's own code runs checked (`OwnCodeChecked`, in each piece of
// handed work and in each handler GTK calls). Elsewhere, cairo's calls stay checked: a text
// that one thread writes while cairo reads it is reported. Without ThreadSanitizer both do
// nothing.
#pragma once

namespace skyloom::winui::gtk {

class LibrariesUnchecked {
public:
    LibrariesUnchecked();
    ~LibrariesUnchecked();
    LibrariesUnchecked(const LibrariesUnchecked&) = delete;
    LibrariesUnchecked& operator=(const LibrariesUnchecked&) = delete;
};

class OwnCodeChecked {
public:
    OwnCodeChecked();
    ~OwnCodeChecked();
    OwnCodeChecked(const OwnCodeChecked&) = delete;
    OwnCodeChecked& operator=(const OwnCodeChecked&) = delete;

private:
    int unchecked_ = 0;
};

} // namespace skyloom::winui::gtk
