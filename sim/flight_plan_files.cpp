#include "sim/flight_plan_files.h"

#include <atomic>
#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"

namespace skyloom {
namespace fs = std::filesystem;
namespace {

// Plans of this run that could not be written, counted until the folder goes.
std::atomic<std::uint32_t> g_failedFlightPlans{0};

fs::path lf_planPath(const fs::path& folder, std::uint32_t objectId) {
    return folder / fmt::format("{}.pln", objectId);
}

// The status of a path; a path that does not exist is no error.
fs::file_status lf_statusOf(const fs::path& path, std::error_code& error) {
    fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        error.clear();
    }
    return status;
}

} // namespace

std::string_view gf_flightRules(AircraftCategory category) noexcept {
    switch (category) {
    case AircraftCategory::TwoProps:
    case AircraftCategory::Bizjet:
    case AircraftCategory::Large:
    case AircraftCategory::Heavy:
        return "IFR";
    default:
        return "VFR";
    }
}

std::string gf_flightPlanText(const FlightPlanRoute& route) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n"
                       "<FlightPlan.FlightPlan>\n"
                       "<FPType>{}</FPType>\n"
                       "<DepartureID>{}</DepartureID>\n"
                       "<DestinationID>{}</DestinationID>\n"
                       "</FlightPlan.FlightPlan>\n"
                       "</SimBase.Document>\n",
                       gf_flightRules(route.category), route.origin.view(),
                       route.destination.view());
}

std::optional<fs::path> gf_flightPlanFolder() {
    if (!gf_isMsfs2020()) {
        return std::nullopt;
    }
    // Without a settings folder the path would be relative to the working folder, and
    // removals would reach files there.
    fs::path folder = gf_flightPlanFolderPath();
    if (folder.empty() || !folder.is_absolute()) {
        return std::nullopt;
    }
    return folder;
}

bool gf_ensureFlightPlanFolder(const fs::path& folder) {
    const std::string text = gf_pathToUtf8(folder);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        // Something in the folder's place is the check's to report.
        std::error_code inspect;
        if (!fs::exists(fs::symlink_status(folder, inspect))) {
            LogFile::write(
                fmt::format("Could not create flight-plan folder '{}': {}", text, error.message()));
            return false;
        }
    }
    const fs::file_status status = fs::status(folder, error);
    if (error) {
        LogFile::write(
            fmt::format("Could not inspect flight-plan folder '{}': {}", text, error.message()));
        return false;
    }
    if (!fs::is_directory(status)) {
        LogFile::write(fmt::format("Flight-plan path '{}' is not a directory", text));
        return false;
    }
    return true;
}

fs::path gf_createFlightPlan(std::uint32_t objectId, const FlightPlanRoute& route,
                             std::string_view aircraft) {
    const std::optional<fs::path> folder = gf_flightPlanFolder();
    if (!folder || !gf_ensureFlightPlanFolder(*folder)) {
        return {};
    }
    fs::path path = lf_planPath(*folder, objectId);
    if (!gf_writeFlightPlanText(path, route)) {
        // A full disk refuses every plan: a few are said, the rest counted.
        const std::uint32_t failed = ++g_failedFlightPlans;
        if (failed <= kMaxLoggedFlightPlanFailures) {
            LogFile::writeImportant(fmt::format("{} creating a flight plan failed: '{}' could not "
                                                "be written",
                                                aircraft, gf_pathToUtf8(path)));
        }
        if (failed == kMaxLoggedFlightPlanFailures) {
            LogFile::writeImportant("further flight plans that cannot be written are counted, "
                                    "not logged");
        }
        return {};
    }
    return path;
}

bool gf_writeFlightPlanText(const fs::path& path, const FlightPlanRoute& route) {
    // A plan only passes the route on to the simulator: one it cannot have is no lost save.
    return gf_writeFile(gf_flightPlanText(route), path, false, FileKind::passing);
}

bool gf_removeFlightPlan(std::uint32_t objectId) {
    const std::optional<fs::path> folder = gf_flightPlanFolder();
    if (!folder) {
        return false;
    }
    const fs::path path = lf_planPath(*folder, objectId);
    std::error_code error;
    const bool removed = fs::remove(path, error);
    if (error) {
        LogFile::write(fmt::format("Could not remove flight plan '{}': {}", gf_pathToUtf8(path),
                                   error.message()));
        return false;
    }
    return removed;
}

bool gf_removeFlightPlanFolder() {
    if (const std::uint32_t failed = g_failedFlightPlans.exchange(0); failed != 0) {
        LogFile::write(fmt::format("{} flight plan{} could not be written", failed,
                                   failed == 1 ? "" : "s"));
    }
    const std::optional<fs::path> folder = gf_flightPlanFolder();
    if (!folder) {
        return true;
    }
    const std::string text = gf_pathToUtf8(*folder);
    std::error_code error;
    const fs::file_status before = fs::symlink_status(*folder, error);
    if (fs::exists(before) && !fs::is_directory(before)) {
        // Not ours: a file of the user that happens to carry the folder's name.
        LogFile::write(fmt::format("Flight-plan path '{}' is not a directory", text));
        return false;
    }
    error.clear();
    fs::remove(*folder, error);
    if (error == std::errc::directory_not_empty || error == std::errc::file_exists) {
        error.clear();
        fs::remove_all(*folder, error);
    }
    if (error) {
        LogFile::write(
            fmt::format("Could not remove flight-plan folder '{}': {}", text, error.message()));
    }
    const fs::file_status after = lf_statusOf(*folder, error);
    if (error) {
        LogFile::write(fmt::format("Could not inspect removed flight-plan folder '{}': {}", text,
                                   error.message()));
        return false;
    }
    return !fs::exists(after);
}

} // namespace skyloom
