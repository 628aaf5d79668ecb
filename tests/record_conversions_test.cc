// The fields of the classic library's records read as text, numbers, dates.
#include "rfc/classic/record_layouts.h"

#include <gtest/gtest.h>

#include <string>

namespace tidewarden {
namespace {

TEST(ConvertCollectorTimestampTest, DatesAndTimes) {
  struct {
    const char* stamp;
    const char* date;
    const char* time;
  } cases[] = {
      {"Tue Nov 18 09:05:00 2025", "20251118", "09:05:00"},
      {"Mon Dec  7 23:59:59 2026", "20261207", "23:59:59"},
      {"Sat Jan  1 00:00:00 2000", "20000101", "00:00:00"},
      {"Fri Dez 24 10:00:00 2021", "2021ez24", "10:00:00"},  // no English month name
      {"Fri Dec 31 10:00:00 1999", "20991231", "10:00:00"},
      {"                        ", "20    0 ", "        "},
      {"Tue Nov 18 09:05:00 2025X", "20251118", "09:05:00"},
      {"", "20    0 ", "        "},  // shorter than a timestamp: read as blanks
      {"Wed Feb 29 12:00:00 2028", "20280229", "12:00:00"},
  };
  for (const auto& c : cases) {
    std::string date, time;
    ConvertCollectorTimestamp(c.stamp, &date, &time);
    EXPECT_EQ(date, c.date) << c.stamp;
    EXPECT_EQ(time, c.time) << c.stamp;
  }
}

TEST(StripDotsTest, OnlyTextsLongerThanThree) {
  EXPECT_EQ(StripDots("1.310.720"), "1310720");
  EXPECT_EQ(StripDots("1.2"), "1.2");
  EXPECT_EQ(StripDots("...."), "");
  EXPECT_EQ(StripDots("  1.234 "), "  1234 ");
}

TEST(ConvertRecordFieldTest, TextFieldsToNumbers) {
  struct {
    std::string field;
    std::int32_t value;
  } cases[] = {
      {"       1843221", 1843221},
      {"     1.310.720", 1310720},
      {"           1.2", 12},  // the whole field counts, blanks included
      {"1.2", 1},
      {"           abc", 0},
      {"              ", 0},
      {"12" + std::string(1, '\0') + "34567890123", 12},
      {"   -5", -5},
      {"    4294967296", 0},  // wraps around
      {"    4294967297", 1},
      {"99999999999999", static_cast<std::int32_t>(99999999999999ULL & 0xFFFFFFFFu)},
      {"1 2", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ConvertRecordField(c.field), c.value) << c.field;
}

}  // namespace
}  // namespace tidewarden
