// Blocking one live aircraft: "Block" keeps the aircraft chosen in the aircraft selector out
// of the simulator (by hex id, callsign or registration) until "Unblock". The block is kept
// in parameters.xml and republished in the settings snapshot's block settings, which the live
// traffic reads at every user-data step; the window also raises the block-applied request.
#pragma once

#include <string>
#include <vector>

namespace skyloom {

class ProgramParameters;
class WindowRequests;
class WindowSink;

// "Block" with a text in the aircraft selector. A text that does not name an aircraft clears
// the block and blocks nothing.
void lf_blockAircraft(ProgramParameters& parameters, WindowSink& window, WindowRequests& requests);

// "Unblock" while an aircraft is blocked: the block is cleared and the aircraft selector is
// left with one empty item, disabled, until "Aircraft" fills it again.
void lf_unblockAircraft(ProgramParameters& parameters, WindowSink& window);

// The worker's answer to "Aircraft": the aircraft selector offers the prompt and `aircraft`
// (one text per live aircraft), enabled when there is one to choose, and "Aircraft" is back.
// While an aircraft is blocked (blocked in the meantime) the controls stay as the block left them.
void gf_showAircraftList(ProgramParameters& parameters, const std::vector<std::string>& aircraft);

// The start-up: the controls as the saved block leaves them ("Unblock" alone while an
// aircraft is blocked, "Aircraft" alone otherwise).
void gf_showSavedBlock(ProgramParameters& parameters);

} // namespace skyloom
