// `GuiUpdate`: the only way in which any thread changes what the main window shows. An update
// is one of 40 kinds, numbered 0 to 39; each kind is a small plain payload record, and an
// update owns its texts. The kind of an update is the position of its payload in the variant,
// so the numbering is fixed by the order below and checked against `GuiUpdateKind` at compile
// time. Senders build one (often through the typed senders of `Gui`) and hand it to
// `Gui::enqueueUpdate`; the GUI thread applies it with `Gui::applyUpdate`.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "foundation/icao_code.h"
#include "runtime/gui_redraw_flags.h"
#include "runtime/reader_state.h"

namespace skyloom {

enum class GuiUpdateKind : std::uint8_t {
    setCompact = 0,
    toggleCompact = 1,
    stayOnTop = 2,
    minimise = 3,
    redraw = 4,
    statusExpiryTick = 5,
    feedStatusKnown = 6,
    staticPlanCount = 7,
    trafficReaderState = 8,
    reserved = 9,
    weatherReaderState = 10,
    dataSourceText = 11,
    simulatorText = 12,
    simulatorConnected = 13,
    liveriesCount = 14,
    simaddonCount = 15,
    thirdpCount = 16,
    userWingspanKnown = 17,
    liveAircraftCount = 18,
    standCount = 19,
    parkedCounts = 20,
    parkingTarget = 21,
    qualityText = 22,
    parkAirport = 23,
    airportFile = 24,
    nextParkingUpdate = 25,
    staticFitHidden = 26,
    qnh = 27,
    qnhUnit = 28,
    publisher = 29,
    airportFileUpdates = 30,
    staticFit = 31,
    liveFit = 32,
    userStand = 33,
    timeShiftControlsDisabled = 34,
    statusText = 35,
    errorText = 36,
    clearStatus = 37,
    clearError = 38,
    reset = 39,
};

inline constexpr std::size_t kGuiUpdateKindCount = 40;

// The kind's name for debugger output and logs, e.g. "status text"; "unknown" outside 0..39.
std::string_view gf_guiUpdateKindText(GuiUpdateKind kind) noexcept;

// What a status text weighs against the texts that follow it. A warning stays on the status
// line for a few seconds at least: until then only another warning replaces it, while a lighter
// text waits for those seconds to pass and a clear of the line leaves it where it is
// (gui/gui_apply.cpp).
enum class StatusWeight : std::uint8_t {
    info,    // what is going on or was just done; taken off by any newer text or a clear
    warning, // something failed that the user has to see
};

struct GuiUpdate {
    struct SetCompact {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::setCompact;
        bool compact = false;
    };
    struct ToggleCompact {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::toggleCompact;
    };
    struct StayOnTop {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::stayOnTop;
        bool onTop = false;
    };
    struct Minimise {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::minimise;
    };
    struct Redraw {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::redraw;
        GuiRedrawFlags flags;
    };
    struct StatusExpiryTick {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::statusExpiryTick;
    };
    struct FeedStatusKnown {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::feedStatusKnown;
    };
    struct StaticPlanCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::staticPlanCount;
        std::uint64_t count = 0;
    };
    struct TrafficReaderState {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::trafficReaderState;
        ReaderState state = ReaderState::notRunning;
    };
    // Kept so that the numbering stays whole; nothing sends it.
    struct Reserved {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::reserved;
        std::array<std::byte, 40> bytes{};
    };
    struct WeatherReaderState {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::weatherReaderState;
        ReaderState state = ReaderState::notRunning;
    };
    struct DataSourceText {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::dataSourceText;
        std::string text;
    };
    struct SimulatorText {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::simulatorText;
        std::string text;
    };
    struct SimulatorConnected {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::simulatorConnected;
        bool connected = false;
    };
    struct LiveriesCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::liveriesCount;
        std::uint64_t count = 0;
    };
    struct SimaddonCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::simaddonCount;
        std::uint64_t count = 0;
    };
    struct ThirdpCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::thirdpCount;
        std::uint64_t count = 0;
    };
    struct UserWingspanKnown {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::userWingspanKnown;
        bool known = true;
    };
    struct LiveAircraftCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::liveAircraftCount;
        std::uint64_t count = 0;
    };
    struct StandCount {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::standCount;
        std::uint64_t count = 0;
    };
    struct ParkedCounts {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::parkedCounts;
        std::uint64_t live = 0;
        std::uint64_t statics = 0;
    };
    struct ParkingTarget {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::parkingTarget;
        std::int32_t count = 0;
        std::int32_t percentage = 0;
    };
    struct QualityText {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::qualityText;
        std::string text;
    };
    // A code with value 0 means that there is no park airport.
    struct ParkAirport {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::parkAirport;
        IcaoCode code;
    };
    struct AirportFile {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::airportFile;
        bool loaded = false;
        std::string name;
    };
    struct NextParkingUpdate {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::nextParkingUpdate;
        std::int32_t minutes = 0;
    };
    struct StaticFitHidden {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::staticFitHidden;
        bool hidden = false;
    };
    struct Qnh {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::qnh;
        std::int32_t hpa = 0;
    };
    struct QnhUnit {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::qnhUnit;
        bool inHg = false;
    };
    struct Publisher {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::publisher;
        std::string publisher;
        bool handmade = false;
    };
    struct AirportFileUpdates {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::airportFileUpdates;
        std::int32_t count = 0;
    };
    struct StaticFit {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::staticFit;
        float hours = -1.0F;
    };
    struct LiveFit {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::liveFit;
        float hours = -1.0F;
    };
    struct UserStand {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::userStand;
        std::string stand;
    };
    // Enabling the time-shift controls sends nothing; only disabling is shown.
    struct TimeShiftControlsDisabled {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::timeShiftControlsDisabled;
    };
    struct StatusText {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::statusText;
        std::string text;
        bool log = false;
        StatusWeight weight = StatusWeight::info;
    };
    struct ErrorText {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::errorText;
        std::string text;
    };
    struct ClearStatus {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::clearStatus;
    };
    struct ClearError {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::clearError;
    };
    struct Reset {
        static constexpr GuiUpdateKind kKind = GuiUpdateKind::reset;
    };

    // In kind order: the index of a payload is its kind.
    using Payload = std::variant<
        SetCompact, ToggleCompact, StayOnTop, Minimise, Redraw, StatusExpiryTick, FeedStatusKnown,
        StaticPlanCount, TrafficReaderState, Reserved, WeatherReaderState, DataSourceText,
        SimulatorText, SimulatorConnected, LiveriesCount, SimaddonCount, ThirdpCount,
        UserWingspanKnown, LiveAircraftCount, StandCount, ParkedCounts, ParkingTarget, QualityText,
        ParkAirport, AirportFile, NextParkingUpdate, StaticFitHidden, Qnh, QnhUnit, Publisher,
        AirportFileUpdates, StaticFit, LiveFit, UserStand, TimeShiftControlsDisabled, StatusText,
        ErrorText, ClearStatus, ClearError, Reset>;

    // Any payload converts to an update, so senders write
    // `gui.enqueueUpdate(GuiUpdate::StatusText{"...", true})`.
    template <class P>
    static constexpr bool kIsPayload =
        !std::is_same_v<std::remove_cvref_t<P>, GuiUpdate> && std::is_constructible_v<Payload, P&&>;

    template <class P, std::enable_if_t<kIsPayload<P>, int> = 0>
    GuiUpdate(P&& payloadValue) noexcept(std::is_nothrow_constructible_v<Payload, P&&>)
        : payload(std::forward<P>(payloadValue)) {}

    GuiUpdateKind kind() const noexcept { return static_cast<GuiUpdateKind>(payload.index()); }

    template <class P> const P* get() const noexcept { return std::get_if<P>(&payload); }

    Payload payload;
};

namespace detail {

template <std::size_t... I> constexpr bool guiUpdateKindsInOrder(std::index_sequence<I...>) {
    return (... && (static_cast<std::size_t>(
                        std::variant_alternative_t<I, GuiUpdate::Payload>::kKind) == I));
}

template <std::size_t... I> constexpr std::size_t largestGuiPayload(std::index_sequence<I...>) {
    std::size_t largest = 0;
    ((largest = std::max(largest, sizeof(std::variant_alternative_t<I, GuiUpdate::Payload>))), ...);
    return largest;
}

} // namespace detail

static_assert(std::variant_size_v<GuiUpdate::Payload> == kGuiUpdateKindCount);
static_assert(detail::guiUpdateKindsInOrder(std::make_index_sequence<kGuiUpdateKindCount>()),
              "every payload must sit at the index of its kind");
static_assert(detail::largestGuiPayload(std::make_index_sequence<kGuiUpdateKindCount>()) <= 40,
              "window-update payloads stay small");

} // namespace skyloom
