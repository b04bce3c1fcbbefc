// RealTraffic.lic: where it lies, what it may hold, and that its value stays out of the log.
#include "feed/rtapi_credentials.h"

#include <fstream>

#include <gtest/gtest.h>

#include "foundation/user_related_exception.h"
#include "tests/feed/support/rtapi_test_support.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

TEST(RtApiCredentialsTest, ALicenceOrATokenIsRead) {
    struct Case {
        const char* text;
        RtCredentialKind kind;
        const char* value;
    };
    const Case cases[] = {
        {R"({"License":"AAA-BBB-CCC-DDD"})", RtCredentialKind::licence, "AAA-BBB-CCC-DDD"},
        {R"({ "License" : "  AAA-BBB-CCC-DDD \n" })", RtCredentialKind::licence, "AAA-BBB-CCC-DDD"},
        {"\xEF\xBB\xBF{\"License\":\"AAA-BBB\"}", RtCredentialKind::licence, "AAA-BBB"},
        {R"({"license":"aaa-bbb"})", RtCredentialKind::licence, "aaa-bbb"},
        {R"({"License":"rt_0123abcDEF_x-y"})", RtCredentialKind::token, "rt_0123abcDEF_x-y"},
        {R"({"Token":"rt_abc"})", RtCredentialKind::token, "rt_abc"},
        // "License" wins over "Token"; other members are of no concern.
        {R"({"Token":"rt_abc","License":"L-1","Name":"x"})", RtCredentialKind::licence, "L-1"},
    };
    for (const Case& c : cases) {
        const RtCredentials credentials = gf_parseRtCredentials(c.text);
        EXPECT_EQ(credentials.kind, c.kind) << c.text;
        EXPECT_EQ(credentials.value, c.value) << c.text;
        EXPECT_EQ(credentials.formField(), c.kind == RtCredentialKind::token ? "token" : "license");
    }
}

TEST(RtApiCredentialsTest, UnusableFilesAreRefusedWithAReason) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"", "RealTraffic.lic holds no JSON object"},
        {"AAA-BBB-CCC-DDD", "RealTraffic.lic holds no JSON object"},
        {R"(["AAA"])", "RealTraffic.lic holds no JSON object"},
        {R"({"License":)", "RealTraffic.lic holds no JSON object"},
        {R"({"Key":"AAA"})", "RealTraffic.lic holds no \"License\" text"},
        {R"({"License":12345})", "RealTraffic.lic holds no \"License\" text"},
        {R"({"License":"   "})", "The RealTraffic licence in RealTraffic.lic is empty"},
        {R"({"License":"AAA BBB"})",
         "The RealTraffic licence in RealTraffic.lic holds a character that is not allowed: ' '"},
        {R"({"License":"AAA_BBB"})",
         "The RealTraffic licence in RealTraffic.lic holds a character that is not allowed: '_'"},
        {R"({"License":"rt_a&b"})",
         "The RealTraffic API token in RealTraffic.lic holds a character that is not allowed: "
         "'&'"},
    };
    for (const Case& c : cases) {
        try {
            gf_parseRtCredentials(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const UserRelatedException& e) {
            EXPECT_EQ(e.code(), kRtCredentialsErrorCode);
            EXPECT_EQ(e.text(), c.reason) << c.text;
        }
    }
}

TEST(RtApiCredentialsTest, TheFileLiesInInsideSystemsOfTheRoamingAppData) {
    testing::TempDir roaming;
    testing::ScopedEnv appData("SKYLOOM_APPDATA", roaming.path());
    EXPECT_EQ(gf_rtLicencePath(), roaming / "InsideSystems" / "RealTraffic.lic");

    try {
        gf_findRtCredentials();
        ADD_FAILURE() << "no file, yet credentials";
    } catch (const UserRelatedException& e) {
        EXPECT_NE(e.text().find("was not found"), std::string::npos) << e.text();
        EXPECT_NE(e.text().find((roaming / "InsideSystems").string()), std::string::npos);
    }

    fs::create_directories(roaming / "InsideSystems");
    std::ofstream(roaming / "InsideSystems" / "RealTraffic.lic")
        << R"({"License":"ABCD-EFGH-1234"})";
    testing::RtApiLog log;
    const RtCredentials credentials = gf_findRtCredentials();
    EXPECT_EQ(credentials.value, "ABCD-EFGH-1234");
    // The log tells which credential is used without giving it away.
    EXPECT_TRUE(log.contains("RealTraffic credentials: licence ...1234"));
    EXPECT_FALSE(log.contains("ABCD-EFGH"));
}

TEST(RtApiCredentialsTest, AFolderOrAHugeFileIsNoLicenceFile) {
    testing::TempDir dir;
    fs::create_directories(dir / "RealTraffic.lic");
    EXPECT_THROW(gf_readRtCredentials(dir / "RealTraffic.lic"), UserRelatedException);
    const fs::path huge = dir / "huge.lic";
    std::ofstream(huge) << std::string(100000, ' ') << R"({"License":"A"})";
    EXPECT_THROW(gf_readRtCredentials(huge), UserRelatedException);
    EXPECT_THROW(gf_readRtCredentials(fs::path()), UserRelatedException);
}

TEST(RtApiCredentialsTest, ShortValuesShowNothingOfThemselves) {
    EXPECT_EQ((RtCredentials{RtCredentialKind::licence, "AB-CD"}).logText(), "licence ...");
    EXPECT_EQ((RtCredentials{RtCredentialKind::token, "rt_0123456789"}).logText(),
              "API token ...6789");
}

} // namespace
} // namespace skyloom
