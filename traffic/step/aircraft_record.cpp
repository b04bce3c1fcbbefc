#include "traffic/step/aircraft_record.h"

#include <algorithm>
#include <array>
#include <numbers>

#include "config/params_snapshot.h"

namespace skyloom {

namespace {

constexpr double kRadPerDeg = std::numbers::pi / 180.0;

constexpr std::array<std::string_view, 5> kSimStateTexts{"buffer", "adding2sim", "active",
                                                         "liveryrespawn", "removingfromsim"};
constexpr std::array<std::string_view, 11> kPhaseTexts{
    "pushing_back", "pushed_back", "taxi",         "takeoff_roll", "takeoff", "flying",
    "landing",      "landing_roll", "parking",     "parked",       "birth"};

// Light, TwoProps, Bizjet, Large, Heavy, HighPerf, Rotorcraft.
constexpr std::array<CategoryHandling, kAircraftCategoryCount> kHandling{{
    {3, -9.0, -15.0, 0.15 * kRadPerDeg, 250, 250, 100, 150, 0.5, 5.0, 80},
    {5, -8.5, -17.0, 0.10 * kRadPerDeg, 275, 275, 150, 200, 0.6, 4.75, 95},
    {5, -8.0, -18.0, 0.09 * kRadPerDeg, 300, 300, 200, 250, 0.75, 4.5, 110},
    {8, -6.0, -16.5, 0.07 * kRadPerDeg, 400, 350, 200, 300, 0.6, 4.0, 140},
    {12, -5.0, -12.5, 0.05 * kRadPerDeg, 450, 450, 250, 400, 0.5, 3.0, 150},
    {4, -6.0, -20.0, 0.10 * kRadPerDeg, 150, 150, 100, 200, 1.0, 4.5, 220},
    {4, -20.0, -30.0, 0.20 * kRadPerDeg, 100, 100, 100, 100, 0.75, 5.0, 0},
}};

// Sorted, so that membership is a binary search.
constexpr std::array<std::string_view, 46> kRegional{
    "AN24", "AT43", "AT44", "AT45", "AT46", "AT72", "AT73", "AT75", "AT76", "B190", "CRJ1", "CRJ2",
    "CRJ7", "CRJ9", "CRJX", "D328", "DH8A", "DH8B", "DH8C", "DH8D", "DHC6", "DHC7", "E110", "E120",
    "E135", "E145", "E170", "E190", "E195", "E290", "E295", "E35L", "E75L", "E75S", "F100", "F28",
    "F50",  "F70",  "J328", "JS41", "RJ70", "RJ85", "SB20", "SF34", "SH36", "SU95"};
constexpr std::array<std::string_view, 22> kLightTwin{
    "B58T", "BE55", "BE58", "BE76", "C310", "C337", "C340", "DA42", "DA62", "G21", "G44",
    "GA7",  "L200", "P06T", "P337", "P68",  "PA23", "PA27", "PA30", "PA31", "PA34", "PA44"};
constexpr std::array<std::string_view, 204> kLightSingle{
    "A210", "A5",   "AA1",  "AA5",  "AAT3", "AFOX", "ALGR", "AP22", "AP32", "ARCP", "AS02", "AS16",
    "ASTO", "BE23", "BE24", "BE33", "BE35", "BE36", "BEAR", "BL8",  "BR23", "BREZ", "BT36", "BTB2",
    "C140", "C150", "C152", "C162", "C170", "C172", "C175", "C177", "C180", "C182", "C185", "C206",
    "C207", "C210", "C42",  "C72R", "C77R", "C82R", "C82S", "C82T", "CC11", "CC19", "CTAH", "D140",
    "D28D", "D7",   "DA2",  "DA40", "DA50", "DIMO", "DO27", "DR22", "DR40", "DV1",  "DV20", "ECHO",
    "EFOX", "ELPS", "ERCO", "EUPA", "EV97", "EVOT", "EVSS", "EXNG", "F8L",  "FDCT", "FDF2", "FK14",
    "FK9",  "FM25", "FOX",  "G115", "G120", "G200", "G70",  "GA8",  "GB1",  "GLAS", "GX",   "HROC",
    "HUSK", "IMPU", "J3",   "JAB4", "JABI", "JAS4", "KP2",  "KP5",  "KR30", "M108", "M18",  "M200",
    "M20P", "M20T", "M5",   "M7",   "MCR1", "MCR4", "MJ5",  "MP02", "NG4",  "NG5",  "P149", "P208",
    "P210", "P28A", "P28B", "P28R", "P28S", "P28T", "P28U", "P32R", "PA18", "PA22", "PA24", "PA25",
    "PA32", "PA38", "PA46", "PARA", "PETR", "PIAT", "PIPA", "PISI", "PIVI", "PL2",  "PNR2", "PNR3",
    "PRIM", "PTS2", "R200", "RALL", "RBEL", "RF5",  "RF6",  "RISN", "RS21", "RV10", "RV12", "RV14",
    "RV4",  "RV6",  "RV7",  "RV8",  "RV9",  "S108", "S22T", "SAVG", "SE1",  "SF25", "SHRK", "SIRA",
    "SKAR", "SKRA", "SLG2", "SLG4", "SLH4", "SNGY", "SONX", "SR20", "SR22", "SSTL", "STCH", "STOR",
    "SUBA", "SVNH", "T206", "T210", "T34P", "TAGO", "TAIL", "TAMP", "TB20", "TB21", "TEX2", "TEXA",
    "TL20", "TL30", "TOBA", "TRAL", "TRF1", "TRIN", "TRIS", "TUCA", "TUCR", "U15",  "ULAC", "VENT",
    "VEZE", "VL3",  "VR7",  "VTRA", "WACO", "WFOC", "WT9",  "XA41", "XL2",  "Z42",  "Z43",  "ZEPH"};

template <std::size_t N>
bool lf_inSortedList(const std::array<std::string_view, N>& list, std::string_view code) {
    return std::binary_search(list.begin(), list.end(), code);
}

static_assert(std::is_sorted(kRegional.begin(), kRegional.end()));
static_assert(std::is_sorted(kLightTwin.begin(), kLightTwin.end()));
static_assert(std::is_sorted(kLightSingle.begin(), kLightSingle.end()));

} // namespace

std::string_view gf_simStateText(SimState state) noexcept {
    const auto index = static_cast<std::size_t>(state);
    return index < kSimStateTexts.size() ? kSimStateTexts[index] : "?";
}

std::string_view gf_flightPhaseText(FlightPhase phase) noexcept {
    const auto index = static_cast<std::size_t>(phase);
    return index < kPhaseTexts.size() ? kPhaseTexts[index] : "?";
}

const CategoryHandling& gf_categoryHandling(AircraftCategory category) noexcept {
    const auto index = static_cast<std::size_t>(category);
    return index < kHandling.size() ? kHandling[index]
                                    : kHandling[static_cast<std::size_t>(AircraftCategory::Large)];
}

bool gf_isRegionalModel(std::string_view modelCode) noexcept {
    return lf_inSortedList(kRegional, modelCode);
}
bool gf_isLightTwinModel(std::string_view modelCode) noexcept {
    return lf_inSortedList(kLightTwin, modelCode);
}
bool gf_isLightSingleModel(std::string_view modelCode) noexcept {
    return lf_inSortedList(kLightSingle, modelCode);
}

LiveAircraft::LiveAircraft(const TrafficSample& first, AircraftBase aircraftBase, double timestamp,
                           std::uint64_t daySlot)
    : base(std::move(aircraftBase)),
      lastSampleTime(timestamp), takenReport{first.latitude, first.longitude},
      takenReportTime(timestamp), takenReportTrackDeg(first.trackDeg),
      takenReportSpeedKt(first.groundSpeedKt) {
    newestReportDueTick = first.time;
    stand.daySlot = daySlot;
    stream.push_back(first);
    stream.back().reportTime = timestamp;
}

bool gf_isCategoryIncluded(AircraftCategory category, const ParamsSnapshot& settings) noexcept {
    switch (category) {
    case AircraftCategory::Bizjet:
    case AircraftCategory::Large:
    case AircraftCategory::Heavy:
        return true;
    case AircraftCategory::Light:
        return settings.LIGHT_AIRCRAFT;
    case AircraftCategory::TwoProps:
        return settings.TWO_PROPS;
    case AircraftCategory::HighPerf:
        return settings.HIGH_PERF_AIRCRAFT;
    case AircraftCategory::Rotorcraft:
        return settings.HELICOPTERS;
    }
    return false;
}

} // namespace skyloom
