// Key recognition, the single-profile reading and the pass reading.
#include "profiles/system_entry.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/profile_text.h"
#include "tests/status_text.h"

namespace tidewarden {
namespace {

const char kName[] = "PRD.P00";

// The eleven entry lines of a sound profile; `change` replaces (or, with an
// empty text, drops) the line of a label.
std::string Profile(const std::map<std::string, std::string>& change = {}) {
  ProfileText profile;
  profile.Prepend("; sensor profile");
  profile.Set("Extcompany.:", "ACME Corp")
      .Set("User.......:", "rfc_user1")
      .Set("Password...:", StoredPassword("Secret12", 5))
      .Set("Gwhost.....:", "sapgw01");
  for (const auto& [label, line] : change) profile.SetLine(label, line);
  return profile.Bytes("\r\n");
}

std::optional<std::string> Read(const std::string& content, ConnectionParameters* parameters,
                                ProfileLines* lines = nullptr) {
  ProfileLines ignored;
  return MessageOf(ReadSystemEntry(content, kName, PasswordKeys(), ProcessEnvironment(), parameters,
                                   lines ? lines : &ignored));
}

// A byte order mark is read past, and kept for the rewrite on the first line,
// even when it is all the file holds (a fuzzing finding).
TEST(ReadSystemEntryTest, ByteOrderMarkIsReadPastAndKept) {
  const std::string kMark = "\xEF\xBB\xBF";
  struct {
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {kMark, {kMark}},
      {kMark + "\n", {kMark}},
      {kMark + "Destination: QAS\nx\n", {kMark + "Destination: QAS", "x"}},
  };
  for (const auto& c : cases) {
    ConnectionParameters p;
    ProfileLines lines;
    Read(c.content, &p, &lines);
    EXPECT_EQ(lines.lines, c.lines) << c.content;
  }
  ConnectionParameters p;
  ASSERT_EQ(Read(kMark + "Destination: QAS\n" + Profile(), &p), std::nullopt);
  EXPECT_EQ(p.client, "100");
}

TEST(ReadSystemEntryTest, SoundProfileFillsEveryField) {
  ConnectionParameters p;
  ProfileLines lines;
  ASSERT_EQ(Read(Profile() + "# Olg Date=20221207 10:05:00 Writes=1", &p, &lines), std::nullopt);
  EXPECT_EQ(p.extcompany, "ACME Corp");
  EXPECT_EQ(p.destination, "PRD");
  EXPECT_EQ(p.client, "100");
  EXPECT_EQ(p.user, "RFC_USER1");
  EXPECT_EQ(p.password, "Secret12");
  EXPECT_EQ(p.language, "E");
  EXPECT_EQ(p.mode, "R/3");
  EXPECT_EQ(p.hostname, "sapprd01");
  EXPECT_EQ(p.display_host, "sapprd01");
  EXPECT_EQ(p.sysnr, "00");
  EXPECT_EQ(p.gwhost, "sapgw01");
  EXPECT_EQ(p.gwservice, "sapgw00");
  ASSERT_EQ(lines.lines.size(), 13u);
  EXPECT_EQ(lines.lines.front(), "; sensor profile");
  EXPECT_EQ(lines.lines.back(), "# Olg Date=20221207 10:05:00 Writes=1");  // no line break
}

TEST(ReadSystemEntryTest, ValuesAsTheKeyRecognitionTakesThem) {
  const std::string mode_with_blanks = "Mode.......: R/3  ";
  struct {
    const char* name;
    std::string extra_lines;  // after the sound profile
    std::string ConnectionParameters::*field;
    std::string value;
  } cases[] = {
      {"later line replaces", "Destination: QAS\n", &ConnectionParameters::destination, "QAS"},
      {"trailing blanks kept", mode_with_blanks + "\n", &ConnectionParameters::mode, "R/3  "},
      {"user in capitals, a-z only", "User.......: ab-\xe4z9\n", &ConnectionParameters::user,
       "AB-\xe4Z9"},
      {"label in lower case is no entry", "user.......: OTHER\n", &ConnectionParameters::user,
       "RFC_USER1"},
      {"label of 11 characters is no entry", "User......: OTHER\n", &ConnectionParameters::user,
       "RFC_USER1"},
      {"one-character language", "Language...: D\n", &ConnectionParameters::language, "D"},
      {"hostname sets the display host", "Hostname...: other\n",
       &ConnectionParameters::display_host, "other"},
      {"state line is no entry", "# Olg Date=20221207\n", &ConnectionParameters::destination,
       "PRD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionParameters p;
    EXPECT_EQ(Read(Profile() + c.extra_lines, &p), std::nullopt);
    EXPECT_EQ(p.*c.field, c.value);
  }
}

TEST(ReadSystemEntryTest, EveryMessageInItsOrder) {
  const PasswordKeyTable& keys = PasswordKeys();
  const std::string clear = "Secret12abcdefghijkl";
  const std::string good = StoredPassword("Secret12", 5);
  std::string wrong = EncodeStoredPassword(clear, 1, 8, keys);
  wrong[0] = static_cast<char>(wrong[0] ^ 0x01);
  const std::string length00 = EncodeStoredPassword(clear, 1, 0, keys);
  const std::string length01 = EncodeStoredPassword(clear, 1, 1, keys);
  auto message = [](int code, const char* text) { return "Error " + std::to_string(code) + text; };
  const std::string e1003 = message(1003, ": Invalid Parameter(s) at PRD.P00 found...");
  const std::string e1004 = message(1004, ": Invalid Password in Profile PRD.P00 found...");
  const std::string e1005 = message(1005, ": Wrong Password in Profile PRD.P00 found...");
  const std::string e1006 = message(1006, ": Username in Profile PRD.P00 is missing...");
  const std::string e1007 = message(1007, ": Password in Profile PRD.P00 is missing...");
  struct {
    const char* name;
    std::string content;
    std::optional<std::string> message;
  } cases[] = {
      {"empty file", "", e1006},
      {"no Extcompany", Profile({{"Extcompany.:", ""}}), e1003},
      {"client without separator", Profile({{"Client.....:", "Client.....:100"}}), e1003},
      {"user label in lower case only", Profile({{"User.......:", "user.......: rfc_user1"}}),
       e1006},
      {"stored password of 23", Profile({{"Password...:", "Password...: " + good.substr(1)}}),
       e1004},
      {"stored password of 25", Profile({{"Password...:", "Password...: " + good + "x"}}), e1004},
      {"header not four digits",
       Profile({{"Password...:", "Password...: " + std::string(24, 'A')}}), e1004},
      {"check digit", Profile({{"Password...:", "Password...: " + wrong}}), e1005},
      {"invalid password before a missing user",
       Profile({{"User.......:", ""}, {"Password...:", "Password...: x"}}), e1004},
      {"bad password ends the reading: later lines unread",
       Profile({{"Password...:", "Password...: x"}}) + "Password...: " + good + "\n", e1004},
      {"empty password line", Profile({{"Password...:", "Password...:"}}), e1007},
      {"empty password after a good one", Profile() + "Password...: \n", e1007},
      {"no password line", Profile({{"Password...:", ""}}), e1007},
      {"password length 00", Profile({{"Password...:", "Password...: " + length00}}), e1007},
      {"password length 01", Profile({{"Password...:", "Password...: " + length01}}), e1003},
      {"user before password", Profile({{"User.......:", ""}, {"Password...:", ""}}), e1006},
      {"sysnr of one character", Profile({{"Sysnr......:", "Sysnr......: 0"}}), e1003},
      {"sound", Profile(), std::nullopt},
      {"env: bad name", Profile({{"Password...:", "Password...: env:T-W"}}), e1004},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionParameters p;
    EXPECT_EQ(Read(c.content, &p), c.message);
  }
}

TEST(ReadSystemEntryTest, ValuesBeyondTheFieldWidthAreRefused) {
  struct {
    const char* label;
    std::size_t width;
    std::string ConnectionParameters::*field;
  } cases[] = {
      {"Destination:", 11, &ConnectionParameters::destination},
      {"Client.....:", 11, &ConnectionParameters::client},
      {"User.......:", 47, &ConnectionParameters::user},
      {"Language...:", 31, &ConnectionParameters::language},
      {"Mode.......:", 31, &ConnectionParameters::mode},
      {"Hostname...:", 47, &ConnectionParameters::hostname},
      {"Sysnr......:", 31, &ConnectionParameters::sysnr},
      {"Gwservice..:", 31, &ConnectionParameters::gwservice},
      // Wider fields than the 60 characters an entry line holds.
      {"Extcompany.:", 60, &ConnectionParameters::extcompany},
      {"Gwhost.....:", 60, &ConnectionParameters::gwhost},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string label = c.label;
    ConnectionParameters p;
    EXPECT_EQ(Read(Profile({{label, label + " " + std::string(c.width, 'W')}}), &p), std::nullopt);
    EXPECT_EQ(Read(Profile({{label, label + " " + std::string(c.width + 1, 'W')}}), &p),
              "Error 1003: Invalid Parameter(s) at PRD.P00 found...");
    EXPECT_EQ((p.*c.field).size(), c.width) << "kept within its room";
    // A later line with a value that fits takes its place.
    EXPECT_EQ(
        Read(Profile({{label, label + " " + std::string(c.width + 1, 'W')}}) + label + " WWW\n",
             &p),
        std::nullopt);
  }
  ConnectionParameters p;
  EXPECT_EQ(Read(Profile({{"Hostname...:", "Hostname...: " + std::string(60, 'h')}}), &p),
            "Error 1003: Invalid Parameter(s) at PRD.P00 found...");
  EXPECT_EQ(p.display_host.size(), 47u);
}

TEST(ReadSystemEntryTest, EveryLineKeptWholeForTheRewrite) {
  std::string content = Profile();
  const std::string long_comment = "; " + std::string(300, 'c');
  content += long_comment + "\n";
  for (int i = 0; i < 250; ++i) content += "; line " + std::to_string(i) + "\n";
  content += "Destination: QAS\r\n";  // beyond the 200th line: still an entry
  content += "last line without break";
  ConnectionParameters p;
  ProfileLines lines;
  ASSERT_EQ(Read(content, &p, &lines), std::nullopt);
  EXPECT_EQ(p.destination, "QAS");
  ASSERT_EQ(lines.lines.size(), 12u + 1 + 250 + 2);
  EXPECT_EQ(lines.lines[12], long_comment);
  EXPECT_EQ(lines.lines[13], "; line 0");
  EXPECT_EQ(lines.lines[263], "Destination: QAS");
  EXPECT_EQ(lines.lines[264], "last line without break");
}

TEST(ReadSystemEntryTest, EntryLinesHaveRoomFor159Characters) {
  // The rest of a longer line is read as a line of its own.
  ConnectionParameters p;
  ProfileLines lines;
  ASSERT_EQ(Read(Profile() + std::string(159, ';') + "Destination: QAS\n", &p, &lines),
            std::nullopt);
  EXPECT_EQ(p.destination, "QAS");
  EXPECT_EQ(lines.lines.back(), std::string(159, ';') + "Destination: QAS");
}

TEST(ReadSystemEntryTest, CtrlZInsideAStoredPasswordIsAPlainByte) {
  // Clear byte 0x19 under key offset 0 is stored as 0x1A, the end of a
  // Windows text file.
  const std::string clear = "\x19Secret" + std::string(13, '!');
  const std::string stored = EncodeStoredPassword(clear, 0, 7, PasswordKeys());
  ASSERT_NE(stored.find('\x1a'), std::string::npos);
  ConnectionParameters p;
  ASSERT_EQ(Read(Profile({{"Password...:", "Password...: " + stored}, {"Gwservice..:", ""}}) +
                     "Gwservice..: after\n",
                 &p),
            std::nullopt);
  EXPECT_EQ(p.password, "\x19Secret");
  EXPECT_EQ(p.gwservice, "after");
}

TEST(ReadSystemEntryForPassTest, FailureFlagAndCarriedFields) {
  ConnectionParameters p;
  ASSERT_TRUE(
      ReadSystemEntryForPass(Profile(), "PRD.P00", PasswordKeys(), ProcessEnvironment(), &p).ok());
  // A second system's profile that sets only some fields keeps the others.
  EXPECT_TRUE(ReadSystemEntryForPass("Destination: QAS\nHostname...: sapqas\n", "QAS.P00",
                                     PasswordKeys(), ProcessEnvironment(), &p)
                  .ok());
  EXPECT_EQ(p.destination, "QAS");
  EXPECT_EQ(p.display_host, "sapqas");
  EXPECT_EQ(p.user, "RFC_USER1");
  EXPECT_EQ(p.password, "Secret12");
}

TEST(ReadSystemEntryForPassTest, FaultsFailTheSystemWithTheMessageOfASingleRun) {
  std::string wrong = StoredPassword("Other123", 5);
  wrong[0] = static_cast<char>(wrong[0] ^ 0x01);
  struct {
    const char* name;
    std::string content;
    std::optional<std::string> message;  // nullopt: sound
    std::string password;  // after the reading; the earlier one was "Before12"
    std::string user;
    std::string client = "100";
  } cases[] = {
      {"sound", Profile(), std::nullopt, "Secret12", "RFC_USER1"},
      {"invalid password keeps the earlier one and reads on",
       "Password...: short\nUser.......: later\n",
       "Error 1004: Invalid Password in Profile QAS.P00 found...", "Before12", "LATER"},
      {"wrong password keeps the earlier one", "Password...: " + wrong + "\n",
       "Error 1005: Wrong Password in Profile QAS.P00 found...", "Before12", "BEFORE"},
      {"empty password line", "Password...:\n",
       "Error 1007: Password in Profile QAS.P00 is missing...", "", "BEFORE"},
      {"too short", "Client.....: 1\n", "Error 1003: Invalid Parameter(s) at QAS.P00 found...",
       "Before12", "BEFORE", "1"},
      {"too long", "Client.....: " + std::string(12, '1') + "\n",
       "Error 1003: Invalid Parameter(s) at QAS.P00 found...", "Before12", "BEFORE",
       std::string(11, '1')},
      {"room 199: no second line out of 175 characters",
       std::string(159, ';') + "Client.....: 999\n", std::nullopt, "Before12", "BEFORE"},
      {"env: unset, never the earlier password", "Password...: env:TIDEWARDEN_NEVER_SET\n",
       "Error 1007: Password in Profile QAS.P00 is missing...", "", "BEFORE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectionParameters p;
    ASSERT_TRUE(ReadSystemEntryForPass(
                    Profile({{"User.......:", "User.......: before"},
                             {"Password...:", "Password...: " + StoredPassword("Before12", 5)}}),
                    "PRD.P00", PasswordKeys(), ProcessEnvironment(), &p)
                    .ok());
    EXPECT_EQ(MessageOf(ReadSystemEntryForPass(c.content, "QAS.P00", PasswordKeys(),
                                               ProcessEnvironment(), &p)),
              c.message);
    EXPECT_EQ(p.password, c.password);
    EXPECT_EQ(p.user, c.user);
    EXPECT_EQ(p.client, c.client);
  }
}

}  // namespace
}  // namespace tidewarden
