#include "refdata/registrations.h"

#include <gtest/gtest.h>

#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

constexpr const char* kRegistrationsDbase = R"(
  <models><m c="A319"/><m c="B744"/><m c="C172"/><m c="B77L"/></models>
  <modelfixes><f w="B747" c="B744"/></modelfixes>
  <registrations>
    <r g="D-AIBA" a="DLH" m="A319"/>
    <r g="G-BYGF" a="BAW" m="B747"/>
    <r g="N899DN" a="DAL" m="B739"/>
    <r g="DA-IBX" a="XXA" m="A319"/>
    <r g="D-AIBX" a="XXB" m="A319"/>
    <r g="EIDVM" a="RYR" m="B38M"/>
    <r g="D-EBVE" m="C172"/>
    <r g="N-B77L" a="FDX" o="CLX" m="B77L" c="true"/>
    <r g="HB-JNA" a="SWR" m="B77W"/>
    <r g="HBJNB" a="SWR" m="B77W"/>
    <r g="D-AIBA" a="EWG" m="A320"/>
    <r g="F-ABC" a="AFR" m="A320"/>
    <r g="EI-AB" a="EIN" m="A320"/>
    <r g="" a="AFR" m="A320"/>
  </registrations>
)";

class RegistrationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetReferenceData();
        testing::writeText(dir_ / "dbase.xml",
                           testing::dataSetXml("dbase", "1.0", kRegistrationsDbase));
        gf_readDbase(dir_.path());
    }
    void TearDown() override { testing::resetReferenceData(); }

    static std::string airlineOf(const std::optional<LiveryKey>& key) {
        return key ? gf_airlineCode(key->airline) : std::string("none");
    }

    testing::TempDir dir_;
};

// A registration without its dash is tried with one after the second, then after the first
// character, then as it stands; N-registrations and texts with a dash only as they stand.
TEST_F(RegistrationsTest, DashVariants) {
    struct Case {
        const char* text;
        const char* airline;
    };
    const Case cases[] = {
        {"D-AIBA", "DLH"},                   // as it stands
        {"DAIBA", "DLH"},                    // no "DA-IBA": dash after the first character
        {"DAIBX", "XXA"},                    // "DA-IBX" is tried before "D-AIBX"
        {"D-AIBX", "XXB"},                   // the dashed text itself
        {"GBYGF", "BAW"},                    // G-BYGF
        {"EIDVM", "RYR"},                    // EI-DVM and E-IDVM unknown, found unchanged
        {"N899DN", "DAL"},                   // N-registrations are never dashed
        {"NB77L", "none"},                   // not even into N-B77L
        {"HBJNA", "SWR"},                    // HB-JNA
        {"HBJNB", "SWR"},                    // unchanged after both dashed forms fail
        {"FABC", "none"},                    // 4 characters: only as it stands
        {"F-ABC", "AFR"},  {"EIAB", "none"}, // 4 characters
        {"daiba", "none"},                   // case-sensitive
        {"", "none"},      {"D-AI-BA", "none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(airlineOf(gf_findRegistration(c.text)), c.airline) << c.text;
    }
}

TEST_F(RegistrationsTest, KeysFromTheTableCarryTheirFlagAndAllFields) {
    const auto key = gf_findRegistration("N-B77L");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->fromRegistration, 1);
    EXPECT_EQ(key->value() >> 56, 1u);
    EXPECT_EQ(gf_airlineCode(key->airline), "FDX");
    EXPECT_EQ(gf_airlineCode(key->operatorId), "CLX");
    EXPECT_EQ(gf_modelCode(key->model), "B77L");
    EXPECT_EQ(key->cargo, 1);

    const auto privateKey = gf_findRegistration("D-EBVE");
    ASSERT_TRUE(privateKey.has_value());
    EXPECT_EQ(privateKey->airline, 0);
    EXPECT_EQ(privateKey->operatorId, 0);
    EXPECT_EQ(privateKey->cargo, 0);
}

TEST_F(RegistrationsTest, ModelFixesApplyToRegistrations) {
    const auto key = gf_findRegistration("G-BYGF");
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(gf_modelCode(key->model), "B744");
}

TEST_F(RegistrationsTest, FirstRecordOfARegistrationStaysAndEmptyOnesAreRefused) {
    EXPECT_EQ(airlineOf(gf_findRegistration("D-AIBA")), "DLH");
    EXPECT_EQ(gf_dbase()->counts().registrations, 12u);
    EXPECT_EQ(gf_dbase()->counts().skipped, 2u);
}

// The first short registration in sorted order that occurs in the text wins; registrations of
// 6 or more characters are never looked for.
TEST_F(RegistrationsTest, RegistrationInText) {
    struct Case {
        const char* text;
        const char* found;
    };
    const Case cases[] = {
        {"Air France F-ABC / EI-AB", "EI-AB"}, // EI-AB sorts before F-ABC
        {"Aer Lingus EI-ABC", "EI-AB"},        // a part of a longer registration counts
        {"Lufthansa D-AIBA", ""},              // 6 characters: not looked for
        {"Air France f-abc", ""},              // case-sensitive
        {"Ryanair EIDVM Boeing", "EIDVM"},     // 5 characters without dash
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gf_registrationInText(c.text).value_or(""), c.found) << c.text;
    }
}

TEST(LiveryKeyTest, ValueLayoutAndOrder) {
    const LiveryKey key{0x0102, 0x0304, 0x0506, 1, 1};
    EXPECT_EQ(key.value(), 0x0101050603040102ull);
    EXPECT_EQ(LiveryKey::fromValue(key.value()).value(), key.value());
    // The registration byte is not part of the identity.
    EXPECT_EQ(key, (LiveryKey{0x0102, 0x0304, 0x0506, 1, 0}));
    EXPECT_LT((LiveryKey{1, 9, 9, 1, 0}), (LiveryKey{2, 0, 0, 0, 0}));
    EXPECT_LT((LiveryKey{1, 0, 9, 1, 0}), (LiveryKey{1, 1, 0, 0, 0}));
    EXPECT_LT((LiveryKey{1, 1, 1, 0, 1}), (LiveryKey{1, 1, 1, 1, 0}));
}

} // namespace
} // namespace skyloom
