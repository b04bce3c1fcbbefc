// Building the livery tables at start-up: reads the scanned-liveries file of this run's
// simulator, files its liveries by airline, model, category, title and registration (with the
// regcode data set and the user's regcode files), hands the tables to the similar-model
// definitions of the reference data, reports per category what is installed (switching off the
// optional categories without liveries) and lists the models with generic liveries. Runs once
// per start-up on the main worker thread, after the livery scan has or has not run.
#pragma once

namespace skyloom {

class Gui;
class ProgramParameters;

// Clears and rebuilds the program's tables (gf_liveryTables). Throws std::runtime_error "{}
// could not be read completely" (the scanned-liveries path) when the file cannot be read, and
// std::filesystem::filesystem_error when a report folder cannot be inspected or made.
void gf_processScannedLiveries();
// The same with the window and the parameters given (tests).
void gf_processScannedLiveries(Gui& gui, ProgramParameters& parameters);

} // namespace skyloom
