// The password scheme: the probe's unscrambling and the tool's scrambling.
#include "profiles/password.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/status_text.h"

namespace tidewarden {
namespace {

bool Printable(const std::string& stored) {
  for (char c : stored) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x21 || u > 0x7E) return false;
  }
  return true;
}

TEST(UnscramblePasswordTest, KnownStoredForms) {
  // Made from the scheme independently of the code under test; together they
  // touch key bytes 1 to 29, so a changed key table shows here.
  struct {
    std::string stored;
    std::string password;
  } cases[] = {
      {"07+6Hmt6<#8-4+>%6(3'.ujn", "Secret12"},
      {"22*8V}!tnq6%hqb~3(+q}Mf\x7f", "Tide-Warden 2022"},
      {"3<)>Agev)rV\"4^BY9&vQmaz\x7f", "Marrowin-Key_2022ABC"},
      {"35*9Nwtg<bB2+NVK-6nB|qn`", "Marrowin-Key_2022"},
  };
  for (const auto& c : cases) {
    UnscrambledPassword result = UnscramblePassword(c.stored, PasswordKeys());
    EXPECT_EQ(result.outcome, PasswordOutcome::kText) << c.password;
    EXPECT_EQ(result.text, c.password);
  }
}

TEST(UnscramblePasswordTest, Outcomes) {
  const PasswordKeyTable& keys = PasswordKeys();
  const std::string clear = "Secret12!!!!!!!!!!!!";
  const std::string good = EncodeStoredPassword(clear, 2, 8, keys);
  std::string wrong_check = good;
  wrong_check[0] = static_cast<char>(wrong_check[0] ^ 0x01);  // another digit
  std::string not_a_digit = good;
  not_a_digit[2] = static_cast<char>(not_a_digit[2] ^ 0x10);
  std::string zero_bytes = clear;
  zero_bytes[1] = '\0';
  zero_bytes[10] = '\0';
  struct {
    const char* name;
    std::string stored;
    PasswordOutcome outcome;
    std::string text;
  } cases[] = {
      {"good", good, PasswordOutcome::kText, "Secret12"},
      {"23 characters", good.substr(0, 23), PasswordOutcome::kInvalid, ""},
      {"25 characters", good + "x", PasswordOutcome::kInvalid, ""},
      {"empty", "", PasswordOutcome::kInvalid, ""},
      {"header no digit", not_a_digit, PasswordOutcome::kInvalid, ""},
      {"check digit", wrong_check, PasswordOutcome::kWrong, ""},
      {"length 00", EncodeStoredPassword(clear, 0, 0, keys), PasswordOutcome::kText, ""},
      {"length 01", EncodeStoredPassword(clear, 9, 1, keys), PasswordOutcome::kText, "S"},
      {"length beyond the clear text", EncodeStoredPassword(clear, 5, 99, keys),
       PasswordOutcome::kText, clear},
      {"zero bytes left out", EncodeStoredPassword(zero_bytes, 3, 8, keys), PasswordOutcome::kText,
       "Scret12!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UnscrambledPassword result = UnscramblePassword(c.stored, keys);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.text, c.text);
  }
}

TEST(UnscramblePasswordTest, EveryByteValueComesBack) {
  // Bytes above 0x7F must neither upset the check digit nor be lost.
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string clear(20, '\0');
    for (char& c : clear) c = static_cast<char>(1 + random() % 255);
    const int offset = static_cast<int>(random() % 10);
    const int length = 1 + static_cast<int>(random() % 20);
    UnscrambledPassword result = UnscramblePassword(
        EncodeStoredPassword(clear, offset, length, PasswordKeys()), PasswordKeys());
    ASSERT_EQ(result.outcome, PasswordOutcome::kText) << round;
    ASSERT_EQ(result.text, clear.substr(0, static_cast<std::size_t>(length))) << round;
  }
}

// Under this key table "e" never decodes to a digit, and the header alone
// decides validity: no "env:" value can be taken for a stored form.
TEST(PasswordVariableTest, NamesNoStoredFormAndWhatTheLibraryTakes) {
  EXPECT_EQ(UnscramblePassword("env:" + std::string(20, 'A'), PasswordKeys()).outcome,
            PasswordOutcome::kInvalid);
  const std::string longest(56, 'A');
  EXPECT_EQ(PasswordVariable("env:prtg_windowspassword"), "prtg_windowspassword");
  EXPECT_EQ(PasswordVariable("env:" + longest), longest);
  for (const std::string& bad :
       {"env:" + longest + "A", std::string("env:"), std::string("ENV:A")}) {
    EXPECT_EQ(PasswordVariable(bad), std::nullopt) << bad;
  }
  EXPECT_EQ(CheckEnvironmentPassword(std::string(32, ' '), 31).message(),
            "32 characters, more than the library's room of 31");
  EXPECT_EQ(CheckEnvironmentPassword("del\x7f", 40).message(),
            "character 4 is no printable ASCII character");
}

TEST(ScramblePasswordTest, RandomPasswordsRoundTripPrintably) {
  std::mt19937 random(11);
  int refused = 0;
  const int rounds = 5000;
  for (int round = 0; round < rounds; ++round) {
    std::string password(1 + random() % 20, ' ');
    for (char& c : password) c = static_cast<char>(0x20 + random() % 0x5F);  // blank to ~
    const Result<std::string> scrambled =
        ScramblePassword(password, PasswordKeys(), static_cast<std::uint32_t>(random()));
    if (!scrambled.ok()) {
      ++refused;
      continue;
    }
    const std::string& stored = *scrambled;
    ASSERT_EQ(stored.size(), kStoredPasswordLength) << password;
    ASSERT_TRUE(Printable(stored)) << password << " -> " << stored;
    UnscrambledPassword back = UnscramblePassword(stored, PasswordKeys());
    ASSERT_EQ(back.outcome, PasswordOutcome::kText) << password;
    ASSERT_EQ(back.text, password);
  }
  // Only 20-character passwords with an unlucky check digit and rare
  // character combinations cannot be stored.
  EXPECT_LT(refused, rounds / 50);
}

TEST(ScramblePasswordTest, ShortAndLongPasswordsOfEveryCharacter) {
  for (int c = 0x20; c <= 0x7E; ++c) {
    for (std::size_t length : {1, 2}) {
      const std::string password(length, static_cast<char>(c));
      const Result<std::string> stored = ScramblePassword(password, PasswordKeys(), 3);
      ASSERT_TRUE(stored.ok()) << c;
      EXPECT_EQ(UnscramblePassword(*stored, PasswordKeys()).text, password);
    }
  }
}

TEST(ScramblePasswordTest, RefusesWhatCannotBeStored) {
  struct {
    std::string password;
    std::string message_part;
  } cases[] = {
      {"", "empty"},
      {std::string(21, 'a'), "at most 20"},
      {"tab\there", "printable ASCII"},
      {"caf\xc3\xa9", "printable ASCII"},
      {"del\x7f", "printable ASCII"},
  };
  for (const auto& c : cases) {
    std::optional<std::string> problem = MessageOf(ScramblePassword(c.password, PasswordKeys(), 1));
    ASSERT_TRUE(problem.has_value()) << c.password;
    EXPECT_NE(problem->find(c.message_part), std::string::npos) << *problem;
  }
  // Every check digit stays printable, so 20 characters always leave room:
  // 'D' + 19 x 'A' has the check digit 3.
  EXPECT_TRUE(ScramblePassword("D" + std::string(19, 'A'), PasswordKeys(), 1).ok());
}

TEST(ScramblePasswordTest, SeedVariesTheStoredForm) {
  const Result<std::string> first = ScramblePassword("Secret12", PasswordKeys(), 1);
  const Result<std::string> again = ScramblePassword("Secret12", PasswordKeys(), 1);
  const Result<std::string> other = ScramblePassword("Secret12", PasswordKeys(), 2);
  ASSERT_TRUE(first.ok() && again.ok() && other.ok());
  EXPECT_EQ(*first, *again);
  EXPECT_NE(*first, *other);
}

}  // namespace
}  // namespace tidewarden
