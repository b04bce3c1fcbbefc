// The airport-file store: the local folders of airport files under the working folder
// (airports/my_thirdparty, airports/my_simaddon, learned files under airports/learned), their
// file names, link files (<ICAO>.txt naming another file), the lookup of an airport's file,
// and the path of the learned file that belongs to an airport file. Any thread; no state.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/icao_code.h"

namespace skyloom {

inline constexpr std::string_view kMySimaddonFolderName = "my_simaddon";
inline constexpr std::string_view kMyThirdpartyFolderName = "my_thirdparty";
inline constexpr std::string_view kMyThirdparty2024FolderName = "my_thirdparty2024";
inline constexpr std::string_view kLearnedFolderName = "learned";

// <ICAO>.xml, <ICAO>.enc, <ICAO>.txt (no folder); an empty code gives the bare extension.
std::filesystem::path gf_apfXmlPath(const IcaoCode& icao);
std::filesystem::path gf_apfEncPath(const IcaoCode& icao);
std::filesystem::path gf_apfTxtPath(const IcaoCode& icao);

// airports/my_thirdparty and airports/my_simaddon of the working folder.
std::filesystem::path gf_myThirdpartyFolder();
std::filesystem::path gf_mySimaddonFolder();

// The first line of a link file, trimmed, when it names a ".xml" or ".enc" file (at least 4
// characters); no value when the file is missing, unreadable, empty or names anything else.
std::optional<std::filesystem::path> gf_readAirportLink(const std::filesystem::path& linkFile);

// An airport has a file: an <ICAO>.xml or <ICAO>.txt in my_thirdparty, then in my_simaddon
// (a link file counts unread), or the airport is in the airports table.
bool gf_airportFileExists(const IcaoCode& icao);

// The airport's file: in my_thirdparty, then in my_simaddon, a usable link file's target
// (as written) before the folder's <ICAO>.xml; else archive/stock/<ICAO>.enc when the
// airport is in the airports table; else no value.
std::optional<std::filesystem::path> gf_findAirportFile(const IcaoCode& icao);

// A publisher name as a folder name: control characters and < > : " / \ | ? * become blanks,
// the ends are trimmed, and "." or ".." become empty. Empty: no safe folder name exists.
std::string gf_safePublisherName(std::string_view publisher);

// The learned file of an airport file (".enc" becomes ".xml"), under airports/learned of the
// working folder: archive/stock and airports/stock go to learned/stock, archive/simaddon to
// learned/simaddon, airports/my_simaddon to learned/my_simaddon, archive/thirdparty/<encoded
// publisher> to learned/thirdparty/<safe decoded publisher>, and airports/my_thirdparty(2024)
// to learned/thirdparty/<safe `publisher`>. Local sources may be given relative to the working
// folder or under it. Folder names are compared exactly; any other path, or a publisher without
// a safe folder name, gives no value.
std::optional<std::filesystem::path> gf_makeLearnedPath(const std::filesystem::path& source,
                                                        std::string_view publisher);

} // namespace skyloom
