// World files: a world described in JSON (docs/simworld.md gives the format). Every key is
// checked, so a misspelt key or a value out of range is an error that names the file, the
// place in it (a JSON pointer) and what is wrong; nothing is guessed.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string_view>

#include "platform/simworld/world_setup.h"

namespace skyloom::simworld {

class WorldFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

WorldSetup gf_loadWorldFile(const std::filesystem::path& file);
// The same from text; `source` names it in errors and airport files named in it are found
// from `folder` (facility_file.h).
WorldSetup gf_parseWorldText(std::string_view text, std::string_view source,
                             const std::filesystem::path& folder = {});

} // namespace skyloom::simworld
