#include "refdata/similar_models.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "tests/refdata/support/refdata_test_support.h"

namespace skyloom {
namespace {

// Installed liveries given as airline code -> model codes.
using LiveryList = std::map<std::string, std::vector<std::string>>;

class FakeLiveries final : public InstalledLiveries {
public:
    explicit FakeLiveries(const LiveryList& liveries) {
        for (const auto& [airline, models] : liveries) {
            for (const auto& model : models) {
                pairs_.insert({gf_airlineId(airline), gf_modelId(model)});
            }
        }
    }
    std::set<std::uint16_t> airlinesWithLiveries() const override {
        std::set<std::uint16_t> airlines;
        for (const auto& pair : pairs_) {
            airlines.insert(pair.first);
        }
        return airlines;
    }
    bool hasAirlineModelLivery(const LiveryKey& key) const override {
        return pairs_.contains({key.airline, key.model});
    }

private:
    std::set<std::pair<std::uint16_t, std::uint16_t>> pairs_;
};

std::vector<std::string> lf_codes(std::span<const std::uint16_t> ids) {
    std::vector<std::string> codes;
    for (const auto id : ids) {
        codes.push_back(gf_modelCode(id));
    }
    return codes;
}

using Codes = std::vector<std::string>;

class SimilarModelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::resetReferenceData();
        testing::writeText(dir_ / "dbase.xml", testing::dataSetXml("dbase", "1.0", R"(
          <models><m c="A319"/><m c="A320"/><m c="A321"/><m c="B738"/><m c="B739"/></models>
          <similar>
            <g m="A319,A320,A321"/>
            <g m="B738,B739,A320"/>
          </similar>)"));
        gf_readDbase(dir_.path());
    }
    void TearDown() override { testing::resetReferenceData(); }

    testing::TempDir dir_;
};

TEST_F(SimilarModelsTest, ByModelListsOnlyOtherModelsThatHaveLiveries) {
    const FakeLiveries liveries(LiveryList{{"DLH", {"A320"}}, {"BAW", {"A321", "B738"}}});
    gf_createSimilarModelDefs(liveries);
    EXPECT_EQ(lf_codes(gf_similarModels(gf_modelId("A319"))), (Codes{"A320", "A321"}));
    // A320 is in both groups; it never lists itself.
    EXPECT_EQ(lf_codes(gf_similarModels(gf_modelId("A320"))), (Codes{"A321", "B738"}));
    EXPECT_EQ(lf_codes(gf_similarModels(gf_modelId("B739"))), (Codes{"B738", "A320"}));
    EXPECT_TRUE(gf_similarModels(gf_modelId("C172")).empty());
}

TEST_F(SimilarModelsTest, ByAirlineListsOnlyModelsOfThatAirline) {
    const FakeLiveries liveries(LiveryList{{"DLH", {"A320"}}, {"BAW", {"A321", "B738"}}});
    gf_createSimilarModelDefs(liveries);
    const auto dlh = gf_airlineId("DLH");
    const auto baw = gf_airlineId("BAW");
    EXPECT_EQ(lf_codes(gf_similarModelsOfAirline(dlh, gf_modelId("A319"))), (Codes{"A320"}));
    EXPECT_EQ(lf_codes(gf_similarModelsOfAirline(dlh, gf_modelId("B738"))), (Codes{"A320"}));
    // DLH has A320 liveries itself: no entry.
    EXPECT_TRUE(gf_similarModelsOfAirline(dlh, gf_modelId("A320")).empty());
    EXPECT_EQ(lf_codes(gf_similarModelsOfAirline(baw, gf_modelId("A320"))),
              (Codes{"A321", "B738"}));
    EXPECT_EQ(lf_codes(gf_similarModelsOfAirline(baw, gf_modelId("B739"))), (Codes{"B738"}));
    EXPECT_TRUE(gf_similarModelsOfAirline(gf_airlineId("KLM"), gf_modelId("A319")).empty());
}

TEST_F(SimilarModelsTest, ListsCanBeReorderedInPlace) {
    const FakeLiveries liveries(LiveryList{{"BAW", {"A319", "A321"}}});
    gf_createSimilarModelDefs(liveries);
    auto list = gf_similarModels(gf_modelId("A320"));
    ASSERT_EQ(list.size(), 2u);
    std::reverse(list.begin(), list.end());
    EXPECT_EQ(lf_codes(gf_similarModels(gf_modelId("A320"))), (Codes{"A321", "A319"}));
}

TEST_F(SimilarModelsTest, LogsTheNumberOfDefinitions) {
    testing::CapturedLog log;
    const FakeLiveries liveries(LiveryList{{"DLH", {"A320"}}});
    // By model: A319, A321, B738, B739 -> A320. By airline (DLH): the same four models.
    EXPECT_EQ(gf_createSimilarModelDefs(liveries), 8u);
    EXPECT_TRUE(log.has("    8 similar model definitions"));

    const FakeLiveries none(LiveryList{{"DLH", {"C172"}}});
    EXPECT_EQ(gf_createSimilarModelDefs(none), 0u);
    EXPECT_TRUE(log.has("No similar model definitions with installed liveries found"));
    EXPECT_TRUE(gf_similarModels(gf_modelId("A319")).empty());
}

TEST_F(SimilarModelsTest, HandOverFromTheLiveryTables) {
    EXPECT_THROW(gf_createSimilarModelDefs(), std::logic_error);
    const FakeLiveries liveries(LiveryList{{"DLH", {"A320"}}});
    gf_setInstalledLiveries(&liveries);
    EXPECT_EQ(gf_createSimilarModelDefs(), 8u);
    gf_setInstalledLiveries(nullptr);
}

} // namespace
} // namespace skyloom
