// Learned airport files: what the program learned at a park airport on top of the airport's
// own file (stand options of observed traffic, stands made by hand, a whole handmade stand
// list, the park options in force), read back and merged into the airport file's stands at
// each read (`gf_readLearnedAirportFile`), and written when static parking stops there
// (`gf_saveLearned`) through the writer's safe save, so that a save that does not complete
// leaves the previous learned file as it was. Main worker thread.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "parking/airport_file_reader.h"

namespace skyloom {

class Clock;
class ParkAirportEntry;
class ParkingState;
class WindowSink;
struct ParamsSnapshot;

// Reads the learned file at `learned` and merges it into a copy of `stands` (or, for a
// handmade file, puts the file's own stands in their place). A differing airport name is
// shown in the status line and reading goes on. Stand ids are trimmed; what a later save could
// not write back (a stand without id, an option whose day is not 1 to 7) is skipped with a
// line, and so is what lies past the airport file's bounds: parkpos elements past
// kMaxApfStands, hand-made stands beyond kMaxApfStands stands, options beyond
// kMaxStandOptions learned ones per stand.
LearnedAirportRead gf_readLearnedAirportFile(const std::filesystem::path& learned,
                                             std::string_view archivedAirportName,
                                             const std::vector<Stand>& stands,
                                             WindowSink& window);

struct LearnedSaveContext {
    const ParkAirportEntry& parkAirport;
    // The park options in force come from here.
    const ParamsSnapshot& settings;
    int simulator; // kHeaderSimMsfs2020 or kHeaderSimMsfs2024
    const Clock& clock;
};

// Saves what was learned about `stands` to the learned file kept in `state` when the airport
// file was applied; only while a park airport is set and a file is applied. The update counter
// is reset after every save that reached the writer. False when the writer failed (a full disk,
// a folder that cannot be made): what was learned is then held only by `stands`.
bool gf_saveLearned(ParkingState& state, const std::vector<Stand>& stands, bool handmade,
                    const LearnedSaveContext& context);

// The reader's learned-file slots for the program: the learned path from the store and this
// reader.
void gf_setLearnedFileSlots(AirportFileReadContext& context, WindowSink& window);

} // namespace skyloom
