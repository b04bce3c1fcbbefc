#include "config/msfs_installation.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include <fmt/format.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "foundation/log_file.h"
#include "tests/config/support/config_test_support.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::writeTextFile;

// A user's machine in a temporary folder: Roaming and Local AppData, and packages folders.
class InstallationTest : public ::testing::Test {
protected:
    InstallationTest()
        : roaming_("SKYLOOM_APPDATA", dir_ / "Roaming"),
          local_("SKYLOOM_LOCALAPPDATA", dir_ / "Local") {
        LogFile::openIn(dir_.path());
    }
    ~InstallationTest() override { LogFile::close(); }

    fs::path storeUserCfg(SimChoice simulator) {
        return dir_ / "Local" / "Packages" /
               (simulator == SimChoice::msfs2020 ? "Microsoft.FlightSimulator_8wekyb3d8bbwe"
                                                 : "Microsoft.Limitless_8wekyb3d8bbwe") /
               "LocalCache" / "UserCfg.opt";
    }
    fs::path steamUserCfg(SimChoice simulator) {
        return dir_ / "Roaming" /
               (simulator == SimChoice::msfs2020 ? "Microsoft Flight Simulator"
                                                 : "Microsoft Flight Simulator 2024") /
               "UserCfg.opt";
    }
    // A UserCfg.opt as the simulator writes it, naming `root`.
    static void writeUserCfg(const fs::path& file, const fs::path& root) {
        writeTextFile(file, "Version 66\r\n{Graphics\r\n\tVersion 1.1.0\r\n}\r\n"
                            "InstalledPackagesPath \"" +
                                root.string() + "\"\r\nLastUsedPackagesPath \"\"\r\n");
    }
    fs::path makePackages(std::string_view name, std::initializer_list<std::string_view> folders) {
        const fs::path root = dir_ / name;
        for (std::string_view folder : folders) {
            fs::create_directories(root / folder);
        }
        fs::create_directories(root);
        return root;
    }

    skyloom::testing::TempDir dir_;
    testing::EnvOverride roaming_;
    testing::EnvOverride local_;
};

TEST_F(InstallationTest, StandardPlacesAreTheStoreBuildThenTheSteamBuild) {
    const auto places2020 = gf_userCfgCandidates(SimChoice::msfs2020);
    ASSERT_EQ(places2020.size(), 2u);
    EXPECT_EQ(places2020[0].file, storeUserCfg(SimChoice::msfs2020));
    EXPECT_EQ(places2020[0].variant, "Microsoft Store");
    EXPECT_EQ(places2020[1].file, steamUserCfg(SimChoice::msfs2020));
    const auto places2024 = gf_userCfgCandidates(SimChoice::msfs2024);
    ASSERT_EQ(places2024.size(), 2u);
    EXPECT_EQ(places2024[0].file, storeUserCfg(SimChoice::msfs2024));
    EXPECT_EQ(places2024[1].file, steamUserCfg(SimChoice::msfs2024));
}

struct FoundCase {
    SimChoice simulator;
    bool steam;
};

class FindInstallationTest : public InstallationTest,
                             public ::testing::WithParamInterface<FoundCase> {};

TEST_P(FindInstallationTest, TheUserCfgOptOfEachBuildGivesThePackagesFolder) {
    const FoundCase c = GetParam();
    const fs::path root = c.simulator == SimChoice::msfs2020
                              ? makePackages("Pk20", {"Community", "Official"})
                              : makePackages("Pk24", {"Community", "Community2024", "Official2024",
                                                      "StreamedPackages"});
    const fs::path userCfg = c.steam ? steamUserCfg(c.simulator) : storeUserCfg(c.simulator);
    writeUserCfg(userCfg, root);
    // The other simulator's places name a folder of their own, which must not be taken.
    const SimChoice other =
        c.simulator == SimChoice::msfs2020 ? SimChoice::msfs2024 : SimChoice::msfs2020;
    writeUserCfg(storeUserCfg(other), makePackages("Other", {"Community"}));

    const InstallationSearch search = gf_findMsfsInstallation(c.simulator);
    ASSERT_TRUE(search.packagesRoot.has_value());
    EXPECT_EQ(*search.packagesRoot, root);
    EXPECT_EQ(search.userCfg, userCfg);
}

INSTANTIATE_TEST_SUITE_P(Builds, FindInstallationTest,
                         ::testing::Values(FoundCase{SimChoice::msfs2020, false},
                                           FoundCase{SimChoice::msfs2020, true},
                                           FoundCase{SimChoice::msfs2024, false},
                                           FoundCase{SimChoice::msfs2024, true}));

TEST_F(InstallationTest, AStoreFileNamingAMissingFolderGivesWayToSteam) {
    writeUserCfg(storeUserCfg(SimChoice::msfs2024), dir_ / "gone");
    const fs::path root = makePackages("Pk24", {"Community"});
    writeUserCfg(steamUserCfg(SimChoice::msfs2024), root);
    const InstallationSearch search = gf_findMsfsInstallation(SimChoice::msfs2024);
    ASSERT_TRUE(search.packagesRoot.has_value());
    EXPECT_EQ(*search.packagesRoot, root);
    ASSERT_EQ(search.notes.size(), 1u);
    EXPECT_THAT(search.notes[0], HasSubstr("does not exist"));
}

TEST_F(InstallationTest, NoUserCfgOptMeansNoInstallation) {
    const InstallationSearch search = gf_findMsfsInstallation(SimChoice::msfs2020);
    EXPECT_FALSE(search.packagesRoot.has_value());
    ASSERT_EQ(search.notes.size(), 2u);
    EXPECT_THAT(search.notes[0], HasSubstr("Microsoft Store"));
    EXPECT_THAT(search.notes[0], HasSubstr("does not exist"));
    EXPECT_THAT(search.notes[1], HasSubstr("Steam"));
}

TEST_F(InstallationTest, AnUnreadableUserCfgOptIsReportedAndPassedOver) {
    // A folder in the file's place cannot be read as a file, even by a privileged user.
    fs::create_directories(storeUserCfg(SimChoice::msfs2020));
    const UserCfgReading reading = gf_readInstalledPackagesPath(storeUserCfg(SimChoice::msfs2020));
    EXPECT_FALSE(reading.packagesRoot.has_value());
    EXPECT_THAT(reading.problem, HasSubstr("cannot be read"));
    const InstallationSearch search = gf_findMsfsInstallation(SimChoice::msfs2020);
    EXPECT_FALSE(search.packagesRoot.has_value());
    EXPECT_THAT(search.notes[0], HasSubstr("cannot be read"));
}

struct UserCfgCase {
    const char* name;
    std::string content;
    std::optional<std::string> root; // relative to nothing: compared as text
    const char* problem;
};

class ReadUserCfgTest : public InstallationTest,
                        public ::testing::WithParamInterface<UserCfgCase> {};

TEST_P(ReadUserCfgTest, FindsTheInstalledPackagesPathLine) {
    const fs::path file = dir_ / "UserCfg.opt";
    writeTextFile(file, GetParam().content);
    const UserCfgReading reading = gf_readInstalledPackagesPath(file);
    if (GetParam().root) {
        ASSERT_TRUE(reading.packagesRoot.has_value()) << reading.problem;
        EXPECT_EQ(reading.packagesRoot->string(), *GetParam().root);
    } else {
        EXPECT_FALSE(reading.packagesRoot.has_value());
        EXPECT_THAT(reading.problem, HasSubstr(GetParam().problem));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ReadUserCfgTest,
    ::testing::Values(
        UserCfgCase{"Quoted", "InstalledPackagesPath \"/d/MSFS Packages\"\n", "/d/MSFS Packages",
                    ""},
        UserCfgCase{"TrailingSeparator", "InstalledPackagesPath \"/d/Packages/\"\n", "/d/Packages",
                    ""},
        UserCfgCase{"Unquoted", "\tInstalledPackagesPath /d/Packages  \r\n", "/d/Packages", ""},
        UserCfgCase{"KeyInAnyCase", "installedpackagespath \"/d/P\"\n", "/d/P", ""},
        UserCfgCase{"ByteOrderMark", "\xEF\xBB\xBFInstalledPackagesPath \"/d/\xC3\xBC\"\n",
                    "/d/\xC3\xBC", ""},
        UserCfgCase{"OtherKeyFirst",
                    "InstalledPackagesPathOld \"/old\"\nInstalledPackagesPath \"/new\"\n", "/new",
                    ""},
        UserCfgCase{"NoLine", "Version 66\n{Video\n}\n", std::nullopt,
                    "has no InstalledPackagesPath"},
        UserCfgCase{"EmptyQuotes", "InstalledPackagesPath \"\"\n", std::nullopt,
                    "names an empty InstalledPackagesPath"},
        UserCfgCase{"Empty", "", std::nullopt, "has no InstalledPackagesPath"}),
    [](const ::testing::TestParamInfo<UserCfgCase>& info) { return info.param.name; });

// --- Install paths hold the packages root ---

TEST_F(InstallationTest, SubfoldersAreFoundUnderThePackagesRoot) {
    ProgramParameters parameters;
    const fs::path root = makePackages("Pk20", {"Community", "Official"});
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "Community"), std::nullopt)
        << "no root known yet";
    parameters.MSFS_INSTALL_PATH.assign(root);
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "Community"), root / "Community");
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "Official"), root / "Official");
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "StreamedPackages"), std::nullopt);
    EXPECT_EQ(gf_installSubfolderOf(parameters, false, "Community"), std::nullopt)
        << "the other simulator's path is separate";
    // A path saved as the Community folder itself never leads into Community/Community.
    parameters.MSFS_INSTALL_PATH.assign(root / "Community");
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "Community"), root / "Community");
    EXPECT_EQ(gf_installSubfolderOf(parameters, true, "Official"), root / "Official");
}

TEST(PackagesRootTest, ACommunityFolderStandsForItsParent) {
    EXPECT_EQ(gf_packagesRootOf("/a/Packages/Community"), fs::path("/a/Packages"));
    EXPECT_EQ(gf_packagesRootOf("/a/Packages/COMMUNITY/"), fs::path("/a/Packages"));
    EXPECT_EQ(gf_packagesRootOf("/a/Packages"), fs::path("/a/Packages"));
    EXPECT_EQ(gf_packagesRootOf("/a/Packages/"), fs::path("/a/Packages"));
    EXPECT_EQ(gf_packagesRootOf("/a/Community2024"), fs::path("/a/Community2024"));
}

TEST_F(InstallationTest, APickedCommunityFolderIsCheckedAndItsParentKept) {
    // The picked name is compared without regard to case; the root must hold "Community"
    // by its exact name, which the later scans use. (Where names ignore case, as on Windows,
    // the two are one folder.)
    const fs::path root = makePackages("Pk20", {"community", "Community", "Official"});
    const CommunityFolderCheck check =
        gf_checkCommunityFolder(root / "community", SimChoice::msfs2020);
    EXPECT_TRUE(check.accepted());
    EXPECT_EQ(check.packagesRoot, root);
    EXPECT_THAT(check.missingSiblings, IsEmpty());
    EXPECT_THAT(check.accessErrors, IsEmpty());

    skyloom::testing::TempDir settings;
    ParametersStore store;
    ProgramParameters parameters(&store);
    const std::vector<Parameter*> kept = parameters.persisted();
    store.load(settings / "parameters.xml", kept);
    EXPECT_TRUE(gf_acceptCommunityFolder(parameters, SimChoice::msfs2020, check));
    EXPECT_EQ(parameters.MSFS_INSTALL_PATH.value(), root) << "the root, not Community";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file((settings / "parameters.xml").c_str()));
    EXPECT_EQ(gf_findXmlParameterValue(document, "MSFS_INSTALL_PATH"), root.string());
    EXPECT_TRUE(parameters.MSFS_2024_INSTALL_PATH.empty());
}

TEST_F(InstallationTest, MissingSiblingsAreWarningsOnly) {
    const fs::path root2020 = makePackages("Pk20", {"Community"});
    const CommunityFolderCheck check2020 =
        gf_checkCommunityFolder(root2020 / "Community", SimChoice::msfs2020);
    EXPECT_TRUE(check2020.accepted());
    EXPECT_THAT(check2020.missingSiblings, ElementsAre("Official"));

    const fs::path root2024 = makePackages("Pk24", {"Community", "Community2024"});
    const CommunityFolderCheck check2024 =
        gf_checkCommunityFolder(root2024 / "Community", SimChoice::msfs2024);
    EXPECT_TRUE(check2024.accepted());
    EXPECT_THAT(check2024.missingSiblings, ElementsAre("StreamedPackages"));
}

TEST_F(InstallationTest, AWrongPickIsRefusedWithItsReason) {
    const fs::path root = makePackages("Pk20", {"Community", "Official"});
    EXPECT_EQ(gf_checkCommunityFolder(root / "Nope", SimChoice::msfs2020).error,
              CommunityCheckError::notFound);
    EXPECT_EQ(gf_checkCommunityFolder(root / "Official", SimChoice::msfs2020).error,
              CommunityCheckError::notCommunity);
    const CommunityFolderCheck packages = gf_checkCommunityFolder(root, SimChoice::msfs2020);
    EXPECT_TRUE(packages.accepted() && packages.pickedPackagesFolder) << "the packages folder";
    EXPECT_EQ(packages.packagesRoot, root);
    fs::create_directories(root / "Community2");
    EXPECT_EQ(gf_checkCommunityFolder(root / "Community2", SimChoice::msfs2020).error,
              CommunityCheckError::notCommunity);
    writeTextFile(dir_ / "Elsewhere" / "Community", "a file, not a folder");
    EXPECT_EQ(gf_checkCommunityFolder(dir_ / "Elsewhere" / "Community", SimChoice::msfs2020).error,
              CommunityCheckError::notFound);
    const CommunityFolderCheck refused =
        gf_checkCommunityFolder(root / "Nope", SimChoice::msfs2020);
    ProgramParameters parameters;
    EXPECT_FALSE(gf_acceptCommunityFolder(parameters, SimChoice::msfs2020, refused));
    EXPECT_TRUE(parameters.MSFS_INSTALL_PATH.empty());
}

TEST_F(InstallationTest, ALowerCaseCommunityWithoutTheExactNameHasNoRoot) {
    const fs::path root = makePackages("Pk20", {"community", "Official"});
    if (fs::exists(root / "Community")) {
        GTEST_SKIP() << "this file system ignores the letter case of names";
    }
    const CommunityFolderCheck check =
        gf_checkCommunityFolder(root / "community", SimChoice::msfs2020);
    EXPECT_EQ(check.error, CommunityCheckError::noPackagesRoot)
        << "the scans would look for root/Community and find nothing";
    EXPECT_THAT(check.accessErrors, IsEmpty());
    ProgramParameters parameters;
    EXPECT_FALSE(gf_acceptCommunityFolder(parameters, SimChoice::msfs2020, check));
}

// A folder whose status cannot be read (here a link to itself) carries the system's error
// code, its path and message, for the window's "Error {} accessing ..." lines.
TEST_F(InstallationTest, FoldersThatCannotBeTestedAreReportedWithCodeAndPath) {
    struct Case {
        const char* name;
        std::vector<const char*> folders; // made below the packages root
        const char* linked;               // made a link to itself below the root
        const char* picked;
        SimChoice simulator;
        CommunityCheckError error;
        bool pickedFolder;
        std::vector<std::string> missing;
    };
    const std::vector<Case> cases{
        {"the picked folder",
         {},
         "Community",
         "Community",
         SimChoice::msfs2020,
         CommunityCheckError::accessFailed,
         true,
         {}},
        {"the root's Community",
         {"community"},
         "Community",
         "community",
         SimChoice::msfs2020,
         CommunityCheckError::noPackagesRoot,
         false,
         {}},
        {"a sibling",
         {"Community", "Community2024"},
         "StreamedPackages",
         "Community",
         SimChoice::msfs2024,
         CommunityCheckError::none,
         false,
         {"StreamedPackages"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = dir_ / c.name;
        fs::create_directories(root);
        for (const char* folder : c.folders) {
            fs::create_directories(root / folder);
        }
        fs::create_symlink(c.linked, root / c.linked);

        const CommunityFolderCheck check = gf_checkCommunityFolder(root / c.picked, c.simulator);
        EXPECT_EQ(check.error, c.error);
        EXPECT_EQ(check.missingSiblings, c.missing);
        ASSERT_EQ(check.accessErrors.size(), 1u);
        const FolderAccessError& error = check.accessErrors[0];
        EXPECT_EQ(error.code, ELOOP);
        EXPECT_EQ(error.path, root / c.linked);
        EXPECT_EQ(error.pickedFolder, c.pickedFolder);
        EXPECT_FALSE(error.message.empty());
        const std::string shown = (root / c.linked).string();
        EXPECT_EQ(gf_folderAccessErrorText(error),
                  c.pickedFolder
                      ? fmt::format("Error {} accessing install path '{}': {}", ELOOP, shown,
                                    error.message)
                      : fmt::format("Error {} accessing '{}': {}", ELOOP, shown, error.message));
    }
}

TEST_F(InstallationTest, StartUpTakesUserCfgOptFirstThenTheSavedPath) {
    ProgramParameters parameters;
    EXPECT_EQ(gf_locateMsfsInstallation(parameters, SimChoice::msfs2024), std::nullopt);

    // A path saved as a Community folder is turned into its root.
    const fs::path saved = makePackages("Saved24", {"Community"});
    parameters.MSFS_2024_INSTALL_PATH.assign(saved / "Community");
    EXPECT_EQ(gf_locateMsfsInstallation(parameters, SimChoice::msfs2024), saved);
    EXPECT_EQ(parameters.MSFS_2024_INSTALL_PATH.value(), saved);

    // UserCfg.opt wins over what was saved.
    const fs::path found = makePackages("Found24", {"Community", "StreamedPackages"});
    writeUserCfg(steamUserCfg(SimChoice::msfs2024), found);
    EXPECT_EQ(gf_locateMsfsInstallation(parameters, SimChoice::msfs2024), found);
    EXPECT_EQ(parameters.MSFS_2024_INSTALL_PATH.value(), found);
    EXPECT_TRUE(parameters.MSFS_INSTALL_PATH.empty());

    // A saved path that is gone is no installation.
    ProgramParameters stale;
    stale.MSFS_INSTALL_PATH.assign(dir_ / "gone");
    EXPECT_EQ(gf_locateMsfsInstallation(stale, SimChoice::msfs2020), std::nullopt);
}

} // namespace
} // namespace skyloom
