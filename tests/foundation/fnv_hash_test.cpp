#include "foundation/fnv_hash.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace skyloom {
namespace {

TEST(FnvHashTest, KnownVectorsOfFnv1a64) {
    struct Case {
        std::string_view text;
        std::uint64_t hash;
    };
    const Case cases[] = {
        {"", 0xcbf29ce484222325ull},
        {"a", 0xaf63dc4c8601ec8cull},
        {"foobar", 0x85944171f73967e8ull},
        {"chongo was here!\n", 0x46810940eff5f915ull},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gf_fnv1a64(c.text), c.hash) << c.text;
        EXPECT_EQ(FnvStringHash{}(c.text), c.hash) << c.text;
        EXPECT_EQ(FnvStringHash{}(std::string(c.text)), c.hash) << c.text;
    }
    static_assert(gf_fnv1a64(std::string_view("a")) == 0xaf63dc4c8601ec8cull);
    // Bytes above 0x7f count as unsigned bytes.
    EXPECT_EQ(gf_fnv1a64(std::string_view("\xff")), (kFnv1a64OffsetBasis ^ 0xffu) * kFnv1a64Prime);
}

TEST(FnvHashTest, SixteenBitIdsHashLowByteFirst) {
    for (const std::uint16_t id : {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{0x0102},
                                   std::uint16_t{0xff00}, std::uint16_t{0xffff}}) {
        const char bytes[2] = {static_cast<char>(id & 0xff), static_cast<char>(id >> 8)};
        EXPECT_EQ(gf_fnv1a64(id), gf_fnv1a64(std::string_view(bytes, 2))) << id;
        EXPECT_EQ(FnvIdHash{}(id), gf_fnv1a64(id)) << id;
    }
    // The byte order matters: 0x0102 and 0x0201 differ.
    EXPECT_NE(gf_fnv1a64(std::uint16_t{0x0102}), gf_fnv1a64(std::uint16_t{0x0201}));
    EXPECT_EQ(gf_fnv1a64(std::uint16_t{0x0102}), gf_fnv1a64(std::string_view("\x02\x01", 2)));
}

TEST(FnvHashTest, StringMapFindsWithoutBuildingAString) {
    FnvStringMap<int> map;
    map.emplace("AIG", 1);
    map.emplace("FSLTL", 2);
    const std::string_view key = "FSLTL-extra";
    EXPECT_EQ(map.find(key.substr(0, 5))->second, 2);
    EXPECT_EQ(map.find("AIG")->second, 1);
    EXPECT_EQ(map.find(std::string_view("aig")), map.end());
    EXPECT_TRUE(map.contains(std::string_view("AIG")));

    FnvStringSet set{"Special Livery", "Another"};
    EXPECT_TRUE(set.contains(std::string_view("Special Livery")));
    EXPECT_FALSE(set.contains(std::string_view("special livery")));
}

TEST(FnvHashTest, IdMapWorks) {
    FnvIdMap<std::string> map;
    for (std::uint16_t id = 0; id < 1000; ++id) {
        map.emplace(id, std::to_string(id));
    }
    EXPECT_EQ(map.size(), 1000u);
    EXPECT_EQ(map.at(0x0102), "258");
    FnvIdSet set{1, 2, 2, 65535};
    EXPECT_EQ(set.size(), 3u);
}

} // namespace
} // namespace skyloom
