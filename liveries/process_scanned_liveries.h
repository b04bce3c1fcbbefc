// Building the livery tables at start-up: reads the scanned-liveries file of this run's
// simulator, files its liveries by airline, model, category, title and registration (with the
// regcode data set and the user's regcode files), hands the tables to the similar-model
// definitions of the reference data, reports per category what is installed (switching off the
// optional categories without liveries) and lists the models with generic liveries. Runs once
// per start-up on the main worker thread, after the livery scan has or has not run.
#pragma once

namespace skyloom {

class ProgramParameters;
class WindowSink;

// Clears and rebuilds the program's tables (gf_liveryTables), telling the window the livery
// count and switching categories off in the parameters (gf_params() in the program). Throws
// std::runtime_error "{} could not be read completely" (the scanned-liveries path) when the
// file cannot be read, and std::filesystem::filesystem_error when a report folder cannot be
// inspected or made.
void gf_processScannedLiveries(WindowSink& window, ProgramParameters& parameters);

} // namespace skyloom
