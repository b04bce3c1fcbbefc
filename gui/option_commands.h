// The option commands of the main window: what each push button, check box and combo box does
// when the user clicks or changes it (WM_COMMAND). A command changes its parameter (saved at
// once and republished in the settings snapshot), raises the request flags that the worker
// threads poll (config/window_requests.h), shows its message on the status line, and, for a
// setting that shapes the start-up, asks the run to restart with "NEW SETTINGS". Buttons are
// tried first, then check boxes, then combo boxes; the first that knows the control id takes
// the command. After every command the options area is repainted, since the captions' colours
// follow the settings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom {

// The first items of the run-time lists, which choose nothing.
inline constexpr std::string_view kSelectAircraftPrompt = "select an aircraft";
inline constexpr std::string_view kSelectStandPrompt = "select a stand";

class Gui;
class MainWindowRun;
class ProgramParameters;

class OptionCommands {
public:
    OptionCommands(Gui& gui, ProgramParameters& parameters, MainWindowRun& run)
        : gui_(gui), parameters_(parameters), run_(run) {}

    // WM_COMMAND of the main window: true when a handler took it. An exception of a handler
    // is logged ("lf_HandleWMCOMMAND exception {}") and the command is dropped (false).
    bool handle(winui::HWND window, winui::WPARAM wParam);

private:
    bool handleButton(int controlId);
    bool handleCheckbox(winui::HWND window, int controlId);
    bool handleChoice(winui::HWND window, winui::WPARAM wParam);
    // The combo boxes of choices (texts) and of numbers.
    bool handleTextChoice(winui::HWND window, winui::WPARAM wParam);
    bool handleNumberChoice(winui::HWND window, winui::WPARAM wParam);
    void onParkPushed();
    void onTbloPushed();
    void onSimTimeSwitched();
    // The status line: shows `text` when `show`, else clears it (or shows the unmatched-airport
    // notice while that is pending).
    void showOrClear(bool show, std::string text, bool log);

    Gui& gui_;
    ProgramParameters& parameters_;
    MainWindowRun& run_;
};

} // namespace skyloom
