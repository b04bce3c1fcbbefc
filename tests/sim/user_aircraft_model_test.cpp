#include "sim/user_aircraft_model.h"

#include <cmath>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/dbase_lookups.h"
#include "runtime/user_aircraft.h"
#include "sim/user_aircraft_replies.h"
#include "tests/sim/support/user_aircraft_fixture.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;

constexpr std::string_view kModels =
    R"(<m c="A320" w="35.8"/><m c="A319" w="35.8"/><m c="A321"/><m c="B738" w="35.79"/>)"
    R"(<m c="B744" w="64.44"/><m c="E190" w="28.72"/><m c="EC35"/>)";
constexpr std::string_view kCategories =
    R"(<categories><c n="Large" m="A319,A320,A321,B738,E190"/><c n="Heavy" m="B744"/>)"
    R"(<c n="Rotorcraft" m="EC35"/></categories>)";

constexpr double kA320 = 35.8 * kHalfSpanNMPerMetre;
constexpr double kE190 = 28.72 * kHalfSpanNMPerMetre;
constexpr double kLargest = 64.44 * kHalfSpanNMPerMetre;
constexpr const char* kIndent = "          ";

struct ModelCase {
    std::string_view name;
    std::string_view model;
    std::string_view title;
    double halfSpanNm;
    bool known;
    AircraftCategory category;
    std::optional<std::string_view> status;
    // The model line, without its indent; none when no such line is written.
    std::optional<std::string_view> line;
};

const ModelCase kCases[] = {
    {"a known code with a span", "A320", "Airbus A320 Neo Asobo", kA320, true,
     AircraftCategory::Large, std::nullopt,
     "SimConnect: User aircraft model: A320, half wing span: 17.9 meter, category: Large"},
    {"a code the title table translates", "737", "PMDG DG 737-800 KLM", 35.79 * kHalfSpanNMPerMetre,
     true, AircraftCategory::Large, std::nullopt,
     "SimConnect: User aircraft model: B738, half wing span: 17.9 meter, category: Large"},
    {"no model at all", "", "Some aircraft", kLargest, false, AircraftCategory::Large,
     kNoModelStatus, std::nullopt},
    {"a camera pod", "camerapod", "Drone", kE190, true, AircraftCategory::Light, std::nullopt,
     "SimConnect: User aircraft model: camerapod"},
    {"a crew vessel", "Crew Vessel 2", "Boat", kE190, true, AircraftCategory::Light, std::nullopt,
     "SimConnect: User aircraft model: Crew Vessel 2"},
    // The code is appended to the code table at run time and has no span: unknown, not 35 NM.
    {"a code the dbase does not know", "ZZZZ", "Homebuilt", kLargest, false,
     AircraftCategory::Light, kWingspanUnknownStatus,
     "SimConnect: User aircraft model: ZZZZ, category: Light"},
    {"a known code without a span", "EC35", "Airbus H135", kLargest, false,
     AircraftCategory::Rotorcraft, kWingspanUnknownStatus,
     "SimConnect: User aircraft model: EC35, category: Rotorcraft"},
    {"a long text with an Aerosoft title", "A320-214 CFM", "Aerosoft A320 Lufthansa", kA320, true,
     AircraftCategory::Large, std::nullopt,
     "SimConnect: User aircraft model deduced from title: A320, half wing span: 17.9 meter, "
     "category: Large"},
    {"an Aerosoft type without a span", "A321 Professional", "Aerosoft A321 CFM", kLargest, false,
     AircraftCategory::Large, kWingspanUnknownStatus,
     "SimConnect: User aircraft model deduced from title: A321, category: Large"},
    {"a long text with another title", "Long model text", "Aerosoft A330 Thai", kLargest, false,
     AircraftCategory::Light, kWingspanUnknownStatus,
     "SimConnect: User aircraft model: Long model text, category: Light"},
    {"a short code with an Aerosoft title", "ZZZY", "Aerosoft A319 easyJet", kA320, true,
     AircraftCategory::Large, std::nullopt,
     "SimConnect: User aircraft model deduced from title: A319, half wing span: 17.9 meter, "
     "category: Large"},
};

class UserModelTest : public testing::UserAircraftTest {
protected:
    UserModelTest() { loadDbase(kModels, kCategories); }

    void model(std::string_view text, std::string_view title) {
        user_.setTitle(std::string(title));
        deliver(testing::gf_modelReply(text));
    }
};

TEST_F(UserModelTest, EachKindOfModelGetsItsSpanCategoryAndWindowState) {
    for (const ModelCase& c : kCases) {
        SCOPED_TRACE(std::string(c.name));
        clearUserAircraft();
        EXPECT_TRUE(std::isnan(user_.halfSpanNm.load()));
        const std::size_t updatesBefore = updates().size();
        model(c.model, c.title);

        EXPECT_DOUBLE_EQ(user_.halfSpanNm.load(), c.halfSpanNm);
        EXPECT_EQ(user_.modelData(), (UserModelData{c.halfSpanNm, c.known}));
        EXPECT_EQ(user_.category.load(), static_cast<std::uint32_t>(c.category));
        EXPECT_EQ(user_.infoReceived.load(), kUserInfoModel);

        std::vector<bool> known;
        std::vector<std::string> statuses;
        const std::vector<GuiUpdate> all = updates();
        for (std::size_t i = updatesBefore; i < all.size(); ++i) {
            if (const auto* span = all[i].get<GuiUpdate::UserWingspanKnown>()) {
                known.push_back(span->known);
            }
            if (const auto* status = all[i].get<GuiUpdate::StatusText>()) {
                statuses.push_back(status->text);
                EXPECT_TRUE(status->log);
            }
        }
        EXPECT_THAT(known, ElementsAre(c.known));
        if (c.status) {
            EXPECT_THAT(statuses, ElementsAre(std::string(*c.status)));
        } else {
            EXPECT_TRUE(statuses.empty());
        }
        EXPECT_TRUE(logHas(fmt::format("{}model raw: {}", kIndent, c.model)));
        if (c.line) {
            EXPECT_EQ(logCount(fmt::format("{}{}", kIndent, *c.line)), 1U);
        }
    }
}

TEST_F(UserModelTest, AnUnknownCodeIsAppendedYetItsSpanStaysUnknown) {
    model("ZZZZ", "Homebuilt");
    const std::optional<std::uint16_t> id = gf_modelCodeTable().find("ZZZZ");
    ASSERT_TRUE(id.has_value()) << "the look-up appends the code";
    EXPECT_LT(*id, kWingspanTableSize) << "within the wingspan table, yet without a span";
    EXPECT_EQ(user_.modelData(), (UserModelData{kLargest, false}))
        << "the largest span, neither 0 nor a fixed fallback";
    EXPECT_THAT(wingspanUpdates(), ElementsAre(false));
}

TEST_F(UserModelTest, ANormalisedModelIsLoggedBeforeItIsUsed) {
    model("ATCCOM.AC_MODEL A320.0.text", "Airbus A320 Neo Asobo");
    EXPECT_TRUE(logHas("model normalized: A320"));
    EXPECT_TRUE(logHas(std::string(kIndent) + "SimConnect: User aircraft model: A320, half wing "
                                              "span: 17.9 meter, category: Large"));
    clearUserAircraft();
    model("A320", "Airbus A320 Neo Asobo");
    EXPECT_EQ(logCount("model normalized: A320"), 1U) << "not for a model that is its code";
}

TEST_F(UserModelTest, AVehicleStandInWithoutASpanKeepsTheLargest) {
    loadDbase(R"(<m c="B744" w="64.44"/><m c="E190"/>)");
    model("camerapod", "Drone");
    EXPECT_DOUBLE_EQ(user_.halfSpanNm.load(), kLargest);
    EXPECT_EQ(user_.modelData(), (UserModelData{kLargest, true}));
}

TEST_F(UserModelTest, TheModelFieldEndsAtItsZeroOrAfterThirtyTwoBytes) {
    model("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", "x");
    EXPECT_TRUE(logHas(std::string(kIndent) + "model raw: ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"));
}

TEST_F(UserModelTest, AShortModelReplyIsIgnored) {
    testing::ReplyBytes reply = testing::gf_modelReply("A320");
    reply.size = kUserModelReplyBytes - 1;
    deliver(reply);
    EXPECT_EQ(user_.infoReceived.load(), 0);
    EXPECT_TRUE(std::isnan(user_.halfSpanNm.load()));
    EXPECT_TRUE(logHas("==> SimConnect USER_AC_MODEL payload too small: 71 < 72 bytes"));
}

} // namespace
} // namespace skyloom
