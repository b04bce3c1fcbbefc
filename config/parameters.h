// Every parameter of the program, in one place: its key, default, range or list, and for the
// window-bound ones the control id and layout of its control in the main window. Member names
// are the keys of parameters.xml. The program's set is gf_params(); it saves through the
// program's parameters store and republishes into the program's settings snapshot. Where the
// design leaves a default, range or list open, docs/configuration.md marks the
// value chosen here.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/option_control.h"
#include "config/option_parameters.h"
#include "config/parameter.h"
#include "config/params_snapshot.h"

namespace skyloom {

class ParametersStore;

inline constexpr std::string_view kSimChoiceMsfs2020Text = "MSFS 2020";
inline constexpr std::string_view kSimChoiceMsfs2024Text = "MSFS 2024";
inline constexpr std::string_view kTrafficSourceRtAppText = "RT App";
inline constexpr std::string_view kTrafficSourceRtDirectText = "RT Direct";
inline constexpr std::string_view kQnhHpaText = "QNH hPa";
inline constexpr std::string_view kQnhInHgText = "QNH inHg";
inline constexpr std::string_view kAllTrafficText = "All traffic";
inline constexpr std::string_view kAirborneOnlyText = "Airborne only";
inline constexpr std::string_view kGroundOnlyText = "Ground only";
inline constexpr std::size_t kLiveryFolderCount = 10;

class ProgramParameters : public ParameterHost {
public:
    // store: where changes are saved (none: kept in memory); cell: where they are
    // republished (none: not republished).
    explicit ProgramParameters(ParametersStore* store = nullptr,
                               ParamsSnapshotCell* cell = nullptr);
    ~ProgramParameters() override;
    ProgramParameters(const ProgramParameters&) = delete;
    ProgramParameters& operator=(const ProgramParameters&) = delete;

    // --- Data sources ---
    CheckboxParameter SKIP_AIRPORT_SCAN;
    CheckboxParameter SKIP_LIVERIES_SCAN;
    CheckboxParameter LIG_AUTOMATIC;
    CheckboxParameter LIG_PRIORITIZE;
    ChoiceParameter AI_PACKAGE_SELECTOR;
    std::array<StringParameter, kLiveryFolderCount> lfolder;

    // --- Configuration ---
    ChoiceParameter SIM_CHOICE;
    ChoiceParameter RT_CHOISE;
    ChoiceParameter QNH_UNIT;
    CheckboxParameter ALWAYS_ON_TOP;
    IntParameter PORT_NUMBER;

    // --- Collision avoidance and blocking ---
    ChoiceParameter ALL_AIR_GND_SELECTOR;
    DynamicChoiceParameter AIRCRAFT_SELECTOR;
    CheckboxParameter COLLISION_USER_GND;
    CheckboxParameter COLLISION_USER_AIR;
    CheckboxParameter COLLISION_LIVE_PARKED_GND;
    StringParameter BLOCK_AIRCRAFT;
    StringParameter BLOCK_CALLSIGN;
    StringParameter BLOCK_REGCODE;
    IntParameter BLOCK_HEXIDDEC;

    // --- Traffic injection ---
    IntListParameter RANGE;
    CheckboxParameter AUTO_RANGE;
    IntParameter FLIGHT_LEVEL_1;
    IntParameter FLIGHT_LEVEL_2;
    IntParameter FLIGHT_LEVEL_3;
    IntParameter RANGE_GROUND;
    IntParameter RANGE_1;
    IntParameter RANGE_2;
    IntParameter RANGE_3;
    IntParameter RANGE_ABOVE;
    IntListParameter MAX_LIVE_SEL;
    IntListParameter HOLDING_THRESHOLD_METERS;
    IntListParameter MAX_HOLDING_MINUTES;
    IntListParameter MATCHING_DEPTH;
    IntListParameter TCAS_FL;
    CheckboxParameter TWO_PROPS;
    CheckboxParameter LIGHT_AIRCRAFT;
    CheckboxParameter HELICOPTERS;
    CheckboxParameter HIGH_PERF_AIRCRAFT;

    // --- Misc ---
    CheckboxParameter RANDOM;
    CheckboxParameter FLIGHT_MESSAGES;
    CheckboxParameter AEROWINX;
    CheckboxParameter GUID_CHANGES;
    CheckboxParameter OBJECTID_LIST;
    CheckboxParameter NAV_LIGHTS_WHILE_PARKED;

    // --- Time shift ---
    IntListParameter TIME_SHIFT_DAYS;
    IntListParameter TIME_SHIFT_HOURS;
    IntListParameter TIME_SHIFT_MINS;
    CheckboxParameter SIM_TIME;
    CheckboxParameter KEEP_SIM_TIME_PAR;

    // --- Parking ---
    IntListParameter PARKING_INTERVAL_MINUTES;
    EditBoxParameter DESTINATION;
    DynamicChoiceParameter STAND_SELECTOR;
    IntListParameter AIRP_RANGE;
    IntListParameter AIRP_HEIGHT;
    CheckboxParameter RT_PARKTRAFFIC_ONLY;
    IntListParameter MAX_PARK_SEL;
    IntParameter MAX_FIT;
    FloatListParameter MAX_FIT_FL;
    IntListParameter parking_percentage;
    CheckboxParameter AUTO_PARK;
    CheckboxParameter WEEK;
    CheckboxParameter PARK_SOFT;

    // --- Window and installation ---
    IntParameter MAIN_WINDOW_X;
    IntParameter MAIN_WINDOW_Y;
    BoolParameter COLLAPSED;
    PathParameter MSFS_INSTALL_PATH;
    PathParameter MSFS_2024_INSTALL_PATH;

    // The push buttons of the main window that belong to no parameter.
    OptionButton tbloButton;
    OptionButton aircraftButton;
    OptionButton blockButton;
    OptionButton unblockButton;
    OptionButton setButton;
    OptionButton parkButton;
    OptionButton flushButton;

    // Every parameter, in the order parameters.xml lists them.
    const std::vector<Parameter*>& all() const noexcept { return all_; }
    // Those kept in parameters.xml.
    std::vector<Parameter*> persisted() const;
    // Every control of the main window that has an id: the window-bound parameters and the
    // buttons.
    const std::vector<OptionControl*>& controls() const noexcept { return controls_; }
    Parameter* findByName(std::string_view name) const;
    OptionControl* findControl(int controlId) const;
    // The check-box parameter of a control id; null for any other id.
    CheckboxParameter* findCheckbox(int controlId) const;

    // A snapshot of every current value.
    ParamsSnapshot snapshot() const;
    // The published snapshot; without a cell, a snapshot of the current values.
    std::shared_ptr<const ParamsSnapshot> settings() const;
    // Copies the parameter's current value into the snapshot: the time-shift parameters
    // copy all three, each block parameter the whole block settings, the range and
    // auto-range parameters the range fields. Nothing for a parameter the snapshot does not
    // carry.
    void copyInto(const Parameter& parameter, ParamsSnapshot& snapshot) const;
    // gf_applySettings on this set's snapshot cell (copy-on-write); nothing without a cell.
    void applySettings(const Parameter& parameter);
    // Publishes a whole snapshot of the current values (start-up, after loading), by
    // compare-and-exchange: a parameter republished by another thread meanwhile keeps its
    // change.
    void publishAll();
    // Every value back to its default, in memory only.
    void resetToDefaults();

    // The install-path parameter of a simulator (MSFS_INSTALL_PATH for 2020).
    PathParameter& installPath(bool msfs2020) noexcept {
        return msfs2020 ? MSFS_INSTALL_PATH : MSFS_2024_INSTALL_PATH;
    }

    ParametersStore* store() const noexcept { return store_; }
    ParamsSnapshotCell* cell() const noexcept { return cell_; }

    // ParameterHost
    void saveParameter(const Parameter& parameter) override;
    void publishParameter(const Parameter& parameter) override { applySettings(parameter); }

private:
    using Writer = std::function<void(ParamsSnapshot&)>;
    void registerAll();
    void bind(const Parameter& parameter, Writer writer);

    ParametersStore* store_;
    ParamsSnapshotCell* cell_;
    std::vector<Parameter*> all_;
    std::vector<OptionControl*> controls_;
    std::unordered_map<const Parameter*, Writer> writers_;
};

// The program's parameters, saved through gf_parametersStore() and published into
// gf_paramsSnapshotCell().
ProgramParameters& gf_params();

// Republishes the parameter's current value in the program's settings snapshot.
void gf_applySettings(const Parameter& parameter);
// Write the parameter's current value into parameters.xml, through the store of the set the
// parameter belongs to (for the program's parameters: gf_parametersStore()).
void gf_saveStringParameter(const StringParameter& parameter);
void gf_saveIntParameter(const IntParameter& parameter);
void gf_saveBoolParameter(const BoolParameter& parameter);
void gf_savePathParameter(const PathParameter& parameter);

} // namespace skyloom
