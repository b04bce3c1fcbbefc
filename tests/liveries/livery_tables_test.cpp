// The livery tables built from a scanned-liveries file: liveries filed by airline (operators
// under the combined code), by model, by kind and by title; bad records skipped; the report per
// category with the switch-off of optional categories (saved, published, check box disabled);
// the generic liveries; what the window is told; the hand-over to the similar models.
#include "liveries/livery_tables.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "liveries/installed_liveries.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/process_scanned_liveries.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_state.h"
#include "refdata/code_table.h"
#include "refdata/similar_models.h"
#include "tests/liveries/support/livery_world.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::TestLivery;
using ::testing::UnorderedElementsAre;
using Titles = std::vector<std::string_view>;

std::uint16_t lf_airline(std::string_view code) {
    return gf_airlineId(code);
}
std::uint16_t lf_model(std::string_view code) {
    return gf_modelId(code);
}

Titles lf_titles(std::span<const std::string_view> titles) {
    return Titles(titles.begin(), titles.end());
}

std::vector<std::string> lf_entryTitles(const LiveryTables& tables, std::string_view airline,
                                        std::string_view model) {
    std::vector<std::string> titles;
    const auto airlineIt = tables.airlineLiveryIndex.find(lf_airline(airline));
    if (airlineIt == tables.airlineLiveryIndex.end()) {
        return titles;
    }
    const auto modelIt = airlineIt->second.find(lf_model(model));
    if (modelIt == airlineIt->second.end()) {
        return titles;
    }
    for (const auto& entry : modelIt->second) {
        titles.push_back(entry.title);
    }
    return titles;
}

// The lines from the first that starts with `first` up to the one before the line that starts
// with `stop`.
std::vector<std::string> lf_section(const std::vector<std::string>& lines, std::string_view first,
                                    std::string_view stop) {
    std::vector<std::string> section;
    bool in = false;
    for (const auto& line : lines) {
        if (!in && line.rfind(first, 0) == 0) {
            in = true;
        } else if (in && line.rfind(stop, 0) == 0) {
            break;
        }
        if (in) {
            section.push_back(line);
        }
    }
    return section;
}

class LiveryTablesTest : public testing::LiveryWorld {};

TEST_F(LiveryTablesTest, OperatorLiveriesGoUnderTheCombinedCodeOnly) {
    buildTables({{"DLH", "A320", "Lufthansa A320"},
                 {"DLH", "A320", "Lufthansa A320 for CityLine", false, "", "CLH"},
                 {"DLH", "A319", "Lufthansa A319"}});
    const LiveryTables& tables = gf_liveryTables();
    EXPECT_THAT(lf_entryTitles(tables, "DLH", "A320"), ElementsAre("Lufthansa A320"));
    EXPECT_THAT(lf_entryTitles(tables, "DLHCLH", "A320"),
                ElementsAre("Lufthansa A320 for CityLine"));
    EXPECT_THAT(lf_entryTitles(tables, "CLH", "A320"), IsEmpty());
    EXPECT_THAT(gf_airlinesWithLiveries(),
                UnorderedElementsAre(lf_airline("DLH"), lf_airline("DLHCLH")));
    EXPECT_TRUE(gf_hasAirlineModelLivery(LiveryKey{lf_airline("DLH"), 0, lf_model("A319"), 0, 0}));
    // The operator and cargo fields of the key take no part.
    EXPECT_TRUE(gf_hasAirlineModelLivery(
        LiveryKey{lf_airline("DLH"), lf_airline("XXX"), lf_model("A319"), 1, 0}));
    EXPECT_FALSE(
        gf_hasAirlineModelLivery(LiveryKey{lf_airline("DLHCLH"), 0, lf_model("A319"), 0, 0}));
    EXPECT_TRUE(logHas("    3 livery titles"));
}

TEST_F(LiveryTablesTest, PassengerAndCargoTablesByAirlineAndByModel) {
    buildTables({{"DLH", "A320", "DLH 1"},
                 {"DLH", "A320", "DLH 2"},
                 {"DLH", "A320", "DLH freighter", true},
                 {"BAW", "A320", "BAW 1"},
                 {"FDX", "MD11", "FedEx MD11", true}});
    const LiveryTables& tables = gf_liveryTables();
    const auto dlh = lf_airline("DLH");
    const auto a320 = lf_model("A320");
    EXPECT_THAT(lf_titles(tables.airlineModelTitles(LiveryKind::passenger, dlh, a320)),
                ElementsAre("DLH 1", "DLH 2"));
    EXPECT_THAT(lf_titles(tables.airlineModelTitles(LiveryKind::cargo, dlh, a320)),
                ElementsAre("DLH freighter"));
    EXPECT_THAT(lf_titles(tables.modelTitles(LiveryKind::passenger, a320)),
                UnorderedElementsAre("DLH 1", "DLH 2", "BAW 1"));
    EXPECT_THAT(lf_titles(tables.modelTitles(LiveryKind::cargo, a320)),
                ElementsAre("DLH freighter"));
    // An airline is in a kind's table only with liveries of that kind.
    EXPECT_FALSE(tables.airlineModelLiveries[1].contains(lf_airline("BAW")));
    EXPECT_FALSE(tables.airlineModelLiveries[0].contains(lf_airline("FDX")));
    EXPECT_TRUE(tables.modelTitles(LiveryKind::passenger, lf_model("MD11")).empty());
    EXPECT_TRUE(logHas("    3 airlines, 1 pax aircraft models and 2 cargo aircraft models"));

    // Every other table views the one copy of a title.
    const std::string_view owned = tables.findTitle("DLH freighter");
    EXPECT_EQ(tables.airlineModelTitles(LiveryKind::cargo, dlh, a320)[0].data(), owned.data());
    EXPECT_EQ(tables.modelTitles(LiveryKind::cargo, a320)[0].data(), owned.data());
    EXPECT_TRUE(tables.findTitle("Not installed").empty());
}

TEST_F(LiveryTablesTest, TablesKeepTheirLoadFactorAndReservedRoom) {
    buildTables({{"DLH", "A320", "DLH 1"}, {"FDX", "MD11", "FedEx MD11", true}});
    const LiveryTables& tables = gf_liveryTables();
    EXPECT_FLOAT_EQ(tables.airlineModelLiveries[0].max_load_factor(), 0.7f);
    EXPECT_GE(tables.airlineModelLiveries[0].bucket_count() * 0.7, 2048.0);
    EXPECT_GE(tables.airlineModelLiveries[1].bucket_count() * 0.7, 256.0);
    EXPECT_GE(tables.modelLiveries[0].bucket_count() * 0.7, 324.0);
    EXPECT_GE(tables.modelLiveries[1].bucket_count() * 0.7, 75.0);
    EXPECT_GE(tables.liveryTitleIndex.bucket_count() * 0.7, 30000.0);
    EXPECT_GE(tables.regcodeLiveryMap.bucket_count() * 0.7, 36000.0);
    EXPECT_FLOAT_EQ(tables.airlineLiveryIndex.begin()->second.max_load_factor(), 0.7f);
}

TEST_F(LiveryTablesTest, RecordsWithoutAirlineOrModelAreLoggedAndSkipped) {
    buildTables({{"DLH", "", "No model"},
                 {"", "A320", "No airline"},
                 {"", "A320", "No airline, operated", false, "", "CLH"},
                 {"DLH", "A320", "Good"}});
    const LiveryTables& tables = gf_liveryTables();
    EXPECT_TRUE(tables.findTitle("No model").empty());
    EXPECT_TRUE(tables.findTitle("No airline").empty());
    EXPECT_TRUE(tables.findTitle("No airline, operated").empty());
    EXPECT_FALSE(tables.findTitle("Good").empty());
    EXPECT_TRUE(logHas(fmt::format("Invalid livery index: airl={}, opr=0, model=0, title=No model",
                                   lf_airline("DLH"))));
    EXPECT_TRUE(logHas(fmt::format(
        "Invalid livery index: airl=0, opr=0, model={}, title=No airline", lf_model("A320"))));
    EXPECT_TRUE(logHas(fmt::format("Invalid operator livery index: airl=0, opr={}, model={}, "
                                   "title=No airline, operated",
                                   lf_airline("CLH"), lf_model("A320"))));
    EXPECT_TRUE(logHas("    1 livery titles"));
}

TEST_F(LiveryTablesTest, OperatorGroupOutsideTheCodeTableIsDropped) {
    LiveryTables tables;
    LiveryRecord record;
    record.title = "Ghost operator";
    record.key = LiveryKey{lf_airline("DLH"), 60000, lf_model("A320"), 0, 0};
    LiveryRecord good;
    good.title = "Known operator";
    good.key = LiveryKey{lf_airline("DLH"), lf_airline("CLH"), lf_model("A320"), 0, 0};
    const std::vector<LiveryRecord> records = {good, record};
    gf_checkLiveryIndexes(tables, records);
    EXPECT_TRUE(logHas(
        fmt::format("operator (): invalid airline/operator while flushing: airline={}, opr=60000",
                    lf_airline("DLH"))));
    ASSERT_EQ(tables.airlineLiveryIndex.size(), 1u);
    EXPECT_EQ(tables.airlineLiveryIndex.begin()->first, lf_airline("DLHCLH"));
}

TEST_F(LiveryTablesTest, CategoriesAreReportedInTheirOrderWithTheirModels) {
    buildTables({{"DLH", "B744", "DLH 744"},
                 {"DLH", "A320", "DLH 320"},
                 {"BAW", "A320", "BAW 320"},
                 {"BAW", "A319", "BAW 319"},
                 {"FDX", "A320", "FDX 320", true},
                 {"NJE", "C25A", "NJE CJ"},
                 {"PVT", "BE58", "Baron"},
                 {"PVT", "C172", "Skyhawk"},
                 {"PVT", "C172", "Skyhawk 2"}});
    const auto lines = logLines();
    EXPECT_THAT(lf_section(lines, "Category Heavy", "No generic"),
                ElementsAre("Category Heavy: 1 pax liverie", "  B744",
                            "Category Large: 3 pax liveries and 1 cargo liverie", "  A320,A319",
                            "Category Bizjet: 1 pax liverie", "  C25A",
                            "Category TwoProps: 1 pax liverie", "  BE58",
                            "Category Light: 2 pax liveries", "  C172",
                            "Category Rotorcraft: No livery found",
                            "HELICOPTERS temporarily switched off because you do not have "
                            "Helicopters installed",
                            "Category HighPerf: No livery found",
                            "HIGH_PERF_AIRCRAFT temporarily switched off because you do not have "
                            "High Perf aircraft installed"));
    const LiveryTables& tables = gf_liveryTables();
    EXPECT_THAT(tables.categoryModels[static_cast<std::size_t>(AircraftCategory::Large)],
                ElementsAre(lf_model("A320"), lf_model("A319")));
    EXPECT_THAT(tables.categoryModels[static_cast<std::size_t>(AircraftCategory::Rotorcraft)],
                IsEmpty());
}

TEST_F(LiveryTablesTest, ModelCodesAreLoggedTwentyToALine) {
    std::vector<TestLivery> liveries;
    for (int i = 1; i <= 23; ++i) {
        liveries.push_back({"PVT", fmt::format("L{:03}", i), fmt::format("Light {}", i)});
    }
    buildTables(liveries);
    const auto section = lf_section(logLines(), "Category Light", "Category Rotorcraft");
    ASSERT_EQ(section.size(), 3u);
    EXPECT_EQ(section[0], "Category Light: 23 pax liveries");
    EXPECT_EQ(section[1], "  L001,L002,L003,L004,L005,L006,L007,L008,L009,L010,L011,L012,L013,"
                          "L014,L015,L016,L017,L018,L019,L020");
    EXPECT_EQ(section[2], "  L021,L022,L023");
}

class CategorySwitchTest : public testing::LiveryWorld {
protected:
    void SetUp() override {
        LiveryWorld::SetUp();
        static int counter = 0;
        const std::string name = fmt::format("LiveryCategorySwitch{}", counter++);
        className_.assign(name.begin(), name.end());
        winui::WNDCLASSEXW windowClass;
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = [](winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                                     winui::LPARAM lParam) {
            return winui::DefWindowProcW(hwnd, message, wParam, lParam);
        };
        windowClass.lpszClassName = className_.c_str();
        ASSERT_NE(winui::RegisterClassExW(&windowClass), 0);
        parent_ = winui::CreateWindowExW(0, className_.c_str(), u"options",
                                         winui::WS_POPUP | winui::WS_VISIBLE, 0, 0, 900, 768,
                                         nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        for (CheckboxParameter* box : {&params_->LIGHT_AIRCRAFT, &params_->TWO_PROPS,
                                       &params_->HELICOPTERS, &params_->HIGH_PERF_AIRCRAFT}) {
            const winui::HWND window = winui::CreateWindowExW(
                0, u"button", u"", winui::WS_CHILD | winui::WS_VISIBLE | winui::BS_CHECKBOX, 0, 0,
                14, 14, parent_,
                reinterpret_cast<winui::HMENU>(static_cast<winui::UINT_PTR>(box->controlId())),
                nullptr, nullptr);
            box->setWindow(window);
            box->showValue();
        }
    }
    void TearDown() override {
        for (CheckboxParameter* box : {&params_->LIGHT_AIRCRAFT, &params_->TWO_PROPS,
                                       &params_->HELICOPTERS, &params_->HIGH_PERF_AIRCRAFT}) {
            box->setWindow(nullptr);
        }
        winui::DestroyWindow(parent_);
        winui::MSG msg;
        while (winui::PeekMessageW(&msg, nullptr, 0, 0, winui::PM_REMOVE)) {
        }
        winui::UnregisterClassW(className_.c_str(), nullptr);
        LiveryWorld::TearDown();
    }

    std::optional<std::string> stored(std::string_view name) const {
        pugi::xml_document document;
        if (!document.load_file((workDir() / "appdata" / "parameters.xml").c_str())) {
            return std::nullopt;
        }
        return gf_findXmlParameterValue(document, name);
    }
    static bool enabled(const CheckboxParameter& box) {
        return winui::IsWindowEnabled(box.window()) != 0;
    }

    std::u16string className_;
    winui::HWND parent_ = nullptr;
};

TEST_F(CategorySwitchTest, CategoryWithoutLiveriesIsSwitchedOffSavedPublishedAndDisabled) {
    // Light was switched off by the user and its box disabled by an earlier start; TwoProps is
    // off too but has liveries now.
    params_->LIGHT_AIRCRAFT.setChecked(false);
    params_->TWO_PROPS.setChecked(false);
    params_->LIGHT_AIRCRAFT.enable(false);
    params_->TWO_PROPS.enable(false);
    buildTables({{"DLH", "A320", "DLH 320"}, {"PVT", "BE58", "Baron"}, {"PVT", "L39", "Jet"}});

    // Helicopters: on, nothing installed -> off, saved, disabled, logged.
    EXPECT_FALSE(params_->HELICOPTERS.value());
    EXPECT_EQ(stored("HELICOPTERS"), "false");
    EXPECT_FALSE(enabled(params_->HELICOPTERS));
    EXPECT_EQ(winui::SendMessageW(params_->HELICOPTERS.window(), winui::BM_GETCHECK, 0, 0),
              winui::BST_UNCHECKED);
    EXPECT_TRUE(logHas("HELICOPTERS temporarily switched off because you do not have "
                       "Helicopters installed"));
    // Light: already off, nothing installed -> stays disabled, no switch-off line.
    EXPECT_FALSE(enabled(params_->LIGHT_AIRCRAFT));
    EXPECT_FALSE(logContains("LIGHT_AIRCRAFT temporarily"));
    // TwoProps and HighPerf have liveries: enabled; the user's choice stays.
    EXPECT_TRUE(enabled(params_->TWO_PROPS));
    EXPECT_FALSE(params_->TWO_PROPS.value());
    EXPECT_TRUE(enabled(params_->HIGH_PERF_AIRCRAFT));
    EXPECT_TRUE(params_->HIGH_PERF_AIRCRAFT.value());

    const auto snapshot = gf_paramsSnapshot();
    EXPECT_FALSE(snapshot->HELICOPTERS);
    EXPECT_FALSE(snapshot->LIGHT_AIRCRAFT);
    EXPECT_FALSE(snapshot->TWO_PROPS);
    EXPECT_TRUE(snapshot->HIGH_PERF_AIRCRAFT);
    // Settings that the category report does not touch stay as they were published.
    EXPECT_EQ(snapshot->MATCHING_DEPTH, 4);
}

TEST_F(LiveryTablesTest, GenericLiveries) {
    buildTables({{"ZZZ", "A320", "Generic A320"},
                 {"ZZZ", "A320", "Generic A320 2"},
                 {"ZZZ", "B738", "Generic B738"},
                 {"DLH", "A319", "DLH 319"}});
    const auto lines = logLines();
    EXPECT_THAT(lf_section(lines, "2 models have", "-----"),
                ElementsAre("2 models have a generic livery", "  B738,A320"));
}

TEST_F(LiveryTablesTest, NoGenericLiveries) {
    buildTables({{"DLH", "A319", "DLH 319"}});
    EXPECT_TRUE(logHas("No generic liveries"));
    EXPECT_FALSE(logContains("have a generic livery"));
}

TEST_F(LiveryTablesTest, TheWindowLearnsTheCountAndTheListOfRecordsGoes) {
    buildTables({{"DLH", "A319", "DLH 319"}, {"DLH", "A320", "DLH 320"}});
    ASSERT_EQ(updates_.size(), 2u);
    ASSERT_NE(updates_[0].get<GuiUpdate::LiveriesCount>(), nullptr);
    EXPECT_EQ(updates_[0].get<GuiUpdate::LiveriesCount>()->count, 2u);
    ASSERT_NE(updates_[1].get<GuiUpdate::Redraw>(), nullptr);
    EXPECT_EQ(updates_[1].get<GuiUpdate::Redraw>()->flags.bits(), 1);
    EXPECT_THAT(gf_installedLiveries(), IsEmpty());
    EXPECT_EQ(gui_->state().liveriesCount, 2u);
}

TEST_F(LiveryTablesTest, TheLogFramesTheWork) {
    // A clash report of an earlier start goes; the scan's own reports stay with the file they
    // describe.
    testing::writeTextFile(gf_errorsFolder() / "InlineRegcodes.txt", "from an earlier start");
    testing::writeTextFile(gf_errorsFolder() / "InvalidAirlineCodes.txt", "XXQ in ...");
    buildTables({{"DLH", "A319", "DLH 319"}});
    EXPECT_FALSE(fs::exists(gf_errorsFolder() / "InlineRegcodes.txt"));
    EXPECT_TRUE(fs::exists(gf_errorsFolder() / "InvalidAirlineCodes.txt"));
    const auto lines = logLines();
    const auto begin =
        std::find(lines.begin(), lines.end(), "+++++ processing scanned liveries +++++");
    const auto end =
        std::find(lines.begin(), lines.end(), "----- end of processing scanned liveries ------");
    ASSERT_NE(begin, lines.end());
    ASSERT_NE(end, lines.end());
    EXPECT_LT(begin, end);
    EXPECT_TRUE(logHas("    0 registration codes"));
    EXPECT_TRUE(logHas(" "));
}

TEST_F(LiveryTablesTest, AFileThatCannotBeReadStopsTheStartAndLeavesNoTables) {
    buildTables({{"DLH", "A319", "DLH 319"}});
    ASSERT_FALSE(gf_liveryTables().findTitle("DLH 319").empty());
    fs::remove(gf_liveriesScannedPath());
    try {
        gf_processScannedLiveries(*gui_, *params_);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), fmt::format("{} could not be read completely",
                                                         gf_liveriesScannedPath().string()));
    }
    EXPECT_TRUE(gf_liveryTables().findTitle("DLH 319").empty());
    EXPECT_TRUE(gf_liveryTables().airlineLiveryIndex.empty());
}

TEST_F(LiveryTablesTest, SimilarModelsLearnWhatIsInstalled) {
    buildTables({{"DLH", "A320", "DLH 320"}, {"BAW", "A321", "BAW 321"}});
    std::vector<std::string> similar;
    for (const auto id : gf_similarModels(lf_model("A319"))) {
        similar.push_back(gf_modelCode(id));
    }
    EXPECT_THAT(similar, ElementsAre("A320", "A321"));
    EXPECT_EQ(gf_similarModelsOfAirline(lf_airline("DLH"), lf_model("A319")).size(), 1u);
    // By model: A319, A320, A321; by airline: DLH for A319 and A321, BAW for A319 and A320.
    EXPECT_TRUE(logHas("    7 similar model definitions"));
}

} // namespace
} // namespace skyloom
