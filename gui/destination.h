// The destination: the user types the ICAO code of the airport of arrival into the destination
// edit box and presses Enter. A code the airports table knows is saved as DESTINATION, its
// airport becomes the park airport, and the stands of its airport file are offered in the
// stand selector, the stand reserved there before preselected. A text that is not a code of
// four letters or digits, or a code the table does not know, is refused on the status line and
// the saved destination shows again.
#pragma once

#include <string>

#include "platform/winui/win_types.h"

namespace skyloom {

class Gui;
class IcaoCode;
class ProgramParameters;
struct Lalo;

// Applies a destination the airports table knows, at the airport's position (GUI thread, or
// the worker at start-up).
void gf_setDestination(Gui& gui, ProgramParameters& parameters, const IcaoCode& code,
                       const Lalo& position);

// The start-up: enables the destination edit box and applies the saved DESTINATION. A saved
// text that is not a known airport's code (parameters.xml edited by hand) is refused as a
// typed one is and stays saved.
void gf_applySavedDestination(Gui& gui, ProgramParameters& parameters);

// The destination edit box: Enter applies the text typed (the key goes no further), every
// other message goes to the edit box's own procedure.
class DestinationEdit {
public:
    DestinationEdit(Gui& gui, ProgramParameters& parameters) : gui_(gui), parameters_(parameters) {}
    DestinationEdit(const DestinationEdit&) = delete;
    DestinationEdit& operator=(const DestinationEdit&) = delete;

    // Subclasses the edit box (once its control exists); false when there is none.
    bool subclass(winui::HWND edit);
    // lf_onDestinationEntered: checks and applies the text of the edit box of `window` (the
    // main window).
    void onDestinationEntered(winui::HWND window);

private:
    friend winui::LRESULT lf_EditSubclassProc(winui::HWND edit, winui::UINT message,
                                              winui::WPARAM wParam, winui::LPARAM lParam);
    // Shows why the text was refused and puts the saved destination back.
    void refuse(const std::string& text);

    Gui& gui_;
    ProgramParameters& parameters_;
    winui::WNDPROC previous_ = nullptr;
};

} // namespace skyloom
