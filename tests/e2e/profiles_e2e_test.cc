// Finding and reading the sensor profile through the real probe: the 1002
// to 1007 messages, a profile as Windows editors write it, and under Wine
// the search through C:\PRTG_Path.Txt and the monitor's fixed folders.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/e2e_profiles.h"
#include "tests/e2e/probe_runner.h"

namespace tidewarden::e2e {
namespace {

const Figures kFirstRun = {"0", "0", "0", "3", "0", "0", "0"};

class ProfilesE2eTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_.Write("SapSim.txt", SimDescription({SimPrd()})); }

  RunResult Run(const std::vector<std::string>& args) { return probe_.Run(dir_, args); }

  WorkDir dir_;
  Probe probe_;
};

struct MissingCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // relative path, bytes
  std::vector<std::string> args;
  std::string message;
};

// Test names show the case, not its bytes.
void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class MissingProfileE2eTest : public ProfilesE2eTest,
                              public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingProfileE2eTest, Prints1002) {
  const MissingCase& c = GetParam();
  for (const auto& [path, bytes] : c.files) dir_.Write(path, bytes);
  RunResult r = Run(c.args);
  EXPECT_EQ(r.out, Text(ErrorDocument(c.message))) << r.err;
  EXPECT_EQ(r.exit_code, 2);
}

const std::string kName63 = std::string(59, 'N') + ".P00";

INSTANTIATE_TEST_SUITE_P(
    Search, MissingProfileE2eTest,
    ::testing::Values(
        MissingCase{"Nowhere", {}, {"PRD"}, "Error 1002: Profile PRD.P00 is missing..."},
        // The monitor's own mode looks for the name only, never in the
        // folder the argument names.
        MissingCase{"ExeXmlIgnoresTheFolder",
                    {{"sub/PRD.P00", PrdProfile().Bytes()}},
                    {"sub\\PRD"},
                    "Error 1002: Profile PRD.P00 is missing..."},
        // A sibling mode reads the marker's folder only and names the path.
        MissingCase{"SiblingModeNamesThePath",
                    {{"sub/Vantrel.Mrk", ""}, {"PRD.P00", PrdProfile().Bytes()}},
                    {"sub\\PRD"},
                    "Error 1002: Profile sub\\PRD.P00 is missing..."},
        // A name longer than 63 characters is refused, even when it exists.
        MissingCase{"NameOf64Characters",
                    {{"N" + kName63, PrdProfile().Bytes()}},
                    {"N" + kName63},
                    "Error 1002: Profile N" + kName63 + " is missing..."}),
    [](const ::testing::TestParamInfo<MissingCase>& info) { return info.param.name; });

struct EntryCase {
  const char* name;
  std::string profile;
  std::string message;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class SystemEntryE2eTest : public ProfilesE2eTest,
                           public ::testing::WithParamInterface<EntryCase> {};

// The checks of the system entry, each message exactly as worded; the
// profile is never written.
TEST_P(SystemEntryE2eTest, PrintsTheMessage) {
  const EntryCase& c = GetParam();
  dir_.Write("PRD.P00", c.profile);
  RunResult r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(ErrorDocument(c.message))) << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), c.profile);
}

const std::string kInvalid = "Error 1003: Invalid Parameter(s) at PRD.P00 found...";
const std::string kBadForm = "Error 1004: Invalid Password in Profile PRD.P00 found...";
const std::string kWrong = "Error 1005: Wrong Password in Profile PRD.P00 found...";
const std::string kNoUser = "Error 1006: Username in Profile PRD.P00 is missing...";
const std::string kNoPassword = "Error 1007: Password in Profile PRD.P00 is missing...";
const std::string kStored23(kStoredSecret12.substr(0, 23));

INSTANTIATE_TEST_SUITE_P(
    Entries, SystemEntryE2eTest,
    ::testing::Values(
        EntryCase{"NoExtcompany", PrdProfile().Remove("Extcompany.:").Bytes(), kInvalid},
        EntryCase{"ClientTooShort", PrdProfile().Set("Client.....:", "10").Bytes(), kInvalid},
        // Refused rather than cut: a cut destination names another system.
        EntryCase{"DestinationTooLong", PrdProfile().Set("Destination:", "PRD456789012").Bytes(),
                  kInvalid},
        EntryCase{"StoredFormOf23Characters", PrdProfile().Set("Password...:", kStored23).Bytes(),
                  kBadForm},
        // Found at the password line, before the user is missed.
        EntryCase{"BadFormBeforeMissingUser",
                  PrdProfile().Remove("User.......:").Set("Password...:", kStored23).Bytes(),
                  kBadForm},
        EntryCase{"WrongCheckDigit",
                  PrdProfile().Set("Password...:", std::string(kStoredWrongCheck)).Bytes(), kWrong},
        EntryCase{"NoUser", PrdProfile().Remove("User.......:").Bytes(), kNoUser},
        EntryCase{"NoUserBeforeNoPassword",
                  PrdProfile().Remove("User.......:").Remove("Password...:").Bytes(), kNoUser},
        EntryCase{"NoPasswordLine", PrdProfile().Remove("Password...:").Bytes(), kNoPassword},
        EntryCase{"EmptyPassword", PrdProfile().Set("Password...:", "").Bytes(), kNoPassword},
        EntryCase{"StoredLengthZero",
                  PrdProfile().Set("Password...:", std::string(kStoredLengthZero)).Bytes(),
                  kNoPassword},
        EntryCase{"NoPasswordBeforeNoCompany",
                  PrdProfile().Remove("Password...:").Remove("Extcompany.:").Bytes(), kNoPassword}),
    [](const ::testing::TestParamInfo<EntryCase>& info) { return info.param.name; });

// A profile as a Windows editor leaves it: CR LF line ends, and a Ctrl-Z
// byte (the end of a Windows text stream) before the password line. The
// probe reads it whole and measures.
TEST_F(ProfilesE2eTest, WindowsProfileWithCtrlZIsRead) {
  if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulated RFC library beside the probe";
  ProfileText profile = PrdProfile();
  std::vector<std::string> lines = profile.Lines();
  lines.insert(lines.begin() + 1, "; copied from the old server \x1a");
  dir_.Write("PRD.P00", JoinLines(lines, "\r\n"));
  RunResult r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", kFirstRun))) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  lines.push_back(StateLine("20251118 09:05:00", "1843221", "17", "5120"));
  EXPECT_EQ(dir_.Read("PRD.P00"), JoinLines(lines, NativeEol()));
}

// Where the monitor's own mode finds the profile on a Windows machine. Paths
// relative to drive C; "." is the working folder.
struct PlaceCase {
  const char* name;
  std::string path_file;            // C:\PRTG_Path.Txt, "" for none
  std::vector<std::string> places;  // where a profile lies
  std::string found;                // the place that is measured, "" for none
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.name; }

class ProfilePlaceE2eTest : public ProfilesE2eTest,
                            public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ProfilePlaceE2eTest, MeasuresTheProfileOfTheFirstPlace) {
  if (!UnderWine()) GTEST_SKIP() << "needs the Windows drive layout";
  if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulated RFC library beside the probe";
  const PlaceCase& c = GetParam();
  const std::string profile = PrdProfile().Bytes("\r\n");
  if (!c.path_file.empty()) dir_.WriteDriveC("PRTG_Path.Txt", c.path_file);
  auto read = [&](const std::string& place) {
    return place == "." ? dir_.Read("PRD.P00") : dir_.ReadDriveC(place + "\\PRD.P00");
  };
  for (const std::string& place : c.places) {
    if (place == ".") {
      dir_.Write("PRD.P00", profile);
    } else {
      dir_.WriteDriveC(place + "\\PRD.P00", profile);
    }
  }

  RunResult r = Run({"PRD"});
  if (c.found.empty()) {
    EXPECT_EQ(r.out, Text(ErrorDocument("Error 1002: Profile PRD.P00 is missing..."))) << r.err;
    EXPECT_EQ(r.exit_code, 2);
  } else {
    EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", kFirstRun))) << r.err;
    EXPECT_EQ(r.exit_code, 0);
  }
  // The measured profile got the state line; every other stayed as it was.
  for (const std::string& place : c.places) {
    SCOPED_TRACE(place);
    if (place == c.found) {
      EXPECT_EQ(read(place),
                profile + StateLine("20251118 09:05:00", "1843221", "17", "5120") + "\r\n");
    } else {
      EXPECT_EQ(read(place), profile);
    }
  }
}

const std::string kMonitor = "PRTG Network Monitor\\Custom Sensors\\ExeXml";
const std::string kProgrammeFolder = "Programme\\" + kMonitor;
const std::string kProgramFilesFolder = "Program Files\\" + kMonitor;
const std::string kProgramFilesX86Folder = "Program Files (x86)\\" + kMonitor;

INSTANTIATE_TEST_SUITE_P(
    Windows, ProfilePlaceE2eTest,
    ::testing::Values(
        PlaceCase{"WorkingFolderFirst", "", {".", kProgramFilesFolder}, "."},
        PlaceCase{"ProgrammeBeforeProgramFiles",
                  "",
                  {kProgrammeFolder, kProgramFilesFolder},
                  kProgrammeFolder},
        PlaceCase{"ProgramFiles", "", {kProgramFilesFolder}, kProgramFilesFolder},
        PlaceCase{"ProgramFilesX86", "", {kProgramFilesX86Folder}, kProgramFilesX86Folder},
        // The path file names the folder that holds the monitor's folder;
        // its last line naming a folder counts, other lines do not.
        PlaceCase{"PathFileNamesTheParentFolder",
                  "PRTG installation:\r\nC:\\Old\r\nC:\\Mon\r\nend\r\n",
                  {"Mon\\" + kMonitor, "Old\\" + kMonitor, "."},
                  "Mon\\" + kMonitor},
        // ... or the monitor's installation folder itself ...
        PlaceCase{"PathFileNamesTheMonitorFolder",
                  "C:\\Mon\\PRTG Network Monitor\\\r\n",
                  {"Mon\\" + kMonitor},
                  "Mon\\" + kMonitor},
        // ... or the custom-sensor folder; the root of the current drive
        // when given as "\".
        PlaceCase{"PathFileNamesTheSensorFolder",
                  "\\Sensors\\ExeXml",
                  {"Sensors\\ExeXml", kProgramFilesFolder},
                  "Sensors\\ExeXml"},
        // With a path file, only the place it names is tried.
        PlaceCase{"PathFileIsTheOnlyPlace", "C:\\Mon\r\n", {".", kProgramFilesFolder}, ""}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tidewarden::e2e
