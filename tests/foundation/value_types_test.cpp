#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/lalo.h"

namespace skyloom {
namespace {

// --- IcaoCode ---------------------------------------------------------------------------

TEST(IcaoCodeTest, PacksBigEndianAndUpperCases) {
    struct Case {
        const char* text;
        const char* chars;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"EDDF", "EDDF", 0x45444446u}, {"eddf", "EDDF", 0x45444446u}, {"KjFk", "KJFK", 0x4B4A464Bu},
        {"00AK", "00AK", 0x3030414Bu}, {"1234", "1234", 0x31323334u}, {"ZZZZ", "ZZZZ", 0x5A5A5A5Au},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const IcaoCode code(c.text);
        EXPECT_EQ(code.value(), c.value);
        EXPECT_EQ(code.view(), c.chars);
        EXPECT_EQ(code.text(), c.chars);
        EXPECT_TRUE(code.isSet());
        const auto parsed = IcaoCode::parse(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(*parsed, code);
    }
}

TEST(IcaoCodeTest, RejectsWhatIsNotFourLettersOrDigits) {
    const std::string invalid[] = {
        "",
        "EDD",
        "EDDFX",
        "ED-F",
        "ED F",
        " EDF",
        "EDF ",
        "ED_F",
        "ED.F",
        "EDÜ", // three characters, four bytes
        "\xC4"
        "DDF",
    };
    for (const std::string& text : invalid) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(IcaoCode::parse(text).has_value());
        try {
            IcaoCode code(text);
            ADD_FAILURE() << "no exception for '" << text << "'";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), fmt::format("'{}' IcaoCode: invalid string", text));
        }
    }
    // A zero byte among the four characters.
    const std::string withZero("ED\0F", 4);
    EXPECT_FALSE(IcaoCode::parse(withZero).has_value());
    EXPECT_THROW(IcaoCode{withZero}, std::invalid_argument);
}

TEST(IcaoCodeTest, NotSetIsAllZero) {
    const IcaoCode none;
    EXPECT_EQ(none.value(), 0u);
    EXPECT_FALSE(none.isSet());
    EXPECT_TRUE(none.view().empty());
    EXPECT_EQ(fmt::format("[{}]", none), "[]");
    static_assert(sizeof(IcaoCode) == 8);
    unsigned char bytes[sizeof(IcaoCode)];
    std::memcpy(bytes, &none, sizeof bytes);
    EXPECT_TRUE(
        std::all_of(std::begin(bytes), std::end(bytes), [](unsigned char b) { return b == 0; }));
    EXPECT_LT(none, IcaoCode("0000"));
}

TEST(IcaoCodeTest, FromValueRoundTripsAndRejectsForeignBytes) {
    const IcaoCode code("LSZH");
    const auto back = IcaoCode::fromValue(code.value());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->view(), "LSZH");
    const auto none = IcaoCode::fromValue(0);
    ASSERT_TRUE(none.has_value());
    EXPECT_FALSE(none->isSet());
    // Lower case, a blank, a zero byte among letters.
    for (const std::uint32_t bad : {0x65646466u, 0x45442046u, 0x45440046u, 0x00444446u}) {
        EXPECT_FALSE(IcaoCode::fromValue(bad).has_value()) << std::hex << bad;
    }
}

TEST(IcaoCodeTest, OrdersAsTheTextAndHashesByValue) {
    std::vector<IcaoCode> codes{IcaoCode("LSZH"), IcaoCode("EDDF"), IcaoCode("KJFK"),
                                IcaoCode("EDDB"), IcaoCode("0AK1")};
    std::sort(codes.begin(), codes.end());
    std::vector<std::string> texts;
    for (const auto& c : codes) {
        texts.push_back(c.text());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"0AK1", "EDDB", "EDDF", "KJFK", "LSZH"}));

    std::unordered_set<IcaoCode> set{IcaoCode("EDDF"), IcaoCode("eddf"), IcaoCode("EDDM")};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_TRUE(set.contains(IcaoCode("EDDM")));
    EXPECT_EQ(std::hash<IcaoCode>{}(IcaoCode("EDDF")), std::hash<IcaoCode>{}(IcaoCode("eddf")));
}

TEST(IcaoCodeTest, FormatsAsItsCharacters) {
    const IcaoCode code("egll");
    EXPECT_EQ(fmt::format("{}", code), "EGLL");
    EXPECT_EQ(fmt::format("[{:6}]", code), "[EGLL  ]");
    EXPECT_EQ(fmt::format("[{:>6}]", code), "[  EGLL]");
}

// --- IataCode ---------------------------------------------------------------------------

TEST(IataCodeTest, PacksBigEndianAndUpperCases) {
    const IataCode fra("fra");
    EXPECT_EQ(fra.value(), 0x465241u);
    EXPECT_EQ(fra.view(), "FRA");
    EXPECT_EQ(fmt::format("{}", fra), "FRA");
    EXPECT_EQ(IataCode("9A1").value(), 0x394131u);
    EXPECT_EQ(IataCode::parse("Jfk"), IataCode("JFK"));
    static_assert(sizeof(IataCode) == 8);
}

TEST(IataCodeTest, RejectsWhatIsNotThreeLettersOrDigits) {
    for (const std::string text : {"", "FR", "FRAN", "F-A", "FR ", "ÄB"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(IataCode::parse(text).has_value());
        try {
            IataCode code(text);
            ADD_FAILURE() << "no exception for '" << text << "'";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), fmt::format("'{}' IataCode: invalid string", text));
        }
    }
}

TEST(IataCodeTest, PlaceholderAndNotSet) {
    EXPECT_TRUE(IataCode("XXX").isPlaceholder());
    EXPECT_TRUE(IataCode("xxx").isPlaceholder());
    EXPECT_TRUE(IataCode::placeholder().isPlaceholder());
    EXPECT_EQ(IataCode::placeholder().view(), "XXX");
    EXPECT_FALSE(IataCode("XXY").isPlaceholder());
    const IataCode none;
    EXPECT_FALSE(none.isPlaceholder());
    EXPECT_FALSE(none.isSet());
    EXPECT_EQ(fmt::format("[{}]", none), "[]");
}

TEST(IataCodeTest, FromValueRoundTripsAndRejectsForeignBytes) {
    const auto back = IataCode::fromValue(IataCode("ZRH").value());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->view(), "ZRH");
    EXPECT_FALSE(IataCode::fromValue(0x5A524800u).has_value()); // a fourth byte
    EXPECT_FALSE(IataCode::fromValue(0x7A7268u).has_value());   // lower case
    EXPECT_FALSE(IataCode::fromValue(0x5A0048u).has_value());   // a zero byte inside
}

TEST(IataCodeTest, OrdersAndHashes) {
    EXPECT_LT(IataCode("AMS"), IataCode("AMT"));
    EXPECT_LT(IataCode("ZZ9"), IataCode("ZZA"));
    std::unordered_set<IataCode> set{IataCode("LHR"), IataCode("lhr"), IataCode("LGW")};
    EXPECT_EQ(set.size(), 2u);
}

// --- Lalo -------------------------------------------------------------------------------

TEST(LaloTest, IsAPlainComparableAggregate) {
    constexpr Lalo a{50.0379, 8.5622};
    constexpr Lalo b{50.0379, 8.5623};
    EXPECT_EQ(a, (Lalo{50.0379, 8.5622}));
    EXPECT_NE(a, b);
    EXPECT_LT(a, b);
    EXPECT_LT((Lalo{-1, 100}), (Lalo{0, -100})); // latitude first
    const Lalo zero{};
    EXPECT_EQ(zero.lat, 0.0);
    EXPECT_EQ(zero.lon, 0.0);
}

} // namespace
} // namespace skyloom
