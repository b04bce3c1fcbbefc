// The facility stand reader: for each BGL file with an airport section that the folder walk
// finds, the scan first tries to learn the airport's stands from the simulator's own facility
// data. The airport's code comes from the package (path, file stem, manifest title); an airport
// that an archived airport file covers is linked to it; otherwise the simulator is asked for the
// airport's parkings and helipads and they are written as a generated airport file.
#pragma once

#include <filesystem>

#include "airportscan/scan_context.h"

namespace skyloom {

// True when the BGL file is dealt with: the airport was linked to an archived airport file, or
// its generated airport file was written. False when no airport code was found, the manifest's
// publisher values are refused, the simulator did not deliver the data (logged "Reading
// Facilites data for {} via SimConnect failed, is MSFS connected?" and the scan log file
// rewritten), or the generated file could not be written; the caller then reads the same file
// with the BGL stand reader. An exception of the facility read or of writing the file is noted
// and closes the facility connection; earlier exceptions reach the caller.
bool gf_readFacilities(const std::filesystem::path& bglFile, const AirportScanContext& context);

} // namespace skyloom
