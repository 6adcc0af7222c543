// The one trim and number reading every text-to-number reader goes through.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "base/TextNumber.h"

namespace velmora {
namespace {

TEST(Trim, BothEndsOfSpaceTabAndLineBreaks) {
    struct Case {
        const char* in;
        const char* want;
    } cases[] = {
        {"", ""},           {"   ", ""},        {"\t\r\n ", ""}, {"a", "a"},
        {"  a b  ", "a b"}, {"\t12\r\n", "12"}, {"x\t", "x"},    {"\n\nx", "x"},
        {"图片 ", "图片"},  {"\x01x", "\x01x"},  // other control bytes stay
    };
    for (const Case& c : cases)
        EXPECT_EQ(Trim(c.in), c.want) << '"' << c.in << '"';
}

TEST(ParseNumber, WholeTrimmedTextOrNothing) {
    struct Case {
        const char* in;
        std::optional<double> want;
    } cases[] = {
        {"12", 12},
        {" 12 ", 12},
        {"\t-0.5\r\n", -0.5},
        {"+3", 3},
        {"1e2", 100},
        {".5", 0.5},
        {"5.", 5},
        {"-0", 0},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"+", std::nullopt},
        {"-", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"1e999", std::nullopt},
        {"+-1", std::nullopt},
        {"++1", std::nullopt},
        {"1,5", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        auto v = ParseNumber(c.in);
        ASSERT_EQ(v.has_value(), c.want.has_value());
        if (v) {
            EXPECT_DOUBLE_EQ(*v, *c.want);
        }
    }
}

TEST(ParseInteger, DigitsInRangeOfTheType) {
    struct Case {
        const char* in;
        std::optional<int64_t> asInt32;
        std::optional<uint64_t> asUint64;
    } cases[] = {
        {"0", 0, 0},
        {" 42\r\n", 42, 42},
        {"+7", 7, 7},
        {"-7", -7, std::nullopt},
        {"2147483647", 2147483647, 2147483647u},
        {"2147483648", std::nullopt, 2147483648u},
        {"-2147483648", -2147483648LL, std::nullopt},
        {"18446744073709551615", std::nullopt, UINT64_MAX},
        {"18446744073709551616", std::nullopt, std::nullopt},
        {"1.0", std::nullopt, std::nullopt},
        {"1e3", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"+", std::nullopt, std::nullopt},
        {"+-1", std::nullopt, std::nullopt},
        {"12 3", std::nullopt, std::nullopt},
        {"0x1F", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        auto i = ParseInteger<int32_t>(c.in);
        ASSERT_EQ(i.has_value(), c.asInt32.has_value());
        if (i) {
            EXPECT_EQ(*i, *c.asInt32);
        }
        auto u = ParseInteger<uint64_t>(c.in);
        ASSERT_EQ(u.has_value(), c.asUint64.has_value());
        if (u) {
            EXPECT_EQ(*u, *c.asUint64);
        }
    }
}

}  // namespace
}  // namespace velmora
