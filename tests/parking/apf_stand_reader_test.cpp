#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "foundation/geo_constants.h"
#include "parking/apf_stand_reader.h"
#include "refdata/code_table.h"
#include "refdata/registrations.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/captured_log.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;

std::vector<Stand> lf_read(std::string_view parkposElements, pugi::xml_document& document) {
    const std::string text =
        fmt::format("<root><parkpositions>{}</parkpositions></root>", parkposElements);
    EXPECT_TRUE(document.load_string(text.c_str())) << text;
    std::vector<Stand> stands;
    gf_readParkpositions(document, stands);
    return stands;
}

std::vector<Stand> lf_read(std::string_view parkposElements) {
    pugi::xml_document document;
    return lf_read(parkposElements, document);
}

constexpr const char* kPlace = R"(latitude="52.3" longitude="4.76")";

TEST(ApfStandReaderTest, TheTypeComesFromItsNameItsValueOrItsRadius) {
    const struct {
        std::string attributes;
        StandType type;
        bool cargo;
        bool ramp;
    } cases[] = {
        {R"(typestr="GATE_HEAVY" radius="40")", StandType::GATE_HEAVY, false, false},
        // cargo and ramp of a known type follow from it, whatever the file says
        {R"(typestr="GATE_HEAVY" cargo="true" ramp="yes" radius="40")", StandType::GATE_HEAVY,
         false, false},
        {R"(typestr="RAMP_MIL_CARGO" radius="40")", StandType::RAMP_MIL_CARGO, true, false},
        {R"(typestr="RAMP_GA_EXTRA" radius="10")", StandType::RAMP_GA_EXTRA, false, true},
        {R"(type="10" radius="40")", StandType::GATE_HEAVY, false, false},
        {R"(type="5" radius="40")", StandType::RAMP_CARGO, true, false},
        // no type: chosen by the radius in metres and the flags
        {R"(type="0" cargo="false" ramp="true" radius="20.0")", StandType::RAMP_GA_MEDIUM, false,
         true},
        {R"(type="0" cargo="f" ramp="Y" radius="30")", StandType::RAMP_GA_LARGE, false, true},
        {R"(type="0" cargo="0" ramp="1" radius="15.9")", StandType::RAMP_GA_SMALL, false, true},
        {R"(type="0" cargo="True" ramp="true" radius="5")", StandType::RAMP_CARGO, true, true},
        {R"(typestr="NONE" cargo="false" ramp="false" radius="30")", StandType::GATE_HEAVY, false,
         false},
        {R"(cargo="false" ramp="false" radius="16")", StandType::GATE_MEDIUM, false, false},
        {R"(typestr="gate_heavy" cargo="no" ramp="no" radius="12")", StandType::GATE_SMALL, false,
         false},
        {R"(type="99" cargo="false" ramp="false" radius="12")", StandType::GATE_SMALL, false,
         false},
        // a helipad keeps NONE and its flags
        {R"(heli="true" radius="12")", StandType::NONE, false, false},
        {R"(heli="true" ramp="true" radius="12")", StandType::NONE, false, true},
    };
    for (const auto& c : cases) {
        const std::vector<Stand> stands =
            lf_read(fmt::format(R"(<parkpos id="A1" {} heading="0" {}/>)", kPlace, c.attributes));
        ASSERT_EQ(stands.size(), 1u) << c.attributes;
        EXPECT_EQ(stands[0].type, c.type) << c.attributes;
        EXPECT_EQ(stands[0].cargo, c.cargo) << c.attributes;
        EXPECT_EQ(stands[0].ramp, c.ramp) << c.attributes;
    }
}

TEST(ApfStandReaderTest, AStandThatCannotBeUsedIsSkippedWithItsLine) {
    const struct {
        std::string attributes;
        std::string line;
    } cases[] = {
        {R"(typestr="GATE_SMALL" radius="10")", "==> stand A1 has no valid lat/lon"},
        {R"(latitude="0.00005" longitude="-0.00005" typestr="GATE_SMALL" radius="10")",
         "==> stand A1 has no valid lat/lon"},
        {R"(latitude="90.5" longitude="4" typestr="GATE_SMALL" radius="10")",
         "==> stand A1 has no valid lat/lon"},
        {R"(latitude="nan" longitude="4" typestr="GATE_SMALL" radius="10")",
         "==> stand A1 has no valid lat/lon"},
        {fmt::format(R"({} typestr="Gate_Small" radius="10")", kPlace),
         "==> stand A1 has no valid type, and no valid cargo/ramp fallback info"},
        {fmt::format(R"({} type="0" cargo="false" radius="10")", kPlace),
         "==> stand A1 has no valid type, and no valid cargo/ramp fallback info"},
        {fmt::format(R"({} type="0" cargo="false" ramp="true" radius="0")", kPlace),
         "==> stand A1 has no valid type and no usable radius"},
        {fmt::format(R"({} type="0" cargo="false" ramp="true")", kPlace),
         "==> stand A1 has no valid type and no usable radius"},
        {fmt::format(R"({} typestr="GATE_SMALL" radius="0")", kPlace),
         "==> stand A1 has invalid radius or heading"},
        {fmt::format(R"({} heli="true" radius="-3")", kPlace),
         "==> stand A1 has invalid radius or heading"},
        {fmt::format(R"({} typestr="GATE_SMALL" radius="inf")", kPlace),
         "==> stand A1 has invalid radius or heading"},
        {fmt::format(R"({} typestr="GATE_SMALL" radius="10" heading="nan")", kPlace),
         "==> stand A1 has invalid radius or heading"},
    };
    for (const auto& c : cases) {
        const testing::CapturedLog log;
        const std::vector<Stand> stands = lf_read(fmt::format(
            R"(<parkpos id="A1" {}/><parkpos id="B1" {} typestr="GATE_SMALL" radius="10"/>)",
            c.attributes, kPlace));
        ASSERT_EQ(stands.size(), 1u) << c.attributes;
        EXPECT_EQ(stands[0].id, "B1") << c.attributes;
        EXPECT_THAT(log.lines(), ElementsAre(c.line)) << c.attributes;
    }
}

TEST(ApfStandReaderTest, GeometryIsTakenInRadiansAndNauticalMiles) {
    const struct {
        const char* heading;
        double radians;
    } cases[] = {
        {"0", 0.0},
        {"90", std::numbers::pi / 2},
        {"-90", 3 * std::numbers::pi / 2},
        {"360", 0.0},
        {"720.5", 0.5 * geo::kRadiansPerDegree},
        {"", 0.0},
    };
    for (const auto& c : cases) {
        const std::vector<Stand> stands = lf_read(
            fmt::format(R"(<parkpos id="A1" {} typestr="GATE_SMALL" radius="25" heading="{}"/>)",
                        kPlace, c.heading));
        ASSERT_EQ(stands.size(), 1u) << c.heading;
        EXPECT_NEAR(stands[0].heading, c.radians, 1e-12) << c.heading;
        EXPECT_DOUBLE_EQ(stands[0].radius, 0.01349892008639309) << c.heading;
        EXPECT_EQ(stands[0].position, (Lalo{52.3, 4.76}));
        EXPECT_EQ(stands[0].sid, 0);
        EXPECT_FALSE(stands[0].manual);
    }
}

TEST(ApfStandReaderTest, NumbersAreReadAsTheirDecimalBeginning) {
    const std::vector<Stand> stands = lf_read(
        R"(<parkpos id="A1" latitude=" +52.3" longitude="4.76 E" typestr="GATE_SMALL" radius="2.5e1m" heading="x"/>)");
    ASSERT_EQ(stands.size(), 1u);
    EXPECT_EQ(stands[0].position, (Lalo{52.3, 4.76}));
    EXPECT_DOUBLE_EQ(stands[0].radius, 25 * kStandNMPerMetre);
    EXPECT_EQ(stands[0].heading, 0.0);
}

TEST(ApfStandReaderTest, OptionsAreAcceptedWithHoursAndADayAndNumberedInOrder) {
    const testing::CapturedLog log;
    const testing::PublishedRegistrations registrations(R"(<r g="D-AIBA" a="DLH" m="A319"/>)");
    const std::vector<Stand> stands = lf_read(fmt::format(
        R"(<parkpos id="A1" {} typestr="GATE_SMALL" radius="25">
             <opt reg="PH-BXA" airl="KLM" type="B738" day="1" hh="4:6" cs="KLM12:KLM13"/>
             <opt reg="PH-BXB" airl="KLM" type="B738" day="0" hh="4:6"/>
             <opt reg="PH-BXC" airl="KLM" type="B738" day="8" hh="4"/>
             <opt reg="PH-BXD" airl="KLM" type="B738" day="2" hh=""/>
             <opt reg="PH-BXE" airl="KLM" type="B738" day="2" hh="x"/>
             <opt reg="PH-BXF" airl="TRA" type="B737" day="7" hh="1,3,5" soft="true" cs="TRA9:"/>
             <opt reg="D-AIBA" airl="KLM" type="B738" day="3" hh="47" cpl="yes" cs="DLH1"/>
             <opt day="4" hh="0"/>
           </parkpos>)",
        kPlace));
    ASSERT_EQ(stands.size(), 1u);
    const std::vector<FlightOption>& o = stands[0].options;
    ASSERT_EQ(o.size(), 4u);

    EXPECT_EQ(o[0].reg, "PH-BXA");
    EXPECT_EQ(o[0].callsign, "KLM12");
    EXPECT_EQ(o[0].callsign2, "KLM13");
    EXPECT_EQ(o[0].key.airline, gf_airlineId("KLM"));
    EXPECT_EQ(o[0].key.model, gf_modelId("B738"));
    EXPECT_EQ(o[0].key.fromRegistration, 0);
    EXPECT_EQ(o[0].hours, HoursBitset::range(4, 6));
    EXPECT_EQ(o[0].real, 1u);
    EXPECT_FALSE(o[0].cpl);

    EXPECT_EQ(o[1].reg, "PH-BXF");
    EXPECT_EQ(o[1].callsign, "TRA9");
    EXPECT_EQ(o[1].callsign2, "");
    EXPECT_EQ(o[1].real, 0u);
    EXPECT_EQ(o[1].hours, HoursBitset::single(1) | HoursBitset::single(3) | HoursBitset::single(5));

    EXPECT_EQ(o[2].key, *gf_findRegistration("D-AIBA"));
    EXPECT_EQ(o[2].key.fromRegistration, 1);
    EXPECT_TRUE(o[2].cpl);
    EXPECT_EQ(o[2].callsign, "DLH1");

    EXPECT_EQ(o[3].reg, "");
    EXPECT_EQ(o[3].key.airline, 0);
    EXPECT_EQ(o[3].key.model, 0);

    std::vector<std::uint32_t> seqs, days, origins;
    for (const FlightOption& option : o) {
        seqs.push_back(option.seq);
        days.push_back(option.day);
        origins.push_back(option.origin);
    }
    EXPECT_THAT(seqs, ElementsAre(1u, 2u, 3u, 4u));
    EXPECT_THAT(days, ElementsAre(1u, 7u, 3u, 4u));
    EXPECT_THAT(origins, ElementsAre(1u, 1u, 1u, 1u));
}

TEST(ApfStandReaderTest, AParkposReadForALearnedFileGivesItsOptionsTheOriginAsked) {
    pugi::xml_document document;
    const std::string text = fmt::format(
        R"(<parkpos id="M1" {} typestr="GATE_SMALL" radius="25"><opt reg="X" day="1" hh="1"/></parkpos>)",
        kPlace);
    ASSERT_TRUE(document.load_string(text.c_str()));
    std::vector<Stand> stands(1);
    ASSERT_TRUE(gf_readParkpos(document.child("parkpos"), "M1", 0, stands));
    ASSERT_EQ(stands.size(), 2u);
    EXPECT_EQ(stands[1].id, "M1");
    ASSERT_EQ(stands[1].options.size(), 1u);
    EXPECT_EQ(stands[1].options[0].origin, 0u);
}

TEST(ApfStandReaderTest, IdsAreTrimmedAndAMissingEmptyOrRepeatedIdIsSkippedWithItsLine) {
    const testing::CapturedLog log;
    const auto stand = [](std::string_view idAttribute, std::string_view place = kPlace) {
        return fmt::format(R"(<parkpos {} {} typestr="GATE_SMALL" radius="10"/>)", idAttribute,
                           place);
    };
    const std::vector<Stand> stands = lf_read(
        stand(R"(id=" A1&#9;")") + stand("") + stand(R"(id=" &#13;&#10;")") + stand(R"(id="A1")") +
        stand(R"(id="B1")", R"(latitude="95" longitude="4")") + stand(R"(id="B1")"));
    std::vector<std::string> ids;
    for (const Stand& s : stands) {
        ids.push_back(s.id);
    }
    // B1 was rejected, yet counts as seen.
    EXPECT_THAT(ids, ElementsAre("A1"));
    EXPECT_THAT(log.lines(),
                ElementsAre("==> Parking position #2 has no 'id' attribute, skipped.",
                            "==> Stand #3 has empty 'id' attribute, skipped.",
                            "==> Stand 'A1' appears more than once, last one skipped!",
                            "==> stand B1 has no valid lat/lon",
                            "==> Stand 'B1' appears more than once, last one skipped!"));
}

TEST(ApfStandReaderTest, AtMost512StandsAreLookedAt) {
    const testing::CapturedLog log;
    std::string elements;
    for (int i = 1; i <= 600; ++i) {
        elements += fmt::format(R"(<parkpos id="S{}" {} typestr="GATE_SMALL" radius="10"/>)", i,
                                i == 3 ? "" : kPlace);
    }
    const std::vector<Stand> stands = lf_read(elements);
    EXPECT_EQ(stands.size(), 511u);
    EXPECT_EQ(stands.back().id, "S512");
    EXPECT_THAT(
        log.lines(),
        ElementsAre("==> stand S3 has no valid lat/lon",
                    "airport file contains more than 512 stands; remaining stands skipped"));
}

TEST(ApfStandReaderTest, TheSectionIsFoundUnderRootOrAtTheTop) {
    const testing::CapturedLog log;
    pugi::xml_document document;
    std::vector<Stand> stands;
    ASSERT_TRUE(document.load_string(
        R"(<parkpositions><parkpos id="T1" latitude="1" longitude="1" typestr="FUEL" radius="9"/></parkpositions>)"));
    gf_readParkpositions(document, stands);
    ASSERT_EQ(stands.size(), 1u);
    EXPECT_EQ(stands[0].type, StandType::FUEL);

    ASSERT_TRUE(document.load_string("<root><parameters/></root>"));
    gf_readParkpositions(document, stands);
    EXPECT_EQ(stands.size(), 1u);
    EXPECT_THAT(log.lines(), ElementsAre("airport file has no 'parkpositions' section"));
}

TEST(ApfStandReaderTest, BooleanAttributesAreTrueByTheirFirstCharacter) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(R"(<opt a="Yes" b="tRUE" c="17" d="no" e="" f=" true"/>)"));
    const pugi::xml_node opt = document.child("opt");
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_TRUE(gf_apfBoolAttribute(opt, name)) << name;
    }
    for (const char* name : {"d", "e", "f", "missing"}) {
        EXPECT_FALSE(gf_apfBoolAttribute(opt, name)) << name;
    }
}

} // namespace
} // namespace skyloom
