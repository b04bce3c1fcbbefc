// The main window's position (MAIN_WINDOW_X, MAIN_WINDOW_Y) read straight from parameters.xml
// when the window is made, which is before the worker has loaded the parameters store. Only
// the two values are read; the store's load later gives every parameter its value, and a
// position saved before that load (the window kept on screen) is kept by the store and wins
// over the file's.
#pragma once

#include <cstdint>
#include <filesystem>

namespace skyloom {

class ProgramParameters;

struct WindowPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;

    friend bool operator==(const WindowPosition&, const WindowPosition&) = default;
};

// Reads the two values from `file` into the parameters (in memory), each clamped to its
// range, and returns them. Starts from the defaults, which stay when the file is missing, its
// existence cannot be tested ("Could not check whether '{}' exists: {}") or it cannot be
// opened ("{} could not be opened"), and for a value that the file does not hold. A file that
// is not well-formed is kept as parameters0.xml and removed ("{} failed to load ({}). Saved
// as 0.xml and removed.", "Could not remove '{}': {}"), so that the store makes it afresh; it
// is left where it is when the copy cannot be made. Problems are important log lines.
WindowPosition gf_readWindowPosition(ProgramParameters& parameters,
                                     const std::filesystem::path& file);
// The same for the program's parameters and gf_parametersPath().
WindowPosition gf_readWindowPosition();

} // namespace skyloom
