// IVAO MTL packages (and their ivao_x-csl variant): one aircraft model per folder named IVAO_
// followed by the model, aircraft.cfg files without icao_airline lines, and livery titles that
// begin with the model code followed by the three letters of the airline. This reads such a
// file into livery records: the model from the folder name, the airline from the title, the
// key from the registration when the title names no airline; every section's texture folder
// must exist: "texture.<value>", or "texture" itself when the section's texture value is empty
// or missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "liveries/livery_record.h"
#include "liveries/livery_scan_state.h"

namespace skyloom {

// Room for the lines of one IVAO aircraft.cfg.
inline constexpr std::size_t kIvaoFileLinesReserve = 4096;

// True when the folder walk sends the aircraft.cfg here: its path holds "ivao_x-csl" or
// "IVAO_MTL" (case-sensitive).
bool gf_isIVAOAircraftCfg(const std::filesystem::path& path);

// The records of one IVAO aircraft.cfg with the package rank. Unreadable files are logged
// ("! No text encoding detected for {}", "! Failed reading {}") and give none. An exception
// is logged ("! Exception in lf_searchLiveriesinIVAOFile {}: {}") and thrown on.
std::vector<LiveryRecord> gf_searchLiveriesinIVAOFile(LiveryScanState& scan, std::uint32_t rank,
                                                      const std::filesystem::path& path);

// The model of an IVAO aircraft.cfg from its folder ".../IVAO_MTL/SimObjects/Airplanes/IVAO_x/"
// or ".../ivao_x-csl/SimObjects/Airplanes/IVAO_x/" ('\' and '/' alike, any letter case): the
// first 4 characters of x, checked and fixed as for ordinary files; empty, reported as the
// invalid model code of two blanks, when the path has no such folder.
std::string gf_fixIVAOModel(LiveryScanState& scan, const std::filesystem::path& path);

// Cuts the file's lines into sections (ending at the next header or any line with a '[') and
// gives the records of the sections whose airline and model ids are both non-zero.
std::vector<LiveryRecord> gf_procesIVAOFltSimSections(LiveryScanState& scan, std::uint32_t rank,
                                                      const std::vector<std::string>& lines,
                                                      std::string_view model,
                                                      const std::filesystem::path& path);

// One section (header first; trailing empty and comment lines are dropped in place); the empty
// record when it yields nothing.
LiveryRecord gf_procesIVAOFltSimSection(LiveryScanState& scan, std::uint32_t rank,
                                        std::vector<std::string>& lines, std::string_view model,
                                        const std::filesystem::path& path);

} // namespace skyloom
