// Profile name rules and the profile search, on the fake file system.
#include "profiles/profile_search.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fake_file_system.h"
#include "tests/status_text.h"

namespace tidewarden {
namespace {

const std::string kExeXml = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";

TEST(ApplyNameRulesTest, ExtensionDirectoryAndGlobalProfile) {
  struct {
    std::string argument;
    std::string name;
    std::string directory;
    bool global;
  } cases[] = {
      {"PRD", "PRD.P00", "", false},
      {"PRD.P00", "PRD.P00", "", false},
      {"Marrowin.Prf", "Marrowin.Prf", "", false},
      {"AB", "AB.P00", "", false},
      {"", ".P00", "", false},
      {"C:\\Sensors\\PRD", "PRD.P00", "C:\\Sensors\\", false},
      {"sub\\PRD.P01", "PRD.P01", "sub\\", false},
      {"\\PRD", "\\PRD.P00", "", false},  // a single leading backslash stays in the name
      {"\\a\\PRD", "PRD.P00", "\\a\\", false},
      {"C:\\a.b\\P", "P", "C:\\a.b\\", false},  // the extension test sees the whole argument
      {"GLOBAL", "SAP Marrowin.Gbl", "", true},
      {"global.p00", "SAP Marrowin.Gbl", "", true},
      {"C:\\Sensors\\Global", "SAP Marrowin.Gbl", "C:\\Sensors\\", true},
      {"GLOBAL.TXT", "GLOBAL.TXT", "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument);
    ProfileLocation location;
    bool global = false;
    EXPECT_EQ(MessageOf(ApplyNameRules(c.argument, &location, &global)), std::nullopt);
    EXPECT_EQ(location.name, c.name);
    EXPECT_EQ(location.directory, c.directory);
    EXPECT_EQ(location.path, c.directory + c.name);
    EXPECT_EQ(global, c.global);
  }
}

TEST(ApplyNameRulesTest, RefusesWhatHasNoRoom) {
  const std::string name63 = std::string(59, 'n') + ".P00";
  const std::string dir259 = "C:\\" + std::string(255, 'd') + "\\";
  struct {
    std::string argument;
    std::optional<std::string> message;
  } cases[] = {
      {name63, std::nullopt},
      {"n" + name63, "Error 1002: Profile n" + name63 + " is missing..."},
      {dir259.substr(0, 250) + "\\PRD", std::nullopt},
      {dir259 + "PRD", "Error 1002: Profile PRD.P00 is missing..."},     // path over 259
      {dir259 + "x\\PRD", "Error 1002: Profile PRD.P00 is missing..."},  // directory over 259
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.argument.size());
    ProfileLocation location;
    bool global = false;
    EXPECT_EQ(MessageOf(ApplyNameRules(c.argument, &location, &global)), c.message);
  }
}

class SearchProfileTest : public ::testing::Test {
 protected:
  std::optional<std::string> Search(const std::string& name = "PRD.P00") {
    location_.name = name;
    location_.directory = "C:\\Sensors\\";  // from the argument: never used by the search
    return MessageOf(SearchProfile(fs_, &location_));
  }
  bool WasRead(const std::string& path) const {
    return std::find(fs_.reads.begin(), fs_.reads.end(), path) != fs_.reads.end();
  }

  FakeFileSystem fs_;
  ProfileLocation location_;
};

TEST_F(SearchProfileTest, WithoutPathFileTheFixedFoldersInOrder) {
  const std::string programme = "\\Programme\\" + kExeXml;
  const std::string files = "\\Program Files\\" + kExeXml;
  const std::string x86 = "\\Program Files (x86)\\" + kExeXml;
  struct {
    const char* name;
    std::vector<std::string> present;
    std::string directory;
  } cases[] = {
      {"working directory first", {"", programme, files, x86}, ""},
      {"Programme", {programme, files, x86}, programme},
      {"Program Files", {files, x86}, files},
      {"Program Files (x86)", {x86}, x86},
      {"argument's directory is not tried", {"C:\\Sensors\\"}, "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs_ = FakeFileSystem();
    for (const std::string& folder : c.present) fs_.Add(folder + "PRD.P00", "content of " + folder);
    std::optional<std::string> message = Search();
    if (c.directory == "none") {
      EXPECT_EQ(message, "Error 1002: Profile PRD.P00 is missing...");
      continue;
    }
    ASSERT_EQ(message, std::nullopt);
    EXPECT_EQ(location_.directory, c.directory);
    EXPECT_EQ(location_.path, c.directory + "PRD.P00");
    EXPECT_EQ(location_.content, "content of " + c.directory);
  }
}

TEST_F(SearchProfileTest, PathFileNamesTheBaseFolder) {
  struct {
    const char* name;
    std::string path_file;
    std::string profile_at;  // "" for no profile anywhere
    std::optional<std::string> directory;
  } cases[] = {
      {"comment then installation parent", "PRTG lives here:\r\nD:\\Apps\r\n",
       "D:\\Apps\\" + kExeXml, "D:\\Apps\\" + kExeXml},
      {"last folder line wins", "C:\\One\nC:\\Two\n", "C:\\Two\\" + kExeXml, "C:\\Two\\" + kExeXml},
      {"installation folder", "E:\\PRTG Network Monitor\\\n",
       "E:\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
       "E:\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\"},
      {"custom-sensor folder itself", "F:\\Sensors\\ExeXml", "F:\\Sensors\\ExeXml\\",
       "F:\\Sensors\\ExeXml\\"},
      {"third character backslash", "xy\\folder\\\n", "xy\\folder\\", "xy\\folder\\"},
      {"no folder line: root of the drive", "nothing here\n", "\\", "\\"},
      {"empty path file", "", "\\", "\\"},
      {"the working directory is not tried", "D:\\Apps\n", "", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs_ = FakeFileSystem();
    fs_.Add(kPrtgPathFile, c.path_file);
    fs_.Add("PRD.P00", "in the working directory");
    if (!c.profile_at.empty()) fs_.Add(c.profile_at + "PRD.P00", "found");
    std::optional<std::string> message = Search();
    if (!c.directory) {
      EXPECT_EQ(message, "Error 1002: Profile PRD.P00 is missing...");
      EXPECT_FALSE(WasRead("PRD.P00"));
      EXPECT_FALSE(WasRead("\\Program Files\\" + kExeXml + "PRD.P00"));
      continue;
    }
    ASSERT_EQ(message, std::nullopt);
    EXPECT_EQ(location_.directory, *c.directory);
    EXPECT_EQ(location_.path, *c.directory + "PRD.P00");
    EXPECT_EQ(location_.content, "found");
  }
}

TEST_F(SearchProfileTest, PathFileLinesHaveRoomFor99Characters) {
  // The rest of a longer line is a line of its own and names no folder.
  const std::string folder = "\\" + std::string(98, 'f');
  fs_.Add(kPrtgPathFile, folder + "tail\n");
  fs_.Add(folder + "\\PRD.P00", "found");
  ASSERT_EQ(Search(), std::nullopt);
  EXPECT_EQ(location_.directory, folder + "\\");
}

TEST_F(SearchProfileTest, UnreadablePathFileCountsAsMissing) {
  fs_.Add(kPrtgPathFile, "D:\\Apps\n");
  fs_.Fail(FakeFileSystem::Op::kRead, kPrtgPathFile);
  fs_.Add("PRD.P00", "here");
  ASSERT_EQ(Search(), std::nullopt);
  EXPECT_EQ(location_.path, "PRD.P00");
}

TEST_F(SearchProfileTest, ProfileThatCannotBeReadIsMissing) {
  fs_.Add("PRD.P00", "here");
  fs_.Fail(FakeFileSystem::Op::kRead, "PRD.P00");
  fs_.Add("\\Program Files\\" + kExeXml + "PRD.P00", "there");
  ASSERT_EQ(Search(), std::nullopt);
  EXPECT_EQ(location_.content, "there");
}

TEST(OpenProfileInDirectoryTest, ReadsThereOrNamesTheFullPath) {
  FakeFileSystem fs;
  fs.Add("C:\\Sensors\\PRD.P00", "profile");
  ProfileLocation location{"PRD.P00", "C:\\Sensors\\", "", ""};
  ASSERT_TRUE(OpenProfileInDirectory(fs, &location).ok());
  EXPECT_EQ(location.path, "C:\\Sensors\\PRD.P00");
  EXPECT_EQ(location.content, "profile");

  ProfileLocation missing{"QAS.P00", "C:\\Sensors\\", "", ""};
  EXPECT_EQ(OpenProfileInDirectory(fs, &missing).message(),
            "Error 1002: Profile C:\\Sensors\\QAS.P00 is missing...");
}

}  // namespace
}  // namespace tidewarden
