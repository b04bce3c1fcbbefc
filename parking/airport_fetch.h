// Fetching archived airport files: an archived path (archive/stock/..., archive/simaddon/...,
// archive/thirdparty/<publisher>/...) names a file on the maker's download area under
// "downloads/MSFS/" or "downloads/MSFS2024/"; each read downloads it into a temporary copy in
// the airports folder that the reader removes when it is done. Any thread.
#pragma once

#include <filesystem>
#include <string>

#include "parking/airport_file_reader.h"
#include "refdata/download.h"

namespace skyloom {

struct RunServices;

// True when no element of the archived path is empty, "." or "..", as written or after
// percent-decoding (a decoded '/' or '\' separates elements).
bool gf_isSafeArchivePath(const std::filesystem::path& archived);

// Where the bytes of `path` lie for a read. A path whose first element is not "archive" is
// read where it is (empty location, plain XML). An archived path is downloaded into
// airports/airport.<pid>.<n>.enc|.xml (park_airport.<pid>.<n>... when `parkAirport`; <n> counts
// the fetches of the process) and that copy is returned; the caller removes it. Errors:
// maintenance, an unsafe archived path (logged, nothing fetched), or the failed download, which
// names the airport ("failed to download the airport file of {ICAO}"; the log has the address
// asked and why).
// A file that is not there (a 404, or no download area) is asked for once per run: every later
// read of it fails at once with the same error, without a request and without a line in the
// log (most airports have no archived file, and the park airport's choice looks at the airports
// around the user again and again). A download that failed for a passing reason (a refused
// connection, a time-out, a 5xx reply, a full disk) is tried again 30 s later, twice as long
// after each further failure of the file up to 10 minutes; until then its reads fail at once
// and say when (`retryAt`). The log says when such failures begin and when they end: when each
// file that failed in them has answered (it came, or it is not there), whatever other files
// did meanwhile.
AirportFileLocation gf_airportFilePath(const std::filesystem::path& path, bool parkAirport,
                                       const RunServices& services);

// Downloads the archived file into `target` (binary when `encrypted`), logging nothing on
// failure; a failed download leaves no file.
DownloadOutcome gf_downloadAirportFile(const std::filesystem::path& archived,
                                       const std::filesystem::path& target, bool encrypted,
                                       const RunServices& services);

// Forgets the failed downloads, so that each archived file is asked for again, and ends a run
// of passing failures in the log: when a run's traffic is built and when it is taken down.
void gf_forgetFailedAirportDownloads();

} // namespace skyloom
