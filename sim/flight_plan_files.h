// AI flight-plan files: with MSFS 2020 each live aircraft that has an origin and a destination
// gets a small AceXML flight plan, "{object id}.pln" in the folder "orig_dest" of the
// program's settings folder, so that the simulator knows where the object flies from and to.
// The file's path is handed to the simulator through the command queue; the file goes with
// the aircraft and the folder with the program. With MSFS 2024 nothing here touches the disk.
//
// Every failure is logged and reported by the result (failed plans up to a limit, then counted);
// nothing throws: the aircraft then simply flies without a flight plan.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/iata_code.h"
#include "refdata/aircraft_category.h"

namespace skyloom {

// What a flight plan says of a live aircraft.
struct FlightPlanRoute {
    AircraftCategory category = AircraftCategory::Light;
    IataCode origin;      // not set: the element stays empty
    IataCode destination; // not set: the element stays empty
};

// "IFR" for TwoProps, Bizjet, Large and Heavy; "VFR" for the rest.
std::string_view gf_flightRules(AircraftCategory category) noexcept;

// The whole text of a flight plan: eight lines, each ended by "\n".
std::string gf_flightPlanText(const FlightPlanRoute& route);

// The flight-plan folder when MSFS 2020 is the simulator of this run, else no value.
std::optional<std::filesystem::path> gf_flightPlanFolder();

// Creates the folder with all missing parents and checks that it is a folder; logs why not
// ("Could not create flight-plan folder '{}': {}", "Could not inspect flight-plan folder '{}':
// {}", "Flight-plan path '{}' is not a directory") and gives false.
bool gf_ensureFlightPlanFolder(const std::filesystem::path& folder);

// Failed plans of a run logged one by one; the rest are counted (a full disk refuses every plan,
// two a minute for each aircraft that lands or departs).
inline constexpr std::uint32_t kMaxLoggedFlightPlanFailures = 5;

// Writes "{objectId}.pln" into the flight-plan folder; the path of the written file, or an
// empty path without a folder (MSFS 2024), when the folder cannot be ensured or the writing
// failed. A failed writing is logged as important, "{aircraft} creating a flight plan failed:
// '{path}' could not be written", for the first kMaxLoggedFlightPlanFailures plans of the run;
// then "further flight plans that cannot be written are counted, not logged", and the count
// when the folder goes (gf_removeFlightPlanFolder).
std::filesystem::path gf_createFlightPlan(std::uint32_t objectId, const FlightPlanRoute& route,
                                          std::string_view aircraft);

// Writes the flight plan to the path through the safe save (gf_writeFile), so that a plan the
// disk refuses leaves the file that was there whole; false when any step fails. A plan is no
// file the program keeps: a failure is not noted among the files it could not save.
bool gf_writeFlightPlanText(const std::filesystem::path& path, const FlightPlanRoute& route);

// Removes "{objectId}.pln" from the folder: true when a file was removed; false when there was
// none, there is no folder (MSFS 2024), or it could not be removed ("Could not remove flight
// plan '{}': {}").
bool gf_removeFlightPlan(std::uint32_t objectId);

// Removes the folder with whatever it still holds (shutdown): true when no folder is left, and
// with MSFS 2024, where there is none. First logs "{n} flight plan{s} could not be written" when
// plans of the run failed, and starts their count again. Something other than a folder in its place is left alone
// ("Flight-plan path '{}' is not a directory", false).
bool gf_removeFlightPlanFolder();

} // namespace skyloom
