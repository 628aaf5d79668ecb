// The figures and the state line of the logging collection.
#include "collect/logging_figures.h"

#include <gtest/gtest.h>

#include <climits>

namespace tidewarden {
namespace {

TEST(GroupThousandsTest, AtMostTwoSeparators) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {{"0", "0"},         {"123", "123"},           {"1234", "1.234"},
               {"123456", "123.456"}, {"1234567", "1.234.567"},
               {"4294967295", "4294.967.295"},
               {"4294967196", "4294.967.196"}};
  for (const auto& c : cases) EXPECT_EQ(GroupThousands(c.in), c.out);
}

TEST(ReadStateTotalTest, KeysAnywhereAtMostElevenCharacters) {
  const std::string line =
      "# Olg Date=20221207 10:05:00 Writes=1843221 WaitBusy=17 RollBacks=5120";
  EXPECT_EQ(ReadStateTotal(line, "Writes="), 1843221);
  EXPECT_EQ(ReadStateTotal(line, "WaitBusy="), 17);
  EXPECT_EQ(ReadStateTotal(line, "RollBacks="), 5120);
  EXPECT_EQ(ReadStateTotal("# Olg Date=20221207 x", "Writes="), 0);
  EXPECT_EQ(ReadStateTotal("Writes=x12", "Writes="), 0);
  EXPECT_EQ(ReadStateTotal("Writes=123456789012345", "Writes="),
            static_cast<std::int32_t>(12345678901LL & 0xFFFFFFFF));
  EXPECT_EQ(ReadStateTotal("Writes=12abc", "Writes="), 12);
  EXPECT_EQ(ReadStateTotal("Writes=-12", "Writes="), 0);
}

TEST(LogUsageTest, PerCentIn32Bits) {
  EXPECT_EQ(LogUsage(123, 1310720), 0);
  EXPECT_EQ(LogUsage(27, 900), 3);
  EXPECT_EQ(LogUsage(900, 900), 100);
  EXPECT_EQ(LogUsage(5, 0), 0);  // no log size: no usage, no trap
  // 536870912 * 100 wraps to INT32_MIN; dividing that by -1 must not trap.
  EXPECT_EQ(LogUsage(536870912, -1), INT32_MIN);
  EXPECT_EQ(LogUsage(10, -1), -1000);
  EXPECT_EQ(LogUsage(50000000, 100),
            static_cast<std::int32_t>(5000000000ULL & 0xFFFFFFFF) / 100);
}

TEST(RewrittenProfileTest, KeepsEveryOtherLineAndOneStateAndHistoryLine) {
  ProfileLines lines;
  lines.lines = {"Destination: PRD",
                 "# Olg Date=20221207 10:00:00 Writes=1 WaitBusy=2 RollBacks=3",
                 std::string(400, 'c'), "# Olx junk", "# Olg second", "", "last"};
  const std::string state = "# Olg Date=20221207 10:05:00 Writes=5 WaitBusy=2 RollBacks=3";
  EXPECT_EQ(RewrittenProfile(lines, state, lines.FindLine(kStateLinePrefix), "\r\n"),
            "Destination: PRD\r\n" + std::string(400, 'c') + "\r\n\r\nlast\r\n" + state +
                "\r\n# Olx Date=20221207 10:00:00 Writes=1 WaitBusy=2 RollBacks=3\r\n");
  ProfileLines first;
  first.lines = {"a"};
  EXPECT_EQ(RewrittenProfile(first, state, std::nullopt, "\n"), "a\n" + state + "\n");
}

}  // namespace
}  // namespace tidewarden
