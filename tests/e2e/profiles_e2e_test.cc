// Finding and reading the sensor profile through the real probe: the 1002
// to 1007 messages, a profile as Windows editors write it, and under Wine
// the search through C:\PRTG_Path.Txt and the monitor's fixed folders; and
// the setup check "tidewarden-profile doctor" on the faults of a setup.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
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
  std::string password_variable = "";  // TW_PRD_PASSWORD's value, when set
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class SystemEntryE2eTest : public ProfilesE2eTest,
                           public ::testing::WithParamInterface<EntryCase> {};

// The checks of the system entry, each message exactly as worded; the
// profile is never written.
TEST_P(SystemEntryE2eTest, PrintsTheMessage) {
  const EntryCase& c = GetParam();
  dir_.Write("PRD.P00", c.profile);
  if (!c.password_variable.empty()) probe_.WithEnvironment("TW_PRD_PASSWORD", c.password_variable);
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
const std::string kFromEnvironment = "env:TW_PRD_PASSWORD";

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
                  PrdProfile().Remove("Password...:").Remove("Extcompany.:").Bytes(), kNoPassword},
        // The password from the environment, in the same order; never printed.
        EntryCase{"PasswordVariableUnset",
                  PrdProfile().Set("Password...:", kFromEnvironment).Bytes(), kNoPassword},
        EntryCase{"NoUserBeforeUnsetVariable",
                  PrdProfile().Remove("User.......:").Set("Password...:", kFromEnvironment).Bytes(),
                  kNoUser},
        EntryCase{"PasswordVariableOfOneCharacter",
                  PrdProfile().Set("Password...:", kFromEnvironment).Bytes(), kInvalid, "x"},
        EntryCase{"PasswordVariableNotAscii",
                  PrdProfile().Set("Password...:", kFromEnvironment).Bytes(), kBadForm,
                  "Secr\xc3\xa9t12"},
        EntryCase{"PasswordVariableBeyondEveryLibrarysRoom",
                  PrdProfile().Set("Password...:", kFromEnvironment).Bytes(), kBadForm,
                  std::string(41, 'S')}),
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

// The setup check: one row per fault of a setup, each naming the step that
// fails (or warns) and the hint under it, and changing no file it found.
enum class Needs { kAny, kPosix, kWine };

struct DoctorCase {
  const char* name;
  Needs needs;
  // Arranges the case beside PRD.P00 and the simulated PRD, possibly with
  // another tool to run; returns why the case cannot run here, or "".
  std::function<std::string(WorkDir&, const Probe&, Probe*)> arrange;
  std::vector<std::string> args;
  std::string step;     // the step's line begins so
  std::string finding;  // and holds this
  std::string hint;     // a part of the "do:" line under it
  int exit_code;
};

void PrintTo(const DoctorCase& c, std::ostream* os) { *os << c.name; }

std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

// The width of an executable or library by its header (PE or ELF).
int WidthOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(4096, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.rfind("\x7f"
                 "ELF",
                 0) == 0 &&
      head.size() > 4)
    return head[4] == 2 ? 64 : 32;
  if (head.size() < 0x40) return 0;
  const auto at = static_cast<std::size_t>(static_cast<unsigned char>(head[0x3C]) |
                                           static_cast<unsigned char>(head[0x3D]) << 8);
  if (at + 6 > head.size()) return 0;
  return static_cast<unsigned char>(head[at + 4]) == 0x4C ? 32 : 64;
}

// The first bytes of a library of `width` bits for this build's system:
// enough for the header to tell its width, too few for any loader.
std::string StandInLibrary(int width) {
  if (!UnderWine()) {
    std::string elf =
        "\x7f"
        "ELF";
    elf += static_cast<char>(width == 64 ? 2 : 1);
    return elf + std::string(59, '\1');
  }
  std::string pe = "MZ" + std::string(0x3A, '\0') + std::string("\x40\0\0\0", 4);
  pe += std::string("PE\0\0", 4);
  pe += width == 64 ? std::string("\x64\x86", 2) : std::string("\x4c\x01", 2);
  return pe + std::string(64, '\0');
}

Probe Bare(WorkDir& dir, const Probe& probe) {
  return probe.CopyInto(dir, "bin", /*with_rfc_library=*/false).Tool();
}

void SetMode(WorkDir& dir, const std::string& relative, std::filesystem::perms mode) {
  std::error_code error;
  std::filesystem::permissions(dir.host_path() / relative, mode, error);
}

class DoctorE2eTest : public ProfilesE2eTest, public ::testing::WithParamInterface<DoctorCase> {
 protected:
  void TearDown() override {
    // Writable again, so that the folder can be removed.
    if (dir_.Exists("sub")) SetFolderImmutable(dir_.host_path() / "sub", false);
    for (const char* path : {"sub", "PRD.P00"}) {
      if (dir_.Exists(path)) SetMode(dir_, path, std::filesystem::perms::owner_all);
    }
  }
};

TEST_P(DoctorE2eTest, NamesTheStepAndTheHint) {
  const DoctorCase& c = GetParam();
  if (c.needs == Needs::kPosix && UnderWine()) GTEST_SKIP() << "POSIX file modes";
  if (c.needs == Needs::kWine && !UnderWine()) GTEST_SKIP() << "Windows file attributes";
  if (!probe_.RfcLibraryAvailable()) GTEST_SKIP() << "no simulated RFC library beside the probe";
  Probe tool = probe_.Tool();
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  if (!UnderWine())
    SetMode(dir_, "PRD.P00",
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  if (const std::string why = c.arrange(dir_, probe_, &tool); !why.empty()) GTEST_SKIP() << why;
  std::map<std::string, std::string> before;
  for (const std::string& file : dir_.Files()) before[file] = dir_.Read(file);

  RunResult r = tool.Run(dir_, c.args);
  const std::string out = WithoutCr(r.out);
  EXPECT_EQ(r.exit_code, c.exit_code) << out << r.err;
  const std::size_t at = ("\n" + out).find("\n" + c.step);
  ASSERT_NE(at, std::string::npos) << out;
  const std::string line = out.substr(at, out.find('\n', at) - at);
  EXPECT_NE(line.find(c.finding), std::string::npos) << line;
  const std::string next = out.substr(
      at + line.size() + 1, out.find('\n', at + line.size() + 1) - (at + line.size() + 1));
  EXPECT_EQ(next.rfind("  do: ", 0) == 0, !c.hint.empty()) << out;
  EXPECT_NE(next.find(c.hint), std::string::npos) << next;
  if (c.exit_code == 0) {
    EXPECT_EQ(out.find(" FAIL: "), std::string::npos) << out;
  }
  // The doctor keeps no state, nor the logon guard's record: every file it
  // found stays as it was, but that a logon that succeeds discards the
  // library's error trail as a run does (under Wine the simulator's
  // dev_rfc.trc is the probe's Dev_Rfc.Trc).
  // SAP's library appends to its log: never set aside by the doctor.
  for (const auto& [file, bytes] : before) {
    if (file == "dev_rfc.log") {
      EXPECT_EQ(dir_.Read(file).rfind(bytes, 0), 0u);
    } else if (!(c.exit_code == 0 && file == "dev_rfc.trc")) {
      EXPECT_EQ(dir_.Read(file), bytes) << file;
    }
  }
  // Nor a call log, whatever the options say.
  for (const std::string& file : dir_.Files()) {
    EXPECT_EQ(file.find(".tmp"), std::string::npos);
    EXPECT_TRUE(before.count(file) || (file.find("RefusedLogons") == std::string::npos &&
                                       file.find(".old") == std::string::npos &&
                                       !before.count(file.substr(0, file.rfind(".log")))))
        << file;
  }
}

std::string Nothing(WorkDir&, const Probe&, Probe*) { return ""; }

std::string SimWith(WorkDir& dir, SimSystem system) {
  dir.Write("SapSim.txt", SimDescription({std::move(system)}));
  return "";
}

SimSystem PrdWith(std::vector<std::string> more, std::string password = "Secret12") {
  SimSystem prd = SimPrd();
  prd.more = std::move(more);
  prd.password = std::move(password);
  return prd;
}

// A run of the probe that SAP refuses, then the simulated PRD's password
// `then` for the doctor.
std::string RefusedOnce(WorkDir& dir, const Probe& probe, const std::string& then) {
  if (!UsesNetWeaver()) return "the classic library records no refusal";
  SimWith(dir, PrdWith({}, "Changed99"));
  if (probe.Run(dir, {"PRD"}).exit_code != 2) return "the probe was not refused";
  return SimWith(dir, PrdWith({}, then));
}

// PRD.P00 replaced by `profile`.
std::function<std::string(WorkDir&, const Probe&, Probe*)> WithProfile(std::string profile) {
  return [profile](WorkDir& dir, const Probe&, Probe*) {
    dir.Write("PRD.P00", profile);
    return std::string();
  };
}

// A global sensor USAGE over PRD whose record carries `options`.
std::function<std::string(WorkDir&, const Probe&, Probe*)> UsageRecord(std::string options) {
  return [options](WorkDir& dir, const Probe&, Probe*) {
    dir.Write("SAP Marrowin.Gbl",
              "# GSNG: USAGE     : PRD.P00#\n# GSNX: USAGE     : Item=LogUsage," + options +
                  "Sensor=\"SAP Tidewarden\"\n");
    return std::string();
  };
}

INSTANTIATE_TEST_SUITE_P(
    Doctor, DoctorE2eTest,
    ::testing::Values(
        DoctorCase{"SoundSetup",
                   Needs::kAny,
                   Nothing,
                   {"doctor", "PRD"},
                   "library warn: simulated library: ",
                   "-bit",
                   "serves only the systems",
                   0},
        DoctorCase{"NoLibrary",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe& probe, Probe* tool) {
                     *tool = Bare(dir, probe);
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "library FAIL: ",
                   "no SAP RFC library loads",
                   "with all its companion libraries",
                   2},
        // Under Wine the 32-bit probe beside the 64-bit build's drop-in,
        // when that build lies beside this one; else a stand-in header.
        // Under Wine the 32-bit probe beside the 64-bit build's drop-in,
        // when that build lies beside this one; else a stand-in header.
        DoctorCase{"LibraryOfTheOtherWidth",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe& probe, Probe* tool) {
                     *tool = Bare(dir, probe);
                     const int width = WidthOf(tool->executable()) == 64 ? 32 : 64;
                     const std::filesystem::path w64 =
                         probe.executable().parent_path().parent_path().parent_path() /
                         "build-w64" / "bin" / Probe::RfcLibraryFileName();
                     std::error_code error;
                     if (UnderWine() && width == 64 && std::filesystem::exists(w64, error)) {
                       std::filesystem::copy_file(w64, dir.host_path() / "bin" / w64.filename(),
                                                  error);
                     } else {
                       dir.Write("bin/" + Probe::RfcLibraryFileName(), StandInLibrary(width));
                     }
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "library FAIL: ",
                   // Only the Windows packages come in both widths.
                   UnderWine() ? "-bit package or a " : "-bit form only)",
                   "of this probe's width",
                   2},
        DoctorCase{"NetWeaverWithoutCompanions",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe& probe, Probe* tool) {
                     *tool = Bare(dir, probe);
                     dir.Write(
                         std::string("bin/") + (UnderWine() ? "sapnwrfc.dll" : "libsapnwrfc.so"),
                         "a stand-in for SAP's file, without its companions\n");
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "library FAIL: ",
                   "and its companions ",
                   "with all its companion libraries",
                   2},
        DoctorCase{"PresentLibraryLackingADll",
                   Needs::kWine,
                   [](WorkDir& dir, const Probe& probe, Probe* tool) {
                     *tool = probe.CopyInto(dir, "bin").Tool();
                     MakeRfcLibraryLackADll(dir);
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "library FAIL: ",
                   "these do not load: TWABSENT.dll",
                   "with all its companion libraries",
                   2},
        DoctorCase{"WrongPassword",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     return SimWith(dir, PrdWith({}, "Changed99"));
                   },
                   {"doctor", "PRD"},
                   "logon FAIL: ",
                   "Error 1011: RFC-Open for PRD failed !",
                   "check User, Password",
                   2},
        // A logon SAP refused is held for the doctor too, until --logon.
        DoctorCase{"LogonHeld",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe& probe, Probe*) {
                     return RefusedOnce(dir, probe, "Changed99");
                   },
                   {"doctor", "PRD"},
                   "logon hold FAIL: ",
                   "1 times in a row, last at ",
                   "correct the password with tidewarden-profile scramble",
                   2},
        DoctorCase{"LogonHeldLiftedByLogon",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe& probe, Probe*) {
                     return RefusedOnce(dir, probe, "Secret12");
                   },
                   {"doctor", "PRD", "--logon"},
                   "logon hold warn: ",
                   "--logon: the doctor logs on once",
                   "the doctor records no outcome",
                   0},
        DoctorCase{"UnreachableHost",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("PRD.P00", PrdProfile().Set("Hostname...:", "sapgone").Bytes());
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "logon FAIL: ",
                   "refused: ",
                   "check Hostname and Sysnr",
                   2},
        DoctorCase{"ExceptionFromTheMainList",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     return SimWith(dir, PrdWith({"fault.DB_ORA_MAIN_LIST = exception NO_DATA"}));
                   },
                   {"doctor", "PRD"},
                   "main list FAIL: ",
                   "Error 1012: Exception.: NO_DATA",
                   "raised the exception NO_DATA",
                   2},
        DoctorCase{"FolderNotWritable",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("sub/Vantrel.Mrk", "");
                     dir.Write("sub/PRD.P00", PrdProfile().Bytes());
                     SetMode(
                         dir, "sub",
                         std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
                     std::ofstream probe_file(dir.host_path() / "sub" / "probe.tmp");
                     if (probe_file) {
                       // Root writes into read-only folders, but not into
                       // an immutable one.
                       probe_file.close();
                       std::filesystem::remove(dir.host_path() / "sub" / "probe.tmp");
                       if (!SetFolderImmutable(dir.host_path() / "sub", true)) {
                         return std::string("this account writes into read-only folders");
                       }
                     }
                     return std::string();
                   },
                   {"doctor", "sub\\PRD"},
                   "state line FAIL: ",
                   "the probe prints Error 1016: ReWriting of Profile sub\\PRD.P00 failed ! "
                   "on this run",
                   "write access to",
                   2},
        DoctorCase{"ReadOnlyProfile",
                   Needs::kWine,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     SetMode(dir, "PRD.P00", std::filesystem::perms::owner_read);
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "state line FAIL: ",
                   "it is read-only; the probe prints Error 1016",
                   "clear the read-only mark",
                   2},
        DoctorCase{"ProfileReadableByOthers",
                   Needs::kPosix,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     SetMode(dir, "PRD.P00",
                             std::filesystem::perms::owner_read |
                                 std::filesystem::perms::owner_write |
                                 std::filesystem::perms::group_read |
                                 std::filesystem::perms::others_read);
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "password warn: ",
                   "its group and all others (mode 0644)",
                   "chmod go-rwx",
                   0},
        DoctorCase{"GlobalSensorWithOneFailingSystem",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("SAP Marrowin.Gbl",
                               "# GSNG: USAGE     : PRD.P00#BAD.P00#\n"
                               "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n");
                     dir.Write("BAD.P00", SensorProfile("BAD", "sapbad01", "30").Bytes());
                     SimSystem bad{"BAD", "sapbad01", "30"};
                     bad.password = "Changed99";
                     dir.Write("SapSim.txt", SimDescription({SimPrd(), bad}));
                     return std::string();
                   },
                   {"doctor", "GLOBAL", "USAGE"},
                   "BAD.P00 logon FAIL: ",
                   "the pass counts the system failed (State=Rfc Failure) and goes on; a listing "
                   "prints no error document",
                   "check User, Password",
                   2},
        DoctorCase{"ListingHoldsNoPassword",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("SAP Marrowin.Gbl",
                               "# GSNG: USAGE     : PRD.P00#\n"
                               "# GSNX: USAGE     : Item=LogUsage,SYSLOG,Sensor=\"SAP Tidewarden\"\n");
                     return std::string();
                   },
                   {"doctor", "GLOBAL", "USAGE"},
                   "password skip: ",
                   "SAP Marrowin.Gbl holds no password",
                   "",
                   0},
        DoctorCase{"DeadlinePassedDuringTheLogon",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     if (!UsesNetWeaver()) return std::string("the classic library ignores TIMEOUT");
                     dir.Write("SAP Marrowin.Gbl",
                               "# GSNG: USAGE     : PRD.P00#\n"
                               "# GSNX: USAGE     : Item=LogUsage,PARALLEL=8,TIMEOUT=0.5,"
                               "Sensor=\"SAP Tidewarden\"\n");
                     return SimWith(dir, PrdWith({"delay.open = 3600"}));
                   },
                   {"doctor", "GLOBAL", "USAGE"},
                   "PRD.P00 logon FAIL: ",
                   "the TIMEOUT of 0.5 s passed during the logon: the pass counts the system "
                   "failed (State=Rfc Failure)",
                   "raise TIMEOUT=",
                   2},
        // SAP's library's large log stays where it is (the NetWeaver drop-in
        // appends to it).
        DoctorCase{"LargeLibraryLogLeftAlone",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("dev_rfc.log", std::string(1024 * 1024 + 1, 'x'));
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "library warn: simulated library: ",
                   "-bit",
                   "serves only the systems",
                   0},
        DoctorCase{"ClientOfOneCharacter",
                   Needs::kAny,
                   WithProfile(PrdProfile().Set("Client.....:", "1").Bytes()),
                   {"doctor", "PRD"},
                   "entry FAIL: ",
                   "found...: Client.....: has 1 character, fewer than 3",
                   "correct the line \"Client.....: \": its value takes 3 to 11 characters",
                   2},
        DoctorCase{"UnfilledSkeleton",
                   Needs::kAny,
                   WithProfile(PrdProfile()
                                   .Set("User.......:", "<rfc user>")
                                   .Set("Hostname...:", "<application server>")
                                   .Bytes()),
                   {"doctor", "PRD"},
                   "entry FAIL: ",
                   "not filled in: User.......: \"<RFC USER>\", Hostname...: \"<application "
                   "server>\" as tidewarden-profile new",
                   "fill in the real values",
                   2},
        DoctorCase{"EmptyProfile",
                   Needs::kAny,
                   WithProfile(""),
                   {"doctor", "PRD"},
                   "entry FAIL: ",
                   "Error 1006: Username in Profile PRD.P00 is missing...: PRD.P00 is empty",
                   "tidewarden-profile new PRD prints a complete profile",
                   2},
        DoctorCase{"Utf16Profile",
                   Needs::kAny,
                   WithProfile(std::string("\xFF\xFE;\0 \0P\0R\0D\0\r\0\n\0", 16)),
                   {"doctor", "PRD"},
                   "entry FAIL: ",
                   "missing...: PRD.P00 is UTF-16 text",
                   "save PRD.P00 again as ANSI or UTF-8 text",
                   2},
        DoctorCase{"PathFileAsTheSystemNamesIt",
                   Needs::kAny,
                   Nothing,
                   {"doctor", "QAS"},
                   "profile FAIL: ",
                   "Error 1002: Profile QAS.P00 is missing...",
                   UnderWine() ? "Custom Sensors\\ExeXml folder; C:\\PRTG_Path.Txt, when it"
                               : "working directory; /PRTG_Path.Txt, when it exists",
                   2},
        DoctorCase{"OptionsCutAndDropped",
                   Needs::kAny,
                   Nothing,
                   {"doctor", "PRD", std::string(126, 'x'), "TIMEOUT=3", "three"},
                   "options warn: ",
                   "\"TIMEOUT=3\" is not read; the arguments after the second option argument",
                   "correct the options",
                   0},
        DoctorCase{"RecordOptionsInvalid",
                   Needs::kAny,
                   UsageRecord("PARALLEL=0,TIMEOUT=abc,"),
                   {"doctor", "GLOBAL", "USAGE"},
                   "options warn: ",
                   "expected, so the pass measures one system at a time; TIMEOUT=abc ignored",
                   "correct the options",
                   0},
        DoctorCase{"GlobalKeyMissing",
                   Needs::kAny,
                   UsageRecord(""),
                   {"doctor", "GLOBAL", "OTHER"},
                   "listing FAIL: ",
                   "Error 1030: Global Sensor OTHER not found...",
                   "has no sensor record for the key OTHER: add the lines \"# GSNX: OTHER     : "
                   "Item=",
                   2},
        DoctorCase{"PasswordVariableNotSetHere",
                   Needs::kAny,
                   [](WorkDir& dir, const Probe&, Probe*) {
                     dir.Write("PRD.P00",
                               PrdProfile().Set("Password...:", "env:TW_PRD_PASSWORD").Bytes());
                     return std::string();
                   },
                   {"doctor", "PRD"},
                   "password warn: ",
                   "env:TW_PRD_PASSWORD), which is not set in the doctor's own environment",
                   "Set placeholders as environment values",
                   2},
        DoctorCase{
            "SncLibraryOfTheOtherWidth",
            Needs::kAny,
            [](WorkDir& dir, const Probe& probe, Probe*) {
              dir.Write("sapcrypto", StandInLibrary(96 - WidthOf(probe.executable())));
              dir.Write("SapRfc.PRD",
                        "DEST=PRD\nTYPE=A\nASHOST=sapprd01\nSYSNR=00\n"
                        "SNC_MODE=1\nSNC_PARTNERNAME=p:CN=PRD\nSNC_LIB=sapcrypto\n");
              return std::string();
            },
            {"doctor", "PRD"},
            "logon FAIL: ",
            "SNC_SSO=0 (the probe's default), library sapcrypto: the SNC library sapcrypto is a ",
            "name it with the entry's SNC_LIB",
            2}),
    [](const ::testing::TestParamInfo<DoctorCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tidewarden::e2e
