// The park options recorded when an airport file was applied are put back when parking stops:
// only what differs is set, saved to parameters.xml and republished; the window's parking
// controls are brought in line every time.
#include <optional>
#include <string>
#include <string_view>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/parameters.h"
#include "config/parameters_store.h"
#include "parking/park_options.h"
#include "tests/support/recording_parking_window.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

class ParkOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_.load(dir_ / "parameters.xml", parameters_.persisted());
        parameters_.publishAll();
    }
    std::optional<std::string> stored(std::string_view name) const {
        pugi::xml_document document;
        document.load_file((dir_ / "parameters.xml").c_str());
        return gf_findXmlParameterValue(document, name);
    }

    testing::TempDir dir_;
    ParametersStore store_;
    ParamsSnapshotCell cell_;
    ProgramParameters parameters_{&store_, &cell_};
    testing::RecordingParkingWindow steps_;
};

TEST_F(ParkOptionsTest, WhatTheUserChangedAtTheAirportIsPutBackAndSaved) {
    ProgramParameters& p = parameters_;
    // The airport's overrides, in memory, published and recorded.
    p.parking_percentage.assign(65);
    p.AUTO_PARK.assign(true);
    gf_publishParkOptions(p);
    const ParkOptions recorded = gf_takeParkOptions(p);
    EXPECT_EQ(recorded.parking_percentage, 65);
    // The user changes two options while there (saved at once).
    p.parking_percentage.setValue(40);
    p.WEEK.setValue(!p.WEEK.value());
    const std::optional<std::string> softBefore = stored("PARK_SOFT");

    gf_applyParkOptions(p, recorded, steps_);
    EXPECT_EQ(p.parking_percentage.value(), 65);
    EXPECT_EQ(p.WEEK.value(), recorded.WEEK != 0);
    EXPECT_EQ(stored("parking_percentage"), "65");
    EXPECT_EQ(stored("WEEK"), recorded.WEEK ? "true" : "false");
    EXPECT_EQ(stored("AUTO_PARK"), "true");
    EXPECT_EQ(stored("PARK_SOFT"), softBefore);
    EXPECT_EQ(static_cast<ParkOptions>(*cell_.load()), recorded);
    EXPECT_THAT(steps_.calls, ::testing::ElementsAre("applyRtParkTrafficOnly", "applyAutoPark"));
}

TEST_F(ParkOptionsTest, ARecordedValueOutsideItsRangeComesBackClamped) {
    ParkOptions recorded = gf_takeParkOptions(parameters_);
    recorded.parking_percentage = 250;
    recorded.MAX_FIT = -3;
    gf_applyParkOptions(parameters_, recorded, steps_);
    EXPECT_EQ(parameters_.parking_percentage.value(), 100);
    EXPECT_EQ(parameters_.MAX_FIT.value(), 0);
    EXPECT_EQ(cell_.load()->parking_percentage, 100);
    EXPECT_EQ(stored("parking_percentage"), "100");
}

} // namespace
} // namespace skyloom
