// The livery scan driver on fixture Community folders and lfolder settings: the folders it
// chooses, the count it shows, the controls it disables, what it tells the user when it cannot
// go on, and that it always ends cleanly.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "foundation/user_related_exception.h"
#include "gui/gui.h"
#include "liveries/liveries_scanned_file.h"
#include "liveries/livery_scan.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_state.h"
#include "runtime/gui_update.h"
#include "tests/liveries/support/scan_test_support.h"
#include "tests/support/shared_data.h"

namespace fs = std::filesystem;

namespace skyloom::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

winui::LRESULT lf_parentProc(winui::HWND hwnd, winui::UINT message, winui::WPARAM wParam,
                             winui::LPARAM lParam) {
    return winui::DefWindowProcW(hwnd, message, wParam, lParam);
}

constexpr char16_t kParentClass[] = u"LiveryScanTestParent";

class LiveryScanDriverTest : public LiveryScanTest {
protected:
    void SetUp() override {
        LiveryScanTest::SetUp();
        gui_.recordGuiThread();
        gui_.setAppliedUpdateObserver([this](const GuiUpdate& update, GuiRedrawFlags) {
            if (const auto* status = update.get<GuiUpdate::StatusText>()) {
                statuses_.push_back(status->text);
            }
        });
        createControls();
        for (int i = 0; i < 10; ++i) {
            settings_.folderParameters.push_back({fmt::format("lfolder{}", i), ""});
        }
        settings_.packageChoice = 0; // "AIG, FSLTL, JF, MTL"
        settings_.communityFolder = community();
        services_.keepRunning = [this] { return keepRunning_; };
        services_.packageSelector = &packageSelector_;
        services_.skipScanBox = &skipScanBox_;
        services_.openParametersFolder = [this] { ++parameterFolderOpened_; };
        services_.scan = &scan_;
        services_.records = &records_;
    }
    void TearDown() override {
        packageSelector_.setWindow(nullptr);
        skipScanBox_.setWindow(nullptr);
        if (parent_ != nullptr) {
            winui::DestroyWindow(parent_);
        }
        winui::UnregisterClassW(kParentClass, nullptr);
        gui_.stopUpdates();
        LiveryScanTest::TearDown();
    }

    void createControls() {
        winui::WNDCLASSEXW windowClass;
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &lf_parentProc;
        windowClass.lpszClassName = kParentClass;
        winui::RegisterClassExW(&windowClass);
        parent_ = winui::CreateWindowExW(0, kParentClass, u"options", winui::WS_POPUP, 0, 0, 400,
                                         300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        packageSelector_.setWindow(
            winui::CreateWindowExW(0, u"ComboBox", u"", winui::WS_CHILD | winui::CBS_DROPDOWNLIST,
                                   0, 0, 100, 100, parent_, nullptr, nullptr, nullptr));
        skipScanBox_.setWindow(winui::CreateWindowExW(0, u"button", u"",
                                                      winui::WS_CHILD | winui::BS_CHECKBOX, 0, 40,
                                                      14, 14, parent_, nullptr, nullptr, nullptr));
        ASSERT_NE(packageSelector_.window(), nullptr);
        ASSERT_NE(skipScanBox_.window(), nullptr);
    }

    void scan() { gf_scanLiveries(settings_, services_); }

    // The UserRelatedException a scan ends with; fails the test without one.
    UserRelatedException scanFailure() {
        try {
            scan();
        } catch (const UserRelatedException& e) {
            return e;
        }
        ADD_FAILURE() << "the scan ended without a UserRelatedException";
        return UserRelatedException(0, "");
    }

    void expectEndedCleanly() {
        EXPECT_TRUE(log_.has("++++++++++++++++++++++++ liveries scan ends "
                             "++++++++++++++++++++++++++++++++"));
        EXPECT_TRUE(gui_.state().statusLine.empty());
        EXPECT_THAT(scan_.titles, IsEmpty());
        EXPECT_THAT(scan_.dontUseTitles, IsEmpty());
        EXPECT_TRUE(scan_.reports.noErrors());
        EXPECT_THAT(scan_.reports.noFltsimSection, IsEmpty());
        // The package choice is open again exactly when it is what the scan went by.
        EXPECT_EQ(packageSelector_.isEnabled(), settings_.automatic);
    }

    void setFolder(int index, const fs::path& folder) {
        settings_.folderParameters[static_cast<std::size_t>(index)].value = folder.string();
    }

    Gui gui_;
    LiveryScanSettings settings_;
    LiveryScanServices services_{gui_};
    bool keepRunning_ = true;
    int parameterFolderOpened_ = 0;
    std::vector<std::string> statuses_;
    winui::HWND parent_ = nullptr;
    OptionControl packageSelector_{1, ControlLayout{}};
    OptionControl skipScanBox_{2, ControlLayout{}};
};

TEST_F(LiveryScanDriverTest, AnAutomaticScanShowsTheCountOfItsPackages) {
    addPackageAircraft("fsltl-traffic-base", "a320", "A320", {{"FSLTL DLH", "DLH"}});
    addPackageAircraft("aig-aitraffic-oci", "a320", "A320",
                       {{"AIG DLH", "DLH"}, {"AIG KLM", "KLM"}});
    addPackageAircraft("my-user-aitraffic", "b738", "B738", {{"User BAW", "BAW"}});
    addPackageAircraft("justflight-aircraft-traffic-fleet_CVT_", "b738", "B738",
                       {{"Converted", "BAW"}});

    scan();

    // AIG comes first: its Lufthansa livery beats the FSLTL one.
    EXPECT_THAT(titles(records_), UnorderedElementsAre("AIG DLH", "AIG KLM", "User BAW"));
    EXPECT_EQ(gui_.state().liveriesCount, 3u);
    EXPECT_THAT(statuses_, ElementsAre("Scanning for liveries ..."));
    EXPECT_TRUE(log_.has("++++++++++++++++++++++++ liveries scan automatic starts "
                         "++++++++++++++++++++++++++++++++"));
    EXPECT_TRUE(fs::exists(scannedFile()));
    EXPECT_TRUE(skipScanBox_.isEnabled());
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AManualScanReadsOnlyTheFoldersSet) {
    const fs::path set = dir_ / "liveries3";
    const fs::path other = dir_ / "liveries0";
    writeAircraftCfg(set / "a320", "A320", {{"Manual DLH", "DLH"}});
    writeAircraftCfg(other / "a320", "A320", {{"Not set", "DLH"}});
    settings_.automatic = false;
    setFolder(3, set);

    scan();

    EXPECT_THAT(titles(records_), ElementsAre("Manual DLH"));
    EXPECT_EQ(gui_.state().liveriesCount, 1u);
    EXPECT_TRUE(log_.has("++++++++++++++++++++++++ liveries scan manual starts "
                         "++++++++++++++++++++++++++++++++"));
    EXPECT_TRUE(log_.has(fmt::format("    1 liverie found in {}", set.string())));
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AMissingLfolderStopsTheScanBeforeAnythingIsScanned) {
    const fs::path good = dir_ / "good";
    writeAircraftCfg(good / "a320", "A320", {{"Good", "DLH"}});
    const fs::path missing = dir_ / "missing";
    writeCfgBytes(infoFolder() / "ObjectIdList.txt", "from the last run");
    settings_.automatic = false;
    setFolder(0, good);
    setFolder(1, missing);
    setFolder(2, dir_ / "also-missing");

    const UserRelatedException failure = scanFailure();

    EXPECT_EQ(failure.code(), 243);
    EXPECT_EQ(failure.text(),
              "the path pointed to by parameter 'lfolder1' does not exist, see Log.txt!");
    EXPECT_TRUE(log_.has(fmt::format("==> lfolder1: '{}' does not exist", missing.string())));
    EXPECT_FALSE(log_.contains("lfolder2:")) << "the first missing folder ends the check";
    EXPECT_TRUE(log_.has(fmt::format("==> Liveries scan failed: {}", failure.what())));
    EXPECT_TRUE(fs::exists(infoFolder() / "ObjectIdList.txt")) << "nothing was scanned";
    EXPECT_FALSE(skipScanBox_.isEnabled());
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AManualScanWithoutFoldersOpensTheParametersFolder) {
    settings_.automatic = false;
    const UserRelatedException failure = scanFailure();
    EXPECT_EQ(failure.code(), 48);
    EXPECT_EQ(failure.text(),
              "Exit Skyloom first!   Then set one or more lfolder parameters to your liveries");
    EXPECT_EQ(parameterFolderOpened_, 1);
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AnAutomaticScanWithoutPackagesSaysSo) {
    const std::string text = "Automatic scan has not found any AI packages, choose a different "
                             "selection, or switch to Manual mode";
    // A Community folder without packages.
    fs::create_directories(community() / "asobo-aircraft-c172");
    UserRelatedException failure = scanFailure();
    EXPECT_EQ(failure.code(), 148);
    EXPECT_EQ(failure.text(), text);

    // No Community folder at all.
    settings_.communityFolder.reset();
    failure = scanFailure();
    EXPECT_EQ(failure.code(), 148);
    EXPECT_EQ(parameterFolderOpened_, 0);
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, FoldersWithoutLiveriesKeepThePreviousFile) {
    writeCfgBytes(scannedFile(), "the previous scan");
    // A package whose only aircraft.cfg cannot be used: its report lines go with the scan.
    writeCfgBytes(community() / "aig-aitraffic-oci" / "x" / "aircraft.cfg",
                  "[fltsim.0]\ntitle=No model\n");

    UserRelatedException failure = scanFailure();
    EXPECT_EQ(failure.code(), 553);
    EXPECT_EQ(failure.text(), "Automatic scan has not found any liveries in your packages, "
                              "choose a different selection, or go to Manual mode");
    EXPECT_EQ(readCfgBytes(scannedFile()), "the previous scan");
    EXPECT_EQ(gui_.state().liveriesCount, 0u);
    expectEndedCleanly();

    settings_.automatic = false;
    setFolder(5, community() / "aig-aitraffic-oci");
    failure = scanFailure();
    EXPECT_EQ(failure.code(), 554);
    EXPECT_EQ(failure.text(), "no liveries found");
    EXPECT_EQ(readCfgBytes(scannedFile()), "the previous scan");
}

TEST_F(LiveryScanDriverTest, AStopRequestEndsTheScanQuietly) {
    addPackageAircraft("aig-aitraffic-oci", "a320", "A320", {{"AIG DLH", "DLH"}});
    keepRunning_ = false;
    EXPECT_NO_THROW(scan());
    EXPECT_TRUE(log_.has("Liveries scan cancelled"));
    EXPECT_FALSE(log_.contains("Liveries scan failed"));
    EXPECT_FALSE(fs::exists(scannedFile()));
    EXPECT_EQ(gui_.state().liveriesCount, 0u);
    EXPECT_TRUE(skipScanBox_.isEnabled());
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AFileThatCannotBeCommittedIsASystemError) {
    addPackageAircraft("aig-aitraffic-oci", "a320", "A320", {{"AIG DLH", "DLH"}});
    fs::create_directories(scannedFile() / "in-the-way");
    try {
        scan();
        FAIL() << "no exception";
    } catch (const UserRelatedException&) {
        FAIL() << "a failed commit is no user error";
    } catch (const std::runtime_error& e) {
        const std::string text =
            fmt::format("the new {} could not be committed safely", scannedFile().string());
        EXPECT_EQ(e.what(), text);
        EXPECT_TRUE(log_.has("==> Liveries scan failed: " + text));
    }
    EXPECT_TRUE(skipScanBox_.isEnabled());
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AnUnsetPackageChoiceIsAnError) {
    addPackageAircraft("aig-aitraffic-oci", "a320", "A320", {{"AIG DLH", "DLH"}});
    settings_.packageChoice.reset();
    EXPECT_THROW(
        {
            try {
                scan();
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "AI_PACKAGE_SELECTOR not set");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_TRUE(log_.has("==> Liveries scan failed: AI_PACKAGE_SELECTOR not set"));
    expectEndedCleanly();
}

TEST_F(LiveryScanDriverTest, AScanWithoutWorkingDataIsRefused) {
    services_.records = nullptr;
    EXPECT_THROW(scan(), std::invalid_argument);
}

TEST_F(LiveryScanDriverTest, TheRealAigBetaPackageIsFoundAndScannedOnlyForMsfs2020) {
    SKYLOOM_REQUIRE_SHARED(real,
                           "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/Community");
    settings_.communityFolder = real;
    settings_.msfs2020 = true;

    scan();

    const fs::path beta = real / "aig-aitraffic-oci-beta";
    EXPECT_TRUE(log_.has(fmt::format("Automatic AIG scan found folder: '{}'", beta.string())));
    EXPECT_FALSE(log_.contains(fmt::format("No liveries found in {}", beta.string())));
    EXPECT_FALSE(records_.empty());
    EXPECT_EQ(gui_.state().liveriesCount, records_.size());
    for (const LiveryRecord& record : records_) {
        EXPECT_EQ(record.packageRank, 1) << record.title;
    }
    EXPECT_EQ(gf_loadLiveriesScanned(scannedFile()).size(), records_.size());

    // For MSFS 2024 the beta package is no AIG package.
    settings_.msfs2020 = false;
    EXPECT_EQ(scanFailure().code(), 148);
}

TEST_F(LiveryScanDriverTest, RealPackagesSetAsLfoldersAreScannedInTheirOrder) {
    SKYLOOM_REQUIRE_SHARED(fsltl, "data/aircraftcfg/jopeek-fsltl-canada-air-virtual-pack");
    SKYLOOM_REQUIRE_SHARED(aig,
                           "data/aircraftcfg/Samueleonard-AIG-ModelMatching-For-MSFS/Community/"
                           "aig-aitraffic-oci-beta");
    settings_.automatic = false;
    setFolder(0, fsltl);
    setFolder(4, aig);

    scan();

    for (const fs::path& folder : {fsltl, aig}) {
        EXPECT_FALSE(log_.contains(fmt::format("No liveries found in {}", folder.string())))
            << folder;
        EXPECT_TRUE(log_.contains(fmt::format("found in {}", folder.string()))) << folder;
    }
    EXPECT_TRUE(log_.contains(" in total"));
    const auto ofRank = [this](int rank) {
        return std::count_if(records_.begin(), records_.end(),
                             [rank](const LiveryRecord& r) { return r.packageRank == rank; });
    };
    EXPECT_GT(ofRank(1), 0) << "lfolder0 has the first rank";
    EXPECT_GT(ofRank(2), 0) << "lfolder4, the next folder set, the second";
    EXPECT_EQ(ofRank(1) + ofRank(2), static_cast<long>(records_.size()));
    EXPECT_EQ(gui_.state().liveriesCount, records_.size());
    EXPECT_TRUE(std::is_sorted(records_.begin(), records_.end(), &gf_liveryLess));
}

TEST(LiveriesScanNeeded, OnlyASkipWithAFileSkips) {
    TempDir dir;
    const fs::path file = dir / "LiveriesScanned_MSFS2024.xml";
    EXPECT_TRUE(gf_liveriesScanNeeded(false, file));
    EXPECT_TRUE(gf_liveriesScanNeeded(true, file)) << "no file: the scan runs all the same";
    writeCfgBytes(file, "<root/>");
    EXPECT_TRUE(gf_liveriesScanNeeded(false, file));
    EXPECT_FALSE(gf_liveriesScanNeeded(true, file));
}

TEST_F(LiveryScanDriverTest, TheProgramSettingsNameTheTenFoldersInOrder) {
    ProgramParameters& parameters = gf_params();
    const std::string old3 = parameters.lfolder[3].value();
    const fs::path oldInstall = parameters.MSFS_2024_INSTALL_PATH.value();
    parameters.lfolder[3].assign("/liveries/three");
    parameters.MSFS_2024_INSTALL_PATH.assign(packagesRoot());

    const LiveryScanSettings settings = gf_liveryScanSettings();

    parameters.lfolder[3].assign(old3);
    parameters.MSFS_2024_INSTALL_PATH.assign(oldInstall);
    ASSERT_EQ(settings.folderParameters.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(settings.folderParameters[i].name, fmt::format("lfolder{}", i));
    }
    EXPECT_EQ(settings.folderParameters[3].value, "/liveries/three");
    EXPECT_EQ(settings.communityFolder, community());
    EXPECT_FALSE(settings.msfs2020);
}

} // namespace
} // namespace skyloom::testing
