// The shared text helpers.
#include "base/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tidewarden {
namespace {

TEST(UpperCaseTest, OnlyLettersAToZ) {
  EXPECT_EQ(UpperCase("abz AZ 09 \xe4\xfc-"), "ABZ AZ 09 \xe4\xfc-");
}

TEST(LeadingDecimalTest, ReadsLikeACConversion) {
  struct {
    const char* text;
    std::int32_t value;
  } cases[] = {{"", 0},   {"12", 12},        {"  7x", 7},        {"+5", 5}, {"-3", -3},
               {"x1", 0}, {"4294967296", 0}, {"4294967295", -1}, {"00", 0}, {"5a", 5}};
  for (const auto& c : cases) EXPECT_EQ(LeadingDecimal(c.text), c.value) << c.text;
}

// A full field has no zero byte: the copy must stop at its room.
TEST(FixedFieldTextTest, UpToTheZeroOrTheRoom) {
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FixedFieldText(full, sizeof full), "abcd");
  EXPECT_EQ(FixedFieldText("ab\0cd", 5), "ab");
  std::string text = "ab";
  PadWithBlanks(&text, 4);
  EXPECT_EQ(text, "ab  ");
  PadWithBlanks(&text, 2);
  EXPECT_EQ(text, "ab  ");
}

}  // namespace
}  // namespace tidewarden
