#include "config/parameters.h"

#include <algorithm>
#include <numeric>

#include "config/ai_package_orders.h"
#include "config/parameters_store.h"
#include "foundation/random.h"

namespace skyloom {
namespace {

// Layout values in 96-DPI units. A check box is 14 by 14 with its caption 20 units to the
// right; a combo box sits 6 units above its caption row with the caption to its right; push
// buttons are 80 by 26.
ControlLayout lf_checkbox(std::int32_t x, std::int32_t y) {
    return {x, x + 20, y, 0, 14, 14};
}

ControlLayout lf_combo(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t drop) {
    return {x, x + width + 5, y + 6, -6, width, drop};
}

ControlLayout lf_button(std::int32_t x, std::int32_t y) {
    return {x, x, y, 0, 80, 26};
}

std::vector<std::int32_t> lf_sequence(std::int32_t first, std::int32_t last,
                                      std::int32_t step = 1) {
    std::vector<std::int32_t> values;
    for (std::int32_t value = first; value <= last; value += step) {
        values.push_back(value);
    }
    return values;
}

std::vector<double> lf_maxFitHours() {
    std::vector<double> hours;
    for (int half = 1; half <= 48; ++half) {
        hours.push_back(half * 0.5);
    }
    return hours;
}

std::vector<std::string> lf_texts(std::initializer_list<std::string_view> texts) {
    return {texts.begin(), texts.end()};
}

constexpr std::int32_t kRangeMinNm = 5;
constexpr std::int32_t kRangeMaxNm = 100;
constexpr std::int32_t kFlightLevelMax = 600;
constexpr std::int32_t kMaxFitDefaultIndex = 7; // 4.0 hours
constexpr std::int32_t kHexidMax = 16777215;
constexpr std::int32_t kWindowPositionLimit = 30000;

} // namespace

ProgramParameters::ProgramParameters(ParametersStore* store, ParamsSnapshotCell* cell)
    : SKIP_AIRPORT_SCAN("SKIP_AIRPORT_SCAN", false, 32785, lf_checkbox(113, 136)),
      SKIP_LIVERIES_SCAN("SKIP_LIVERIES_SCAN", false, 32786, lf_checkbox(113, 168)),
      LIG_AUTOMATIC("LIG_AUTOMATIC", true, 32788, lf_checkbox(222, 168)),
      LIG_PRIORITIZE("LIG_PRIORITIZE", true, 32789, lf_checkbox(548, 168)),
      AI_PACKAGE_SELECTOR("AI_PACKAGE_SELECTOR", gf_aiPackageChoices(),
                          std::string(kAiPackageDefaultChoice), 32780,
                          lf_combo(331, 162, 200, 300)),
      lfolder{{StringParameter("lfolder0", ""), StringParameter("lfolder1", ""),
               StringParameter("lfolder2", ""), StringParameter("lfolder3", ""),
               StringParameter("lfolder4", ""), StringParameter("lfolder5", ""),
               StringParameter("lfolder6", ""), StringParameter("lfolder7", ""),
               StringParameter("lfolder8", ""), StringParameter("lfolder9", "")}},
      SIM_CHOICE("SIM_CHOICE", lf_texts({kSimChoiceMsfs2020Text, kSimChoiceMsfs2024Text}),
                 std::string(kSimChoiceMsfs2024Text), 32778, lf_combo(657, 160, 110, 80)),
      RT_CHOISE("RT_CHOISE", lf_texts({kTrafficSourceRtAppText, kTrafficSourceRtDirectText}),
                std::string(kTrafficSourceRtDirectText), 32779, lf_combo(657, 128, 110, 80)),
      QNH_UNIT("QNH_UNIT", lf_texts({kQnhHpaText, kQnhInHgText}), std::string(kQnhHpaText), 32784,
               lf_combo(775, 128, 110, 80)),
      ALWAYS_ON_TOP("ALWAYS_ON_TOP", false, 32773, lf_checkbox(775, 176)),
      PORT_NUMBER("PORT_NUMBER", 10747, 1024, 65535),
      ALL_AIR_GND_SELECTOR("ALL_AIR_GND_SELECTOR",
                           lf_texts({kAllTrafficText, kAirborneOnlyText, kGroundOnlyText}),
                           std::string(kAllTrafficText), 32808, lf_combo(5, 237, 135, 200)),
      AIRCRAFT_SELECTOR("AIRCRAFT_SELECTOR", 32810, lf_combo(5, 269, 400, 300)),
      COLLISION_USER_GND("COLLISION_USER_GND", true, 32815, lf_checkbox(494, 240)),
      COLLISION_USER_AIR("COLLISION_USER_AIR", true, 32814, lf_checkbox(494, 272)),
      COLLISION_LIVE_PARKED_GND("COLLISION_LIVE_PARKED_GND", true, 32816, lf_checkbox(494, 304)),
      BLOCK_AIRCRAFT("BLOCK_AIRCRAFT", ""), BLOCK_CALLSIGN("BLOCK_CALLSIGN", ""),
      BLOCK_REGCODE("BLOCK_REGCODE", ""), BLOCK_HEXIDDEC("BLOCK_HEXIDDEC", 0, 0, kHexidMax),
      RANGE("RANGE", 40, kRangeMinNm, kRangeMaxNm,
            {5, 10, 15, 20, 25, 30, 35, 40, 50, 60, 70, 80, 90, 100}, 32802,
            lf_combo(113, 370, 70, 200)),
      AUTO_RANGE("AUTO_RANGE", false, 32803, lf_checkbox(222, 376)),
      FLIGHT_LEVEL_1("FLIGHT_LEVEL_1", 50, 0, kFlightLevelMax),
      FLIGHT_LEVEL_2("FLIGHT_LEVEL_2", 150, 0, kFlightLevelMax),
      FLIGHT_LEVEL_3("FLIGHT_LEVEL_3", 250, 0, kFlightLevelMax),
      RANGE_GROUND("RANGE_GROUND", 10, kRangeMinNm, kRangeMaxNm),
      RANGE_1("RANGE_1", 20, kRangeMinNm, kRangeMaxNm),
      RANGE_2("RANGE_2", 40, kRangeMinNm, kRangeMaxNm),
      RANGE_3("RANGE_3", 60, kRangeMinNm, kRangeMaxNm),
      RANGE_ABOVE("RANGE_ABOVE", 80, kRangeMinNm, kRangeMaxNm),
      MAX_LIVE_SEL("MAX_LIVE_SEL", 500, 0, 500,
                   {0, 10, 20, 30, 40, 50, 75, 100, 150, 200, 250, 300, 400, 500}, 32824,
                   lf_combo(494, 370, 70, 144)),
      HOLDING_THRESHOLD_METERS("HOLDING_THRESHOLD_METERS", 250, 50, 2000,
                               {50, 100, 150, 200, 250, 300, 400, 500, 750, 1000, 1500, 2000},
                               32794, lf_combo(113, 402, 70, 200)),
      MAX_HOLDING_MINUTES("MAX_HOLDING_MINUTES", 3, 1, 60,
                          {1, 2, 3, 4, 5, 6, 8, 10, 15, 20, 30, 45, 60}, 32805,
                          lf_combo(385, 402, 70, 200)),
      // "depth:" stands left of its combo box, at the panel's label column.
      MATCHING_DEPTH("MATCHING_DEPTH", 4, 1, 7, lf_sequence(1, 7), 32795,
                     ControlLayout{113, 5, 438, -6, 70, 120}),
      TCAS_FL("TCAS_FL", 180, 50, 450, {50, 100, 120, 140, 160, 180, 200, 250, 300, 350, 400, 450},
              32804, lf_combo(222, 432, 70, 200)),
      TWO_PROPS("TWO_PROPS", true, 32798, lf_checkbox(113, 472)),
      LIGHT_AIRCRAFT("LIGHT_AIRCRAFT", true, 32799, lf_checkbox(222, 472)),
      HELICOPTERS("HELICOPTERS", true, 32800, lf_checkbox(331, 472)),
      HIGH_PERF_AIRCRAFT("HIGH_PERF_AIRCRAFT", true, 32801, lf_checkbox(440, 472)),
      RANDOM("RANDOM", true, 32782, lf_checkbox(657, 240)),
      FLIGHT_MESSAGES("FLIGHT_MESSAGES", true, 32796, lf_checkbox(765, 240)),
      AEROWINX("AEROWINX", false, 32774, lf_checkbox(657, 272)),
      GUID_CHANGES("GUID_CHANGES", true, 32775, lf_checkbox(765, 272)),
      OBJECTID_LIST("OBJECTID_LIST", false, 32776, lf_checkbox(657, 304)),
      NAV_LIGHTS_WHILE_PARKED("NAV_LIGHTS_WHILE_PARKED", true, 32777, lf_checkbox(765, 304)),
      // Up to 13 days: with the hours and minutes the longest shift the combo boxes hold,
      // 13 days 23 hours 59 minutes, stays one minute short of two weeks, so that what they
      // show is always the shift in force.
      TIME_SHIFT_DAYS("TIME_SHIFT_DAYS", 0, 0, 13, lf_sequence(0, 13), 32838,
                      lf_combo(765, 370, 70, 200)),
      TIME_SHIFT_HOURS("TIME_SHIFT_HOURS", 0, 0, 23, lf_sequence(0, 23), 32839,
                       lf_combo(765, 402, 70, 200)),
      TIME_SHIFT_MINS("TIME_SHIFT_MINS", 0, 0, 59, lf_sequence(0, 59), 32841,
                      lf_combo(765, 434, 70, 300)),
      SIM_TIME("SIM_TIME", false, 32842, lf_checkbox(657, 408)),
      KEEP_SIM_TIME_PAR("KEEP_SIM_TIME_PAR", false, 32843, lf_checkbox(657, 440)),
      PARKING_INTERVAL_MINUTES("PARKING_INTERVAL_MINUTES", 30, 5, 120,
                               {5, 10, 15, 20, 30, 45, 60, 90, 120}, 32827,
                               lf_combo(657, 474, 70, 200)),
      // Captioned on its line, as the combo boxes beside it are.
      DESTINATION("DESTINATION", "", 32819, ControlLayout{5, 80, 545, -6, 70, 28}),
      STAND_SELECTOR("STAND_SELECTOR", 32818, lf_combo(167, 540, 170, 300)),
      AIRP_RANGE("AIRP_RANGE", 20, 5, 50, {5, 10, 15, 20, 25, 30, 40, 50}, 32820,
                 lf_combo(494, 538, 70, 144)),
      AIRP_HEIGHT("AIRP_HEIGHT", 18000, 1000, 45000,
                  {1000, 2000, 3000, 5000, 7500, 10000, 12500, 15000, 18000, 25000, 35000, 45000},
                  32821, lf_combo(657, 538, 90, 230)),
      RT_PARKTRAFFIC_ONLY("RT_PARKTRAFFIC_ONLY", false, 32832, lf_checkbox(5, 576)),
      MAX_PARK_SEL("MAX_PARK_SEL", 100, 0, 500,
                   {0, 10, 20, 30, 40, 50, 75, 100, 150, 200, 250, 300, 400, 500}, 32823,
                   lf_combo(385, 570, 70, 144)),
      MAX_FIT("MAX_FIT", kMaxFitDefaultIndex, 0, 47),
      MAX_FIT_FL("MAX_FIT_FL", (kMaxFitDefaultIndex + 1) * 0.5, lf_maxFitHours(), 32830,
                 lf_combo(222, 570, 70, 300)),
      parking_percentage("parking_percentage", 30, 5, 100, lf_sequence(5, 100, 5), 32825,
                         lf_combo(113, 602, 70, 200)),
      AUTO_PARK("AUTO_PARK", true, 32826, lf_checkbox(5, 608)),
      WEEK("WEEK", false, 32829, lf_checkbox(331, 608)),
      PARK_SOFT("PARK_SOFT", false, 32828, lf_checkbox(494, 608)),
      MAIN_WINDOW_X("MAIN_WINDOW_X", 400, -kWindowPositionLimit, kWindowPositionLimit),
      MAIN_WINDOW_Y("MAIN_WINDOW_Y", 20, -kWindowPositionLimit, kWindowPositionLimit),
      COLLAPSED("COLLAPSED", false), MSFS_INSTALL_PATH("MSFS_INSTALL_PATH"),
      MSFS_2024_INSTALL_PATH("MSFS_2024_INSTALL_PATH"),
      tbloButton(32793, "Tblo", lf_button(222, 131)),
      aircraftButton(32809, "Aircraft", lf_button(222, 239)),
      blockButton(32811, "Block", lf_button(5, 305)),
      unblockButton(32812, "Unblock", lf_button(113, 305)),
      setButton(32840, "Set", lf_button(657, 370)), parkButton(32822, "Park", lf_button(765, 509)),
      flushButton(32833, "Flush", lf_button(765, 609)), store_(store), cell_(cell) {
    registerAll();
}

ProgramParameters::~ProgramParameters() = default;

void ProgramParameters::registerAll() {
    const auto add = [this](Parameter& parameter) {
        all_.push_back(&parameter);
        parameter.setHost(this);
        if (auto* control = dynamic_cast<OptionControl*>(&parameter)) {
            controls_.push_back(control);
        }
    };
    // The order parameters.xml lists them in when it is made afresh.
    for (Parameter* parameter : std::initializer_list<Parameter*>{
             &SIM_CHOICE, &RT_CHOISE, &QNH_UNIT, &ALWAYS_ON_TOP, &PORT_NUMBER, &SKIP_AIRPORT_SCAN,
             &SKIP_LIVERIES_SCAN, &LIG_AUTOMATIC, &LIG_PRIORITIZE, &AI_PACKAGE_SELECTOR}) {
        add(*parameter);
    }
    for (StringParameter& folder : lfolder) {
        add(folder);
    }
    for (Parameter* parameter : std::initializer_list<Parameter*>{&ALL_AIR_GND_SELECTOR,
                                                                  &AIRCRAFT_SELECTOR,
                                                                  &COLLISION_USER_GND,
                                                                  &COLLISION_USER_AIR,
                                                                  &COLLISION_LIVE_PARKED_GND,
                                                                  &BLOCK_AIRCRAFT,
                                                                  &BLOCK_CALLSIGN,
                                                                  &BLOCK_REGCODE,
                                                                  &BLOCK_HEXIDDEC,
                                                                  &RANGE,
                                                                  &AUTO_RANGE,
                                                                  &FLIGHT_LEVEL_1,
                                                                  &FLIGHT_LEVEL_2,
                                                                  &FLIGHT_LEVEL_3,
                                                                  &RANGE_GROUND,
                                                                  &RANGE_1,
                                                                  &RANGE_2,
                                                                  &RANGE_3,
                                                                  &RANGE_ABOVE,
                                                                  &MAX_LIVE_SEL,
                                                                  &HOLDING_THRESHOLD_METERS,
                                                                  &MAX_HOLDING_MINUTES,
                                                                  &MATCHING_DEPTH,
                                                                  &TCAS_FL,
                                                                  &TWO_PROPS,
                                                                  &LIGHT_AIRCRAFT,
                                                                  &HELICOPTERS,
                                                                  &HIGH_PERF_AIRCRAFT,
                                                                  &RANDOM,
                                                                  &FLIGHT_MESSAGES,
                                                                  &AEROWINX,
                                                                  &GUID_CHANGES,
                                                                  &OBJECTID_LIST,
                                                                  &NAV_LIGHTS_WHILE_PARKED,
                                                                  &TIME_SHIFT_DAYS,
                                                                  &TIME_SHIFT_HOURS,
                                                                  &TIME_SHIFT_MINS,
                                                                  &SIM_TIME,
                                                                  &KEEP_SIM_TIME_PAR,
                                                                  &PARKING_INTERVAL_MINUTES,
                                                                  &DESTINATION,
                                                                  &STAND_SELECTOR,
                                                                  &AIRP_RANGE,
                                                                  &AIRP_HEIGHT,
                                                                  &RT_PARKTRAFFIC_ONLY,
                                                                  &MAX_PARK_SEL,
                                                                  &MAX_FIT,
                                                                  &MAX_FIT_FL,
                                                                  &parking_percentage,
                                                                  &AUTO_PARK,
                                                                  &WEEK,
                                                                  &PARK_SOFT,
                                                                  &MAIN_WINDOW_X,
                                                                  &MAIN_WINDOW_Y,
                                                                  &COLLAPSED,
                                                                  &MSFS_INSTALL_PATH,
                                                                  &MSFS_2024_INSTALL_PATH}) {
        add(*parameter);
    }
    for (OptionButton* button : {&tbloButton, &aircraftButton, &blockButton, &unblockButton,
                                 &setButton, &parkButton, &flushButton}) {
        controls_.push_back(button);
    }

    // What each parameter carries into the snapshot.
    bind(parking_percentage,
         [this](ParamsSnapshot& s) { s.parking_percentage = parking_percentage.value(); });
    bind(MAX_PARK_SEL, [this](ParamsSnapshot& s) { s.MAX_PARK_SEL = MAX_PARK_SEL.value(); });
    bind(MAX_LIVE_SEL, [this](ParamsSnapshot& s) { s.MAX_LIVE_SEL = MAX_LIVE_SEL.value(); });
    bind(MAX_FIT, [this](ParamsSnapshot& s) { s.MAX_FIT = MAX_FIT.value(); });
    bind(RT_PARKTRAFFIC_ONLY, [this](ParamsSnapshot& s) {
        s.RT_PARKTRAFFIC_ONLY = RT_PARKTRAFFIC_ONLY.value() ? 1 : 0;
    });
    bind(AUTO_PARK, [this](ParamsSnapshot& s) { s.AUTO_PARK = AUTO_PARK.value() ? 1 : 0; });
    bind(WEEK, [this](ParamsSnapshot& s) { s.WEEK = WEEK.value() ? 1 : 0; });
    bind(PARK_SOFT, [this](ParamsSnapshot& s) { s.PARK_SOFT = PARK_SOFT.value() ? 1 : 0; });

    bind(TCAS_FL, [this](ParamsSnapshot& s) { s.TCAS_FL = TCAS_FL.value(); });
    bind(RANGE, [this](ParamsSnapshot& s) { gf_setRangeFields(s, RANGE.value()); });
    bind(AUTO_RANGE, [this](ParamsSnapshot& s) { s.AUTO_RANGE = AUTO_RANGE.value(); });
    const Writer autoRange = [this](ParamsSnapshot& s) {
        s.autoRange = AutoRangeSettings{FLIGHT_LEVEL_1.value(), FLIGHT_LEVEL_2.value(),
                                        FLIGHT_LEVEL_3.value(), RANGE_GROUND.value(),
                                        RANGE_1.value(),        RANGE_2.value(),
                                        RANGE_3.value(),        RANGE_ABOVE.value()};
    };
    for (const Parameter* parameter :
         {static_cast<const Parameter*>(&FLIGHT_LEVEL_1),
          static_cast<const Parameter*>(&FLIGHT_LEVEL_2),
          static_cast<const Parameter*>(&FLIGHT_LEVEL_3),
          static_cast<const Parameter*>(&RANGE_GROUND), static_cast<const Parameter*>(&RANGE_1),
          static_cast<const Parameter*>(&RANGE_2), static_cast<const Parameter*>(&RANGE_3),
          static_cast<const Parameter*>(&RANGE_ABOVE)}) {
        bind(*parameter, autoRange);
    }
    bind(MAX_HOLDING_MINUTES, [this](ParamsSnapshot& s) {
        s.MAX_HOLDING_MINUTES = static_cast<std::uint32_t>(MAX_HOLDING_MINUTES.value());
    });
    bind(HOLDING_THRESHOLD_METERS, [this](ParamsSnapshot& s) {
        s.HOLDING_THRESHOLD_METERS = HOLDING_THRESHOLD_METERS.value();
    });
    bind(GUID_CHANGES, [this](ParamsSnapshot& s) { s.GUID_CHANGES = GUID_CHANGES.value(); });
    bind(NAV_LIGHTS_WHILE_PARKED, [this](ParamsSnapshot& s) {
        s.NAV_LIGHTS_WHILE_PARKED = NAV_LIGHTS_WHILE_PARKED.value();
    });
    bind(OBJECTID_LIST, [this](ParamsSnapshot& s) { s.OBJECTID_LIST = OBJECTID_LIST.value(); });
    bind(ALL_AIR_GND_SELECTOR, [this](ParamsSnapshot& s) {
        s.ALL_AIR_GND_SELECTOR =
            static_cast<std::int32_t>(ALL_AIR_GND_SELECTOR.indexOfCurrent().value_or(0));
    });
    bind(COLLISION_USER_GND,
         [this](ParamsSnapshot& s) { s.COLLISION_USER_GND = COLLISION_USER_GND.value(); });
    bind(COLLISION_USER_AIR,
         [this](ParamsSnapshot& s) { s.COLLISION_USER_AIR = COLLISION_USER_AIR.value(); });
    bind(COLLISION_LIVE_PARKED_GND, [this](ParamsSnapshot& s) {
        s.COLLISION_LIVE_PARKED_GND = COLLISION_LIVE_PARKED_GND.value();
    });
    bind(FLIGHT_MESSAGES,
         [this](ParamsSnapshot& s) { s.FLIGHT_MESSAGES = FLIGHT_MESSAGES.value(); });
    const Writer block = [this](ParamsSnapshot& s) {
        s.block.BLOCK_AIRCRAFT = BLOCK_AIRCRAFT.value();
        s.block.BLOCK_CALLSIGN = BLOCK_CALLSIGN.value();
        s.block.BLOCK_REGCODE = BLOCK_REGCODE.value();
        s.block.BLOCK_HEXIDDEC = static_cast<std::uint32_t>(BLOCK_HEXIDDEC.value());
        s.block.callsignEndsWithUnderscore =
            !s.block.BLOCK_CALLSIGN.empty() && s.block.BLOCK_CALLSIGN.back() == '_';
    };
    for (const Parameter* parameter : {static_cast<const Parameter*>(&BLOCK_AIRCRAFT),
                                       static_cast<const Parameter*>(&BLOCK_CALLSIGN),
                                       static_cast<const Parameter*>(&BLOCK_REGCODE),
                                       static_cast<const Parameter*>(&BLOCK_HEXIDDEC)}) {
        bind(*parameter, block);
    }
    bind(LIGHT_AIRCRAFT, [this](ParamsSnapshot& s) { s.LIGHT_AIRCRAFT = LIGHT_AIRCRAFT.value(); });
    bind(TWO_PROPS, [this](ParamsSnapshot& s) { s.TWO_PROPS = TWO_PROPS.value(); });
    bind(HELICOPTERS, [this](ParamsSnapshot& s) { s.HELICOPTERS = HELICOPTERS.value(); });
    bind(HIGH_PERF_AIRCRAFT,
         [this](ParamsSnapshot& s) { s.HIGH_PERF_AIRCRAFT = HIGH_PERF_AIRCRAFT.value(); });
    bind(MATCHING_DEPTH, [this](ParamsSnapshot& s) { s.MATCHING_DEPTH = MATCHING_DEPTH.value(); });
    bind(RANDOM, [this](ParamsSnapshot& s) { s.RANDOM = RANDOM.value(); });
    bind(SKIP_LIVERIES_SCAN,
         [this](ParamsSnapshot& s) { s.SKIP_LIVERIES_SCAN = SKIP_LIVERIES_SCAN.value(); });
    bind(LIG_PRIORITIZE, [this](ParamsSnapshot& s) { s.LIG_PRIORITIZE = LIG_PRIORITIZE.value(); });
    bind(LIG_AUTOMATIC, [this](ParamsSnapshot& s) { s.LIG_AUTOMATIC = LIG_AUTOMATIC.value(); });
    bind(AI_PACKAGE_SELECTOR, [this](ParamsSnapshot& s) {
        s.AI_PACKAGE_SELECTOR = AI_PACKAGE_SELECTOR.indexOfCurrent();
    });
    bind(PARKING_INTERVAL_MINUTES, [this](ParamsSnapshot& s) {
        s.PARKING_INTERVAL_MINUTES = PARKING_INTERVAL_MINUTES.value();
    });
    bind(AIRP_RANGE, [this](ParamsSnapshot& s) { s.AIRP_RANGE = AIRP_RANGE.value(); });
    bind(AIRP_HEIGHT, [this](ParamsSnapshot& s) { s.AIRP_HEIGHT = AIRP_HEIGHT.value(); });
    bind(SKIP_AIRPORT_SCAN,
         [this](ParamsSnapshot& s) { s.SKIP_AIRPORT_SCAN = SKIP_AIRPORT_SCAN.value(); });
    bind(DESTINATION, [this](ParamsSnapshot& s) { s.DESTINATION = DESTINATION.value(); });
    const Writer timeShift = [this](ParamsSnapshot& s) {
        s.TIME_SHIFT_DAYS = TIME_SHIFT_DAYS.value();
        s.TIME_SHIFT_HOURS = TIME_SHIFT_HOURS.value();
        s.TIME_SHIFT_MINS = TIME_SHIFT_MINS.value();
    };
    bind(TIME_SHIFT_DAYS, timeShift);
    bind(TIME_SHIFT_HOURS, timeShift);
    bind(TIME_SHIFT_MINS, timeShift);
    bind(SIM_TIME, [this](ParamsSnapshot& s) { s.SIM_TIME = SIM_TIME.value(); });
    bind(KEEP_SIM_TIME_PAR,
         [this](ParamsSnapshot& s) { s.KEEP_SIM_TIME_PAR = KEEP_SIM_TIME_PAR.value(); });
    bind(ALWAYS_ON_TOP, [this](ParamsSnapshot& s) { s.ALWAYS_ON_TOP = ALWAYS_ON_TOP.value(); });
    bind(AEROWINX, [this](ParamsSnapshot& s) { s.AEROWINX = AEROWINX.value(); });
    bind(QNH_UNIT, [this](ParamsSnapshot& s) { s.qnhInHg = QNH_UNIT.value() == kQnhInHgText; });
    bind(PORT_NUMBER, [this](ParamsSnapshot& s) {
        s.PORT_NUMBER = static_cast<std::uint16_t>(PORT_NUMBER.value());
    });
}

void ProgramParameters::bind(const Parameter& parameter, Writer writer) {
    writers_[&parameter] = std::move(writer);
}

std::vector<Parameter*> ProgramParameters::persisted() const {
    std::vector<Parameter*> kept;
    std::copy_if(all_.begin(), all_.end(), std::back_inserter(kept),
                 [](const Parameter* parameter) { return parameter->persisted(); });
    return kept;
}

Parameter* ProgramParameters::findByName(std::string_view name) const {
    const auto found = std::find_if(all_.begin(), all_.end(), [name](const Parameter* parameter) {
        return parameter->name() == name;
    });
    return found == all_.end() ? nullptr : *found;
}

OptionControl* ProgramParameters::findControl(int controlId) const {
    const auto found =
        std::find_if(controls_.begin(), controls_.end(), [controlId](const OptionControl* control) {
            return control->controlId() == controlId;
        });
    return found == controls_.end() ? nullptr : *found;
}

CheckboxParameter* ProgramParameters::findCheckbox(int controlId) const {
    return dynamic_cast<CheckboxParameter*>(findControl(controlId));
}

ParamsSnapshot ProgramParameters::snapshot() const {
    ParamsSnapshot snapshot;
    for (const Parameter* parameter : all_) {
        copyInto(*parameter, snapshot);
    }
    return snapshot;
}

std::shared_ptr<const ParamsSnapshot> ProgramParameters::settings() const {
    return cell_ != nullptr ? cell_->load() : std::make_shared<const ParamsSnapshot>(snapshot());
}

void ProgramParameters::copyInto(const Parameter& parameter, ParamsSnapshot& snapshot) const {
    const auto found = writers_.find(&parameter);
    if (found != writers_.end()) {
        found->second(snapshot);
    }
}

void ProgramParameters::applySettings(const Parameter& parameter) {
    if (cell_ == nullptr || !writers_.contains(&parameter)) {
        return;
    }
    cell_->update([this, &parameter](ParamsSnapshot& s) { copyInto(parameter, s); });
}

void ProgramParameters::publishAll() {
    if (cell_ == nullptr) {
        return;
    }
    // Rebuilt inside the compare-and-exchange loop: a parameter that another thread changes
    // and republishes meanwhile makes the exchange fail, and the retry reads its new value,
    // so the change is never overwritten by the older whole.
    cell_->update([this](ParamsSnapshot& s) {
        for (const Parameter* parameter : all_) {
            copyInto(*parameter, s);
        }
    });
}

void ProgramParameters::resetToDefaults() {
    for (Parameter* parameter : all_) {
        parameter->resetToDefault();
    }
}

void ProgramParameters::saveParameter(const Parameter& parameter) {
    if (store_ != nullptr && parameter.persisted()) {
        store_->save(parameter);
    }
}

// --- The program's set ---

ParamsSnapshotCell& gf_paramsSnapshotCell() {
    static ParamsSnapshotCell cell(ProgramParameters().snapshot(),
                                   [](const ParamsSnapshot& s) { gf_setRandomEnabled(s.RANDOM); });
    return cell;
}

ProgramParameters& gf_params() {
    static ProgramParameters parameters(&gf_parametersStore(), &gf_paramsSnapshotCell());
    return parameters;
}

void gf_applySettings(const Parameter& parameter) {
    gf_params().applySettings(parameter);
}

void gf_saveStringParameter(const StringParameter& parameter) {
    parameter.save();
}

void gf_saveIntParameter(const IntParameter& parameter) {
    parameter.save();
}

void gf_saveBoolParameter(const BoolParameter& parameter) {
    parameter.save();
}

void gf_savePathParameter(const PathParameter& parameter) {
    parameter.save();
}

} // namespace skyloom
