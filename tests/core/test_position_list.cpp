#include "io/position_list.h"

#include "io_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace lirovane {
namespace {

using testing::ScratchDir;
using testing::WriteFile;

struct LoadCase {
    const char* name;
    const char* content;
    std::vector<std::int32_t> entries;
    std::vector<std::int64_t> absent;
};

void PrintTo(const LoadCase& c, std::ostream* os)
{
    *os << c.name;
}

const LoadCase kLoadCases[] = {
    {"TwoLines", "5\r\n40\r\n", {5, 40}, {0, 6, 41, -5}},
    {"Empty", "", {}, {0, 1, 5}},
    {"AnyBlanks", " 7\t8\v9\f10\r11\n", {7, 8, 9, 10, 11}, {6, 12}},
    {"BadTokenEndsReading", "5\r\n40x\r\n70\r\n", {5, 40}, {70}},
    {"WordEndsReading", "5\r\nend\r\n70\r\n", {5}, {70}},
    {"Above32Bits", "5\r\n2147483648\r\n70\r\n", {5}, {70, 2147483648LL}},
    {"Extremes", "-2147483648\r\n2147483647\r\n", {-2147483648, 2147483647}, {0, 2147483648LL, -2147483649LL}},
    {"UnsortedWithRepeats", "40 5 40 -3", {40, 5, 40, -3}, {0, 4, 39}},
};

class LoadPositionListTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadPositionListTest, KeepsFileOrderAndFindsEveryEntry)
{
    const LoadCase& c = GetParam();
    ScratchDir dir("positions");
    WriteFile(dir / "starts.txt", c.content);
    PositionList list;
    list.Add(12345); // earlier content must go
    ASSERT_TRUE(LoadPositionList(dir / "starts.txt", list));
    EXPECT_EQ(list.Entries(), c.entries);
    EXPECT_EQ(list.Count(), static_cast<int>(c.entries.size()));
    EXPECT_TRUE(std::is_sorted(list.Sorted().begin(), list.Sorted().end()));
    for (const std::int32_t p : c.entries)
        EXPECT_TRUE(list.Contains(p)) << p;
    for (const std::int64_t p : c.absent)
        EXPECT_FALSE(list.Contains(p)) << p;
    EXPECT_FALSE(list.Contains(12345));
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadPositionListTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(LoadPositionList, MissingFileGivesAnEmptyList)
{
    ScratchDir dir("positions-missing");
    PositionList list;
    list.Add(5);
    EXPECT_FALSE(LoadPositionList(dir / "ends.txt", list));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Contains(5));
}

TEST(LoadPositionList, GrowsPastFiveThousand)
{
    std::vector<std::int32_t> positions(20000);
    std::iota(positions.begin(), positions.end(), 1);
    std::shuffle(positions.begin(), positions.end(), std::mt19937(7));
    std::string content;
    for (const std::int32_t p : positions)
        content += std::to_string(p * 3) + "\r\n";
    ScratchDir dir("positions-many");
    WriteFile(dir / "starts.txt", content);
    PositionList list;
    ASSERT_TRUE(LoadPositionList(dir / "starts.txt", list));
    ASSERT_EQ(list.Count(), 20000);
    EXPECT_EQ(list.Entries().front(), positions.front() * 3);
    EXPECT_EQ(list.Entries().back(), positions.back() * 3);
    for (std::int32_t p = 0; p <= 60002; ++p)
        ASSERT_EQ(list.Contains(p), p >= 3 && p % 3 == 0) << p;
}

} // namespace
} // namespace lirovane
