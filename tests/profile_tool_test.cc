// tidewarden-profile's commands, run in-process on the fake file system.
#include "profile_tool/profile_tool.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "profiles/password.h"
#include "profiles/system_entry.h"
#include "tests/fake_file_system.h"

namespace tidewarden {
namespace {

class ProfileToolTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int code = RunProfileTool(args, in, out, err, fs_, 42);
    out_ = out.str();
    err_ = err.str();
    return code;
  }

  FakeFileSystem fs_;
  std::string out_;
  std::string err_;
};

TEST_F(ProfileToolTest, ScramblePrintsAStoredFormTheProbeReads) {
  for (const char* input : {"Secret12\n", "Secret12\r\n", "Secret12"}) {
    SCOPED_TRACE(input);
    ASSERT_EQ(Run({"scramble"}, input), 0) << err_;
    ASSERT_EQ(out_.size(), 25u);
    EXPECT_EQ(out_.back(), '\n');
    UnscrambledPassword back = UnscramblePassword(out_.substr(0, 24), PasswordKeys());
    EXPECT_EQ(back.outcome, PasswordOutcome::kText);
    EXPECT_EQ(back.text, "Secret12");
    EXPECT_EQ(err_, "");
  }
  // Only the first line is the password; blanks belong to it.
  ASSERT_EQ(Run({"scramble"}, " two words \nignored\n"), 0);
  EXPECT_EQ(UnscramblePassword(out_.substr(0, 24), PasswordKeys()).text, " two words ");
}

TEST_F(ProfileToolTest, ScrambleRefusesWithAClearMessage) {
  struct {
    std::string input;
    std::string message_part;
  } cases[] = {
      {"", "no password"},
      {"\n", "empty"},
      {std::string(21, 'x') + "\n", "at most 20"},
      {"p\xe4ss\n", "printable ASCII"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(Run({"scramble"}, c.input), 2);
    EXPECT_EQ(out_, "");
    EXPECT_NE(err_.find(c.message_part), std::string::npos) << err_;
  }
  EXPECT_EQ(Run({"scramble"}, "x\n"), 0);
  EXPECT_NE(err_.find("shorter than 2"), std::string::npos) << "a one-character warning";
}

TEST_F(ProfileToolTest, NewProfileBecomesAcceptedOnceThePasswordIsIn) {
  ASSERT_EQ(Run({"new", "PRD"}), 0);
  const std::string skeleton = out_;
  EXPECT_EQ(skeleton, ProfileSkeleton("PRD"));
  // Each entry line exactly once, and no comment the probe could take for
  // one of its own lines.
  std::istringstream lines(skeleton);
  std::string line;
  std::map<std::string, int> labels;
  while (std::getline(lines, line)) {
    EXPECT_LT(line.size(), 80u) << line;
    EXPECT_NE(line.rfind("# ", 0), 0u) << line;
    if (line.rfind(";", 0) != 0) ++labels[line.substr(0, 12)];
  }
  ASSERT_EQ(labels.size(), 11u);
  for (const EntryField& field : EntryFields()) EXPECT_EQ(labels[std::string(field.label)], 1);

  fs_.Add("PRD.P00", skeleton);
  EXPECT_EQ(Run({"check", "PRD"}), 2);
  EXPECT_EQ(out_, "Error 1007: Password in Profile PRD.P00 is missing...\n");

  ASSERT_EQ(Run({"scramble"}, "Secret12\n"), 0);
  std::string profile = skeleton;
  profile.replace(profile.find("Password...: \n"), 14, "Password...: " + out_);
  fs_.Add("C:\\Sensors\\PRD.P00", profile);
  EXPECT_EQ(Run({"check", "C:\\Sensors\\PRD.P00"}), 2);
  EXPECT_EQ(out_,
            "PRD.P00: not filled in: Extcompany.: \"<company>\", Client.....: \"000\", "
            "User.......: \"<RFC USER>\", Hostname...: \"<application server>\", Gwhost.....: "
            "\"<gateway host>\" as tidewarden-profile new wrote them.\n");
  for (const auto& [from, to] : {std::pair{"<company>", "ACME"},
                                 {"<rfc user>", "monitor"},
                                 {"<application server>", "sapprd01"},
                                 {"<gateway host>", "gw"}}) {
    profile.replace(profile.find(from), std::string(from).size(), to);
  }
  fs_.Add("C:\\Sensors\\PRD.P00", profile);
  ASSERT_EQ(Run({"check", "C:\\Sensors\\PRD.P00"}), 0) << out_;
  EXPECT_EQ(out_,
            "PRD.P00: the probe accepts this profile.\n"
            "Extcompany.: \"ACME\"\n"
            "Destination: \"PRD\"\n"
            "Client.....: \"000\"\n"
            "User.......: \"MONITOR\"\n"
            "Password...: 8 characters\n"
            "Language...: \"E\"\n"
            "Mode.......: \"R/3\"\n"
            "Hostname...: \"sapprd01\"\n"
            "Sysnr......: \"00\"\n"
            "Gwhost.....: \"gw\"\n"
            "Gwservice..: \"sapgw00\"\n");
}

TEST_F(ProfileToolTest, NewRefusesDestinationsTheProbeWouldNot) {
  for (const char* destination : {"AB", "ABCDEFGHIJKL", "P D", ""}) {
    SCOPED_TRACE(destination);
    EXPECT_EQ(Run({"new", destination}), 2);
    EXPECT_EQ(out_, "");
    EXPECT_NE(err_.find("3 to 11"), std::string::npos);
  }
  EXPECT_EQ(Run({"new", "ABCDEFGHIJK"}), 0);
}

TEST_F(ProfileToolTest, CheckShowsTheProbesMessage) {
  fs_.Add("QAS.P00", "User.......: x\nPassword...: " + std::string(23, 'p') + "\n");
  EXPECT_EQ(Run({"check", "QAS.P00"}), 2);
  EXPECT_EQ(out_, "Error 1004: Invalid Password in Profile QAS.P00 found...\n");

  EXPECT_EQ(Run({"check", "missing.P00"}), 2);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("cannot read the profile: missing.P00"), std::string::npos) << err_;
}

TEST_F(ProfileToolTest, HelpAndUsage) {
  struct {
    std::vector<std::string> args;
    int code;
    std::string out_part;
    std::string err_part;
  } cases[] = {
      {{"--help"}, 0, "Commands:", ""},
      {{"-h"}, 0, "Commands:", ""},
      {{"scramble", "--help"}, 0, "Usage: tidewarden-profile scramble", ""},
      {{"new", "--help"}, 0, "Usage: tidewarden-profile new DEST", ""},
      {{"check", "--help"}, 0, "Usage: tidewarden-profile check PROFILE", ""},
      {{}, 2, "", "no command given"},
      {{"frobnicate"}, 2, "", "unknown command \"frobnicate\""},
      {{"--help", "extra"}, 2, "", "unknown command"},
      {{"scramble", "now"}, 2, "", "takes no argument"},
      {{"new"}, 2, "", "takes one argument"},
      {{"check", "a", "b"}, 2, "", "takes one argument"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(Run(c.args, "Secret12\n"), c.code);
    if (!c.out_part.empty()) {
      EXPECT_NE(out_.find(c.out_part), std::string::npos) << out_;
    }
    if (!c.err_part.empty()) {
      EXPECT_NE(err_.find(c.err_part), std::string::npos) << err_;
      EXPECT_NE(err_.find("Usage: tidewarden-profile"), std::string::npos) << err_;
      EXPECT_EQ(out_, "");
    }
  }
}

}  // namespace
}  // namespace tidewarden
