#include "gui/option_controls.h"

#include <exception>
#include <string>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "foundation/utf.h"
#include "gui/gui.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_state.h"
#include "refdata/park_airport.h"

namespace skyloom {
namespace {

constexpr winui::SIZE kButtonSize{80, 26};
constexpr winui::SIZE kCheckboxSize{14, 14};
constexpr winui::SIZE kEditSize{70, 28};

constexpr winui::DWORD kCheckboxStyle =
    winui::WS_CHILD | winui::WS_VISIBLE | winui::WS_TABSTOP | winui::BS_CHECKBOX;
constexpr winui::DWORD kComboStyle = winui::WS_CHILD | winui::WS_VISIBLE | winui::WS_VSCROLL |
                                     winui::WS_TABSTOP | winui::CBS_DROPDOWNLIST;
constexpr winui::DWORD kButtonStyle = winui::WS_CHILD | winui::WS_VISIBLE | winui::WS_TABSTOP;
constexpr winui::DWORD kEditStyle =
    winui::WS_CHILD | winui::WS_VISIBLE | winui::WS_BORDER | winui::WS_TABSTOP;

winui::HMENU lf_idOf(const OptionControl& control) {
    return reinterpret_cast<winui::HMENU>(static_cast<winui::UINT_PTR>(control.controlId()));
}

void lf_setFont(winui::HWND window, const Gui& gui) {
    const winui::HFONT font = gui.controlFont() != nullptr ? gui.controlFont() : gui.textFont();
    winui::SendMessageW(window, winui::WM_SETFONT, reinterpret_cast<winui::WPARAM>(font), 0);
}

std::u16string lf_wide(const std::string& text) {
    try {
        return utf8_to_wide(text);
    } catch (const std::exception&) {
        return {};
    }
}

// Makes the controls in their creation order and collects their windows for the compact mode.
class ControlMaker {
public:
    ControlMaker(Gui& gui, winui::HWND parent) : gui_(gui), parent_(parent) {}

    void checkbox(CheckboxParameter& parameter) {
        note(gf_createCheckbox(parameter, parent_, nullptr));
    }
    template <class ListParameter> void combo(ListParameter& parameter) {
        const winui::HWND made = gf_createComboBox(
            parameter, gui_, parent_, nullptr, parameter.layout().width, parameter.layout().height);
        if (made != nullptr) {
            parameter.fillComboBox();
        }
        note(made);
    }
    void button(OptionButton& button) { note(gf_createButton(button, gui_, parent_, kButtonSize)); }
    void edit(EditBoxParameter& parameter) {
        const ControlLayout& at = parameter.layout();
        const std::u16string text = lf_wide(parameter.value());
        const winui::HWND made = winui::CreateWindowExW(
            0, u"Edit", text.c_str(), kEditStyle, at.controlX, at.controlY(), kEditSize.cx,
            kEditSize.cy, parent_, lf_idOf(parameter), nullptr, nullptr);
        parameter.setWindow(made);
        if (made != nullptr) {
            lf_setFont(made, gui_);
            // Enabled by the start-up once a destination can be set.
            winui::EnableWindow(made, winui::FALSE);
        }
        note(made);
    }

    bool allMade() const noexcept { return allMade_; }

private:
    void note(winui::HWND made) {
        if (made == nullptr) {
            allMade_ = false;
            return;
        }
        gui_.addOptionWindow(made);
    }

    Gui& gui_;
    winui::HWND parent_;
    bool allMade_ = true;
};

} // namespace

winui::HWND gf_createCheckbox(CheckboxParameter& parameter, winui::HWND parent,
                              winui::HINSTANCE instance) {
    const ControlLayout& at = parameter.layout();
    const winui::HWND box = winui::CreateWindowExW(
        0, u"button", u"", kCheckboxStyle, at.controlX, at.controlY(), kCheckboxSize.cx,
        kCheckboxSize.cy, parent, lf_idOf(parameter), instance, nullptr);
    parameter.setWindow(box);
    if (box == nullptr) {
        return nullptr;
    }
    const auto previous = reinterpret_cast<winui::WNDPROC>(winui::SetWindowLongPtrW(
        box, winui::GWLP_WNDPROC, reinterpret_cast<winui::LONG_PTR>(&lf_CheckboxSubclassProc)));
    winui::WNDPROC none = nullptr;
    if (previous != nullptr && previous != &lf_CheckboxSubclassProc) {
        g_checkboxClassProc.compare_exchange_strong(none, previous);
    }
    winui::CheckDlgButton(parent, parameter.controlId(),
                          parameter.value() ? winui::BST_CHECKED : winui::BST_UNCHECKED);
    winui::InvalidateRect(box, nullptr, winui::TRUE);
    winui::EnableWindow(box, winui::TRUE);
    return box;
}

winui::HWND gf_createComboBox(OptionControl& control, Gui& gui, winui::HWND parent,
                              winui::HINSTANCE instance, int width, int dropHeight) {
    const ControlLayout& at = control.layout();
    const winui::HWND combo =
        winui::CreateWindowExW(0, u"ComboBox", u"", kComboStyle, at.controlX, at.controlY(), width,
                               dropHeight, parent, lf_idOf(control), instance, nullptr);
    control.setWindow(combo);
    if (combo == nullptr) {
        return nullptr;
    }
    lf_setFont(combo, gui);
    if (dropHeight >= 1) {
        gui.controlHeights()[combo] = dropHeight;
    }
    return combo;
}

winui::HWND gf_createButton(OptionButton& button, const Gui& gui, winui::HWND parent,
                            winui::SIZE size) {
    const ControlLayout& at = button.layout();
    const std::u16string caption = lf_wide(button.caption());
    const winui::HWND made = winui::CreateWindowExW(0, u"BUTTON", caption.c_str(), kButtonStyle,
                                                    at.controlX, at.controlY(), size.cx, size.cy,
                                                    parent, lf_idOf(button), nullptr, nullptr);
    button.setWindow(made);
    if (made != nullptr) {
        lf_setFont(made, gui);
    }
    return made;
}

bool gf_createControls(Gui& gui, ProgramParameters& p, winui::HWND window) {
    ControlMaker make(gui, window);
    make.button(p.tbloButton);
    make.checkbox(p.SKIP_AIRPORT_SCAN);
    make.checkbox(p.SKIP_LIVERIES_SCAN);
    make.checkbox(p.LIG_PRIORITIZE);
    make.checkbox(p.LIG_AUTOMATIC);
    make.combo(p.AI_PACKAGE_SELECTOR);
    make.combo(p.RT_CHOISE);
    make.combo(p.QNH_UNIT);
    make.combo(p.SIM_CHOICE);
    make.combo(p.ALL_AIR_GND_SELECTOR);
    make.button(p.aircraftButton);
    make.combo(p.AIRCRAFT_SELECTOR);
    make.button(p.blockButton);
    make.button(p.unblockButton);
    make.checkbox(p.COLLISION_USER_GND);
    make.checkbox(p.COLLISION_USER_AIR);
    make.checkbox(p.COLLISION_LIVE_PARKED_GND);
    make.combo(p.RANGE);
    make.checkbox(p.AUTO_RANGE);
    make.combo(p.MAX_LIVE_SEL);
    make.combo(p.HOLDING_THRESHOLD_METERS);
    make.combo(p.MAX_HOLDING_MINUTES);
    make.checkbox(p.TWO_PROPS);
    make.checkbox(p.LIGHT_AIRCRAFT);
    make.checkbox(p.HELICOPTERS);
    make.checkbox(p.HIGH_PERF_AIRCRAFT);
    make.combo(p.MATCHING_DEPTH);
    make.combo(p.TCAS_FL);
    make.combo(p.PARKING_INTERVAL_MINUTES);
    make.edit(p.DESTINATION);
    make.combo(p.STAND_SELECTOR);
    make.combo(p.AIRP_RANGE);
    make.combo(p.AIRP_HEIGHT);
    make.checkbox(p.RT_PARKTRAFFIC_ONLY);
    make.combo(p.MAX_FIT_FL);
    make.combo(p.MAX_PARK_SEL);
    make.combo(p.parking_percentage);
    make.checkbox(p.AUTO_PARK);
    make.checkbox(p.WEEK);
    make.checkbox(p.PARK_SOFT);
    make.button(p.parkButton);
    make.button(p.flushButton);
    make.checkbox(p.RANDOM);
    make.checkbox(p.ALWAYS_ON_TOP);
    make.checkbox(p.FLIGHT_MESSAGES);
    make.checkbox(p.AEROWINX);
    make.checkbox(p.GUID_CHANGES);
    make.checkbox(p.OBJECTID_LIST);
    make.checkbox(p.NAV_LIGHTS_WHILE_PARKED);
    make.combo(p.TIME_SHIFT_DAYS);
    make.button(p.setButton);
    make.checkbox(p.SIM_TIME);
    make.combo(p.TIME_SHIFT_HOURS);
    make.checkbox(p.KEEP_SIM_TIME_PAR);
    make.combo(p.TIME_SHIFT_MINS);

    gui.redrawOptions();
    gf_parkAirportEntry().clear();
    gui.enqueueUpdate(GuiUpdate::SetCompact{p.COLLAPSED.value()});
    return make.allMade();
}

} // namespace skyloom
