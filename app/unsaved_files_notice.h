// Files the program could not save, named where the user looks (foundation/unsaved_files.h
// keeps them): each new failure on the status line while the window is up (the main loop looks
// at the end of every cycle, the shutdown after its saves), and every file still unsaved on
// standard error when the program ends, since the log may lie on the full disk that refused
// them.
#pragma once

#include <string>
#include <vector>

#include "foundation/unsaved_files.h"

namespace skyloom {

class WindowSink;

// Shows the latest failed save on the status line when saves failed since the last time it
// showed one: "Could not save {path}: {reason}", with " ({n} saves failed)" when more than one.
void gf_showUnsavedFiles(WindowSink& window);

// The lines for standard error: "{program} could not save {path}: {reason}" for each file whose
// last save failed, then "{program} could not save {n} more files" ("1 more file") for those
// beyond the kept ones.
std::vector<std::string> gf_unsavedFilesText(const UnsavedFiles& unsaved);

} // namespace skyloom
