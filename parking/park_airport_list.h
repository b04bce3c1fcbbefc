// The park airports: the airports at which parked aircraft may be placed, each with the user's
// own stand there, kept most recently used first (the front entry is the current park airport).
// Read at start-up from airports/my_park_airports.txt and the files of airports/my_thirdparty,
// written back once at shutdown and, when changed, each time the run saves what it learned;
// lines the program does not understand are kept and written back unchanged. Every operation
// holds the list's mutex for its whole run and hands out copies, so any thread may call them.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace skyloom {

class WindowSink;

struct ParkAirport {
    std::string name; // the user's stand there; empty when none is known
    double latitude = 0;
    double longitude = 0;
    IcaoCode code;

    Lalo position() const { return {latitude, longitude}; }
    friend bool operator==(const ParkAirport&, const ParkAirport&) = default;
};

inline constexpr std::string_view kMyParkAirportsFileName = "my_park_airports.txt";
// The nearest-airport search runs again once the user has moved this far (NM) at least.
inline constexpr double kParkAirportRecheckMinNM = 4.0;
// More park airports than this draw a warning.
inline constexpr std::size_t kManyParkAirports = 3000;

class ParkAirportList {
public:
    ParkAirportList() = default;
    ParkAirportList(const ParkAirportList&) = delete;
    ParkAirportList& operator=(const ParkAirportList&) = delete;

    // Reads airports/my_park_airports.txt and the my_thirdparty folder (main worker, at
    // start-up). Only a read that runs to its end publishes the list.
    void readFile(WindowSink& window);
    // Writes the list back, once per completed read (main worker, at shutdown).
    void writeFile();
    // Writes the list when the file would change: a new airport or a user's stand learned since
    // the read or the last save (main worker, where what was learned is saved while the run
    // goes on, so that a run that ends without its shutdown keeps it). Nothing before a
    // completed read, nothing for an unchanged or empty list; the shutdown's write still follows.
    void saveChanges();

    std::optional<ParkAirport> front() const;
    // The front entry's name when it is not empty.
    std::optional<std::string> currentName() const;
    std::optional<std::string> findName(const IcaoCode& code) const;
    // Sets the front entry's name when the front entry has this code.
    bool setName(const IcaoCode& code, std::string_view name);
    // The user reserves a stand: the entry with this code, wherever it stands, gets the name;
    // false when no entry has the code.
    bool reserveStand(const IcaoCode& code, std::string_view name);
    // Moves the entry with this code to the front (a new nameless one when there is none) with
    // the position; the nearest-airport search starts afresh.
    void setPosition(const IcaoCode& code, const Lalo& position);
    void setPositionAndName(const IcaoCode& code, const Lalo& position, std::string_view name);
    // Swaps the park airport nearest to the user to the front, once the user has moved the
    // re-check distance since the last search.
    void bringNearestToFront(const Lalo& user);
    // A copy of all entries, front first.
    std::vector<ParkAirport> entries() const;

private:
    void moveToFront(const IcaoCode& code, const Lalo& position, const std::string* name);
    // The file in the working folder as it is now: a path kept from the first use outlived
    // the folder it named (each test's working folder), and was written unguarded by whichever
    // thread used it first.
    static std::filesystem::path path();

    mutable std::mutex mutex_;
    std::deque<ParkAirport> list_;
    std::vector<std::string> preserved_;
    // The lines as the file holds them after the read or the last save.
    std::vector<std::string> saved_;
    bool readingCompleted_ = false;
    bool fileExisted_ = false;
    Lalo lastCheck_{0, 0};
    double recheckNM_ = kParkAirportRecheckMinNM;
};

// The program's park-airport list.
ParkAirportList& gf_parkAirportList();

// The operations on the program's list, for the window, the feed and the simulator link.
void gf_readMyParkAirportsFile(WindowSink& window);
void gf_writeMyParkAirportsFile();
std::optional<ParkAirport> gf_frontParkAirport();
std::optional<std::string> gf_currentParkAirportName();
std::optional<std::string> gf_findParkAirportName(const IcaoCode& code);
bool gf_setParkAirportName(const IcaoCode& code, std::string_view name);
void gf_setParkAirportPosition(const IcaoCode& code, const Lalo& position);
void gf_setParkAirportPositionAndName(const IcaoCode& code, const Lalo& position,
                                      std::string_view name);
void gf_bringNearestParkAirportToFront(const Lalo& user);

// The duplicate rule: the first entry of a code keeps its place; a later one is dropped, except
// that a nameless kept entry takes a later named one's name, position and code.
void gf_dropDuplicateParkAirports(std::deque<ParkAirport>& list);

// The flat distance (NM) from the user to a position: 60 NM per degree, longitude scaled by the
// cosine of the user's latitude.
double gf_flatDistanceFromUserNM(const Lalo& user, const Lalo& position);

} // namespace skyloom
