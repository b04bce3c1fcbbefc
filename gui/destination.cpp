#include "gui/destination.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <fmt/format.h>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"
#include "gui/control_text.h"
#include "gui/gui.h"
#include "gui/option_commands.h"
#include "gui/park_airport_links.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "refdata/airports.h"

namespace skyloom {

namespace {

constexpr char16_t kEnterCharacter = 13;

// What the program says when no airport files can be read.
constexpr std::string_view kNoStandReader = "no airport files are available";

// The airport of a destination text, or the line that refuses the text. A text of four
// characters that are not all letters or digits is no code either: the airports table is
// asked only for codes.
struct DestinationCheck {
    std::optional<AirportEntry> airport;
    std::string refusal;
};

DestinationCheck lf_checkDestination(const std::string& text) {
    const std::optional<IcaoCode> code = IcaoCode::parse(text);
    if (!code) {
        return {std::nullopt, fmt::format("destination '{}' is not valid", text)};
    }
    std::optional<AirportEntry> airport = gf_findAirportById(*code);
    if (!airport) {
        return {std::nullopt, fmt::format("destination '{}' is not supported ...", *code)};
    }
    return {std::move(airport), {}};
}

} // namespace

winui::LRESULT lf_EditSubclassProc(winui::HWND edit, winui::UINT message, winui::WPARAM wParam,
                                   winui::LPARAM lParam) {
    auto* self =
        reinterpret_cast<DestinationEdit*>(winui::GetWindowLongPtrW(edit, winui::GWLP_USERDATA));
    if (self == nullptr) {
        return winui::DefWindowProcW(edit, message, wParam, lParam);
    }
    if (message == winui::WM_CHAR && wParam == kEnterCharacter) {
        self->onDestinationEntered(winui::GetParent(edit));
        return 0;
    }
    return winui::CallWindowProcW(self->previous_, edit, message, wParam, lParam);
}

bool DestinationEdit::subclass(winui::HWND edit) {
    if (edit == nullptr) {
        return false;
    }
    winui::SetWindowLongPtrW(edit, winui::GWLP_USERDATA, reinterpret_cast<winui::LONG_PTR>(this));
    previous_ = reinterpret_cast<winui::WNDPROC>(winui::SetWindowLongPtrW(
        edit, winui::GWLP_WNDPROC, reinterpret_cast<winui::LONG_PTR>(&lf_EditSubclassProc)));
    return previous_ != nullptr;
}

void DestinationEdit::refuse(const std::string& text) {
    gui_.showStatusText(text, true);
    gf_showStringOptionText(gui_, parameters_.DESTINATION, parameters_.DESTINATION);
}

void DestinationEdit::onDestinationEntered(winui::HWND window) {
    ProgramParameters& p = parameters_;
    gui_.clearStatusText();
    const std::string text = gf_controlText(window, p.DESTINATION.controlId());
    if (text.empty()) {
        p.DESTINATION.setValue("");
        p.DESTINATION.publish();
        p.STAND_SELECTOR.setItems({""});
        p.STAND_SELECTOR.setCurrent("");
        p.STAND_SELECTOR.fillComboBox();
        p.STAND_SELECTOR.enable(false);
        gui_.showStatusText("destination set to empty", true);
        return;
    }
    if (const std::optional<IcaoCode> code = IcaoCode::parse(text);
        code && code->view() == p.DESTINATION.value()) {
        refuse(fmt::format("destination '{}' was already set ...", *code));
        return;
    }
    const DestinationCheck check = lf_checkDestination(text);
    if (!check.airport) {
        refuse(check.refusal);
        return;
    }
    gf_setDestination(gui_, p, check.airport->icao, check.airport->position());
}

void gf_setDestination(Gui& gui, ProgramParameters& p, const IcaoCode& code, const Lalo& position) {
    const ParkAirportLinks& links = gf_parkAirportLinks();
    p.DESTINATION.setValue(code.view());
    p.DESTINATION.publish();
    gf_showStringOptionText(gui, p.DESTINATION, p.DESTINATION);

    ApfStandList list;
    if (links.readApfForStands) {
        list = links.readApfForStands(code);
    } else {
        list.failure = kNoStandReader;
    }
    p.STAND_SELECTOR.clearItems();
    if (!list.read) {
        gui.showStatusText(
            fmt::format("New destination: {}, failed to read stands, {}", code, list.failure),
            true);
        p.STAND_SELECTOR.fillComboBox();
        p.STAND_SELECTOR.enable(false);
    } else {
        const std::optional<std::string> reserved =
            links.findParkAirportName ? links.findParkAirportName(code) : std::nullopt;
        const bool reservedListed =
            reserved && std::any_of(list.stands.begin(), list.stands.end(),
                                    [&](const StandListEntry& s) { return s.name == *reserved; });
        if (reservedListed) {
            gui.showStatusText(
                fmt::format("New destination: {}, with reserved stand: {}", code, *reserved), true);
            p.STAND_SELECTOR.setCurrent(*reserved);
        } else {
            gui.showStatusText(list.stands.empty()
                                   ? fmt::format("New destination: {}, no stands available", code)
                                   : fmt::format("New destination: {}", code),
                               true);
            p.STAND_SELECTOR.addItem(std::string(kSelectStandPrompt));
            p.STAND_SELECTOR.setCurrent(kSelectStandPrompt);
        }
        for (const StandListEntry& stand : list.stands) {
            p.STAND_SELECTOR.addItem(stand.name);
        }
        p.STAND_SELECTOR.fillComboBox();
        p.STAND_SELECTOR.enable(!list.stands.empty());
    }
    if (links.setParkAirportPosition) {
        links.setParkAirportPosition(code, position);
    }
}

void gf_applySavedDestination(Gui& gui, ProgramParameters& p) {
    p.DESTINATION.enable(true);
    const std::string saved = p.DESTINATION.value();
    if (saved.empty()) {
        return;
    }
    const DestinationCheck check = lf_checkDestination(saved);
    if (!check.airport) {
        gui.showStatusText(check.refusal, true);
        return;
    }
    gf_setDestination(gui, p, check.airport->icao, check.airport->position());
}

} // namespace skyloom
