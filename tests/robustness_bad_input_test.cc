// Bad input of every kind, as whole runs on the fake file system against
// the scripted library: what the probe prints and returns, and that no
// profile is lost or changed by a failed run. Each case is one row of the
// table in docs/robustness.md (same name).
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "collect/logon_preparation.h"
#include "driver/run.h"
#include "output/result_document.h"
#include "profiles/password.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"
#include "tests/line_ends.h"
#include "tests/profile_text.h"

namespace tidewarden {
namespace {

using Op = FakeFileSystem::Op;

// A sound sensor profile; `replace` swaps the line of a label for another,
// `extra` follows the entry.
std::string Profile(const std::map<std::string, std::string>& replace = {},
                    const std::string& extra = "") {
  ProfileText profile;
  profile.Set("Password...:", StoredPassword("Secret12"));
  for (const auto& [label, line] : replace) profile.SetLine(label, line);
  return profile.Bytes() + extra;
}

std::string ErrorDocument(const std::string& message) {
  return "<Prtg>\n<Error>1</Error>\n<Text>" + message + "</Text>\n</Prtg>\n";
}

// Whether `line` stands whole in the log at `path`.
bool Logged(const FakeFileSystem& fs, const std::string& path, const std::string& line) {
  const std::string end = kNativeLineEnd;
  return (end + fs.Content(path)).find(end + line + end) != std::string::npos;
}

// Bytes that look like nothing: a fixed pseudo-random sequence.
std::string Garbage(std::size_t size) {
  std::string bytes;
  std::uint32_t x = 2463534242u;
  for (std::size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes += static_cast<char>(x & 0xFF);
  }
  return bytes;
}

// The fake file system, but reads of one path fail from its `after`-th read
// on: a file that is there when searched and gone (or locked) when read again.
class ReadFailsLater : public FileSystem {
 public:
  ReadFailsLater(FakeFileSystem& fs, std::string path, int after)
      : fs_(fs), path_(std::move(path)), left_(after) {}
  Status ReadFile(const std::string& path, std::string* content, std::size_t max) override {
    if (path == path_ && left_-- <= 0) return Status::Error(path + ": locked");
    return fs_.ReadFile(path, content, max);
  }
  bool CanOpenForReading(const std::string& path) override { return fs_.CanOpenForReading(path); }
  Status WriteFile(const std::string& p, std::string_view c) override {
    return fs_.WriteFile(p, c);
  }
  Status AppendToFile(const std::string& p, std::string_view c) override {
    return fs_.AppendToFile(p, c);
  }
  std::int64_t FileSize(const std::string& p) override { return fs_.FileSize(p); }
  Status RemoveFile(const std::string& p) override { return fs_.RemoveFile(p); }
  Status CreateTempFileBeside(const std::string& t, std::string* p,
                              std::unique_ptr<WritableFile>* f) override {
    return fs_.CreateTempFileBeside(t, p, f);
  }
  Status ReplaceFile(const std::string& f, const std::string& t) override {
    return fs_.ReplaceFile(f, t);
  }
  Status ListDirectory(const std::string& d, std::vector<DirectoryEntry>* e) override {
    return fs_.ListDirectory(d, e);
  }
  Status LockFile(const std::string& p, int w, std::unique_ptr<FileLock>* l) override {
    return fs_.LockFile(p, w, l);
  }

 private:
  FakeFileSystem& fs_;
  std::string path_;
  int left_;
};

struct Row {
  const char* name;  // the row of docs/robustness.md
  std::function<void(FakeFileSystem&, FakeRfc&)> arrange;
  std::vector<std::string> args;  // after the program name
  int exit_code;
  // The whole output when it is a whole error document, else a part of it.
  std::string printed;
  // Further checks on the files and the library after the run.
  std::function<void(const FakeFileSystem&, const FakeRfc&)> check = nullptr;
  // Reads of this path fail from the given read on (0: never).
  std::string late_failing_read = "";
  int late_failing_after = 0;
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class RobustnessBadInputTest : public ::testing::TestWithParam<Row> {
 protected:
  void SetUp() override {
    FakeRfc::Reset();
    FakeRfc::Get().dbora_fields = {{"LOGWRITES", "1.000"},
                                   {"WAIT_BUSY", "5"},
                                   {"ROLLBACKS", "7"},
                                   {"LOGSIZE", "900"},
                                   {"LOGALLOC", "27"}};
  }
  int RunWith(FileSystem& fs, std::vector<std::string> args) {
    args.insert(args.begin(), "C:\\Probe\\tidewarden.exe");
    FakeSapLibrary sap(fs, console_);
    Platform platform{fs, clock_, console_, sap.sap};
    return tidewarden::Run(platform, args);
  }

  FixedClock clock_{{9, 14, 3}};
  StringConsole console_;
};

TEST_P(RobustnessBadInputTest, EndsWithADocumentAndKeepsTheFiles) {
  const Row& row = GetParam();
  FakeFileSystem fs;
  row.arrange(fs, FakeRfc::Get());
  // What a failed run must leave exactly as it was.
  std::map<std::string, std::string> before;
  for (const std::string& path : fs.Paths()) before[path] = fs.Content(path);

  int code;
  if (row.late_failing_read.empty()) {
    code = RunWith(fs, row.args);
  } else {
    ReadFailsLater failing(fs, row.late_failing_read, row.late_failing_after);
    code = RunWith(failing, row.args);
  }
  const std::string& out = console_.output;
  EXPECT_EQ(code, row.exit_code) << out;
  if (row.printed.rfind("<Prtg>\n<Error>", 0) == 0 && row.printed.ends_with("</Prtg>\n")) {
    EXPECT_EQ(out, row.printed);
  } else {
    EXPECT_NE(out.find(row.printed), std::string::npos) << out;
  }
  if (code != 0) {
    EXPECT_LE(out.size(), 2 * ResultDocument::kRoom);
    // However long the texts, the document keeps its end.
    EXPECT_TRUE(out.ends_with("</Text>\n</Prtg>\n")) << out.substr(out.size() - 40);
    // A failed run changes no file; only the trace file may go after success,
    // the (empty) lock file of the library ini and the ",SYSLOG" log may be left.
    for (const auto& [path, content] : before) {
      ASSERT_TRUE(fs.Exists(path)) << path;
      EXPECT_EQ(fs.Content(path), content) << path;
    }
    const bool lock_left = !before.count(kLibraryIniLockFile) && fs.Exists(kLibraryIniLockFile);
    if (lock_left) {
      EXPECT_EQ(fs.Content(kLibraryIniLockFile), "");
    }
    const bool log_left = !before.count("PRD.P00.log") && fs.Exists("PRD.P00.log");
    EXPECT_EQ(fs.Paths().size(), before.size() + (lock_left ? 1 : 0) + (log_left ? 1 : 0));
  }
  if (row.check) row.check(fs, FakeRfc::Get());
}

// The first run's document of a sound profile (the fake library's figures).
const char kFirstRun[] = "<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=3% ";

std::string Line(std::size_t size, char c) { return std::string(size, c); }

// The profile keeps `lines` byte for byte before the state line.
std::function<void(const FakeFileSystem&, const FakeRfc&)> KeepsBefore(const std::string& path,
                                                                       const std::string& lines) {
  return [path, lines](const FakeFileSystem& fs, const FakeRfc&) {
    const std::string& content = fs.Content(path);
    const std::string before = Native(lines);
    EXPECT_EQ(content.compare(0, before.size(), before), 0);
    EXPECT_EQ(content.compare(before.size(), 11, "# Olg Date="), 0);
  };
}

const std::string kGlobal =
    "# GSNG: LOGW01    : PRD.P00#\n"
    "# GSNX: LOGW01    : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n";

INSTANTIATE_TEST_SUITE_P(
    Documented, RobustnessBadInputTest,
    ::testing::Values(
        Row{"NoProfileArgument",
            [](FakeFileSystem&, FakeRfc&) {},
            {},
            2,
            ErrorDocument("Error 1001: Parameter for Profile-Name is missing !")},
        Row{"ProfileMissing",
            [](FakeFileSystem&, FakeRfc&) {},
            {"PRD"},
            2,
            ErrorDocument("Error 1002: Profile PRD.P00 is missing...")},
        Row{"ProfileMissingBesideMarker",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("C:\\S\\Pellard.Mrk", "");
              fs.Add("PRD.P00", Profile());
            },
            {"C:\\S\\PRD"},
            2,
            ErrorDocument("Error 1002: Profile C:\\S\\PRD.P00 is missing...")},
        Row{"PathFileLeadsNowhere",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("C:\\PRTG_Path.Txt", "D:\\Apps\n");
              fs.Add("PRD.P00", Profile());
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1002: Profile PRD.P00 is missing...")},
        Row{"FieldTooShort",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({{"Client.....:", "Client.....: 10"}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1003: Invalid Parameter(s) at PRD.P00 found...")},
        Row{"FieldTooLong",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({{"Destination:", "Destination: PRDPRDPRDPRD"}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1003: Invalid Parameter(s) at PRD.P00 found...")},
        Row{"PasswordInvalid",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({{"Password...:", "Password...: Secret12"}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1004: Invalid Password in Profile PRD.P00 found...")},
        Row{"PasswordWrong",
            [](FakeFileSystem& fs, FakeRfc&) {
              std::string stored = StoredPassword("Secret12");
              stored[10] = static_cast<char>(stored[10] ^ 0x01);
              fs.Add("PRD.P00", Profile({{"Password...:", "Password...: " + stored}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1005: Wrong Password in Profile PRD.P00 found...")},
        Row{"UserMissing",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({{"User.......:", "user.......: monitor"}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing...")},
        Row{"PasswordMissing",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({{"Password...:", "Password...:"}}));
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1007: Password in Profile PRD.P00 is missing...")},
        Row{"LogonRefused",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              rfc.open_result = 0;
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1011: RFC-Open for PRD failed !")},
        Row{"OtherCallFailure",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              rfc.answers["DB_ORA_MAIN_LIST"].receive = static_cast<RFC_RC>(7);
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1015: Other Failure raised ! - Look for Trace-File")},
        Row{"ProfileCannotBeRewritten",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Fail(Op::kReplace);
            },
            {"PRD", ",SYSLOG"},
            2,
            ErrorDocument(
                "Error 1016: ReWriting of Profile PRD.P00 failed ! - Look for Trace-File"),
            [](const FakeFileSystem& fs, const FakeRfc&) {
              EXPECT_TRUE(
                  Logged(fs, "PRD.P00.log", "0 profile not rewritten PRD.P00: cannot replace"));
            }},
        Row{"NotOracle",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              rfc.rfcdbsys = "DB6";
            },
            {"PRD"},
            2,
            ErrorDocument("Error 1018: DataBase mismatch !")},
        Row{"ItemProfileGoneWhenReadAgain",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#\n");
            },
            {"X", "ITEM=LogUsage"},
            2,
            ErrorDocument("Error 1024: ProFile Marrowin.Prf is missing..."),
            nullptr,
            "Marrowin.Prf",
            1},
        Row{"GlobalProfileGoneWhenReadAgain",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", kGlobal); },
            {"GLOBAL", "LOGW01"},
            2,
            ErrorDocument("Error 10x1: ProFile SAP Marrowin.Gbl is missing..."),
            nullptr,
            "SAP Marrowin.Gbl",
            1},
        Row{"ListingMissing",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("Marrowin.Prf", "# GSNG: x : PRD.P00#\n"); },
            {"X", "ITEM=LogUsage"},
            2,
            ErrorDocument("Error 1025: Global Server Listing missing...")},
        Row{"ItemMissing",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#\n");
            },
            {"X", "ITEM=,"},
            2,
            ErrorDocument("Error 1026: Global Item Idenification missing...")},
        Row{"SensorOfAnotherProgram",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("SAP Marrowin.Gbl",
                     "# GSNX: LOGW01    : Item=LogUsage,Sensor=\"SAP Other\"\n" + kGlobal);
            },
            {"GLOBAL", "LOGW01"},
            2,
            ErrorDocument("Error 1029: Invalid Sensor-Allocation...")},
        Row{"GlobalSensorUnknown",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", kGlobal); },
            {"GLOBAL", "nosuch"},
            2,
            ErrorDocument("Error 1030: Global Sensor nosuch not found...")},
        Row{"GlobalSensorKeyMissing",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", kGlobal); },
            {"GLOBAL"},
            2,
            ErrorDocument("Error 1030: Global Sensor (none) not found...")}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Beyond, RobustnessBadInputTest,
    ::testing::Values(
        Row{"BinaryGarbageProfile",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", Garbage(64 * 1024)); }, {"PRD"},
            2, ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing...")},
        Row{"BinaryGarbageAfterTheEntry",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, Garbage(4096) + "\n"));
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", Profile({}, Garbage(4096) + "\n"))(fs, FakeRfc::Get());
            }},
        Row{"BinaryGarbageGlobalProfile",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", Garbage(64 * 1024)); },
            {"GLOBAL", "LOGW01"}, 2, ErrorDocument("Error 1030: Global Sensor LOGW01 not found...")},
        Row{"BinaryGarbageTraceFile",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              fs.Add("Dev_Rfc.Trc", Garbage(64 * 1024));
              rfc.answers["GET_CPU_ALL"].call = RFC_FAILURE;
            },
            {"PRD"}, 2, "<Prtg>\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised ! - ",
            [](const FakeFileSystem&, const FakeRfc&) {}},
        Row{"NulBytesInCommentLines",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, std::string("* a\0b\n\0\n", 8)));
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", Profile({}, std::string("* a\0b\n\0\n", 8)))(fs,
                                                                                 FakeRfc::Get());
            }},
        Row{"NulByteInsideAValue",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00",
                     Profile({{"Hostname...:", std::string("Hostname...: sapprd01\0evil", 26)}}));
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem&, const FakeRfc& rfc) {
              // The library takes zero-terminated texts: the value ends there.
              ASSERT_EQ(rfc.opens.size(), 1u);
              EXPECT_EQ(rfc.opens[0].hostname, "sapprd01");
            }},
        Row{"HundredKilobyteCommentLine",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, "* " + Line(100 * 1024, 'x') + "\n"));
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", Profile({}, "* " + Line(100 * 1024, 'x') + "\n"))(
                  fs, FakeRfc::Get());
            }},
        Row{"HundredKilobyteEntryLine",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00",
                     Profile({{"User.......:", "User.......: " + Line(100 * 1024, 'u')}}));
            },
            {"PRD"}, 2, ErrorDocument("Error 1003: Invalid Parameter(s) at PRD.P00 found...")},
        Row{"HundredKilobyteListingLine",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf",
                     "# Gsng: x         : PRD.P00#" + Line(100 * 1024, 'q') + "\n");
              fs.Add("PRD.P00", Profile());
            },
            // The line's first 199 characters make the listing: PRD.P00 and a
            // name too long for any profile.
            {"X", "ITEM=LogUsage"}, 0, "(***) LogUsage: NoSystems=2, Processed=1, Failed=1"},
        Row{"HundredKilobytePathFileLine",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("C:\\PRTG_Path.Txt", Line(100 * 1024, 'x') + "\nD:\\Apps\n");
              fs.Add("D:\\Apps\\PRD.P00", Profile());
            },
            {"PRD"}, 0, kFirstRun},
        Row{"HundredKilobyteTraceLine",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              fs.Add("Dev_Rfc.Trc", "ERROR       " + Line(100 * 1024, 't') + "\n");
              rfc.answers["GET_CPU_ALL"].call = RFC_FAILURE;
            },
            {"PRD"}, 2,
            ErrorDocument("Error 1014: RFC-Failure raised ! - " + Line(87, 't'))},
        Row{"ProfileOverSixteenMegabytes",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, Line(17 * 1024 * 1024, 'z')));
            },
            {"PRD"}, 2, ErrorDocument("Error 1002: Profile PRD.P00 is missing...")},
        Row{"EmptySensorProfile", [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", ""); },
            {"PRD"}, 2, ErrorDocument("Error 1006: Username in Profile PRD.P00 is missing...")},
        Row{"EmptyGlobalProfile",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", ""); },
            {"GLOBAL", "LOGW01"}, 2, ErrorDocument("Error 1030: Global Sensor LOGW01 not found...")},
        Row{"EmptyItemProfile", [](FakeFileSystem& fs, FakeRfc&) { fs.Add("Marrowin.Prf", ""); },
            {"X", "ITEM=LogUsage"}, 2,
            ErrorDocument("Error 1025: Global Server Listing missing...")},
        Row{"EmptyPathFile",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("C:\\PRTG_Path.Txt", "");
              fs.Add("\\PRD.P00", Profile());
            },
            {"PRD"}, 0, kFirstRun},
        Row{"EmptyTraceFile",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              fs.Add("Dev_Rfc.Trc", "");
              rfc.answers["GET_CPU_ALL"].call = RFC_FAILURE;
            },
            {"PRD"}, 2,
            ErrorDocument("Error 1014: RFC-Failure raised ! - Please Check Trace-File !")},
        Row{"EmptyPerDestinationIni",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Add("SapRfc.PRD", "");
            },
            {"PRD"}, 0, "* SapRfc.Ini.......: PRD<\n",
            [](const FakeFileSystem& fs, const FakeRfc& rfc) {
              EXPECT_EQ(fs.Content("SapRfc.ini"), "");
              EXPECT_EQ(rfc.connect_strings.size(), 1u);
            }},
        Row{"FolderWhereTheProfileShouldBe",
            [](FakeFileSystem& fs, FakeRfc&) { fs.AddDirectory("PRD.P00"); }, {"PRD"}, 2,
            ErrorDocument("Error 1002: Profile PRD.P00 is missing...")},
        Row{"UnreadableProfile",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Fail(Op::kRead, "PRD.P00");
            },
            {"PRD"}, 2, ErrorDocument("Error 1002: Profile PRD.P00 is missing...")},
        Row{"UnreadablePathFile",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("C:\\PRTG_Path.Txt", "D:\\Nowhere\n");
              fs.Fail(Op::kRead, "C:\\PRTG_Path.Txt");
              fs.Add("PRD.P00", Profile());
            },
            {"PRD"}, 0, kFirstRun},
        Row{"UnreadableMarker",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Pellard.Mrk", "");
              fs.Fail(Op::kRead, "Pellard.Mrk");
              fs.Add("PRD.P00", Profile());
            },
            {"PRD"}, 0, kFirstRun},
        Row{"UnreadableSystemProfileInAListing",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#QAS.P00#\n");
              fs.Add("PRD.P00", Profile());
              fs.Add("QAS.P00", Profile());
              fs.Fail(Op::kRead, "QAS.P00");
            },
            {"X", "ITEM=LogUsage"}, 0, "(***) LogUsage: NoSystems=2, Processed=1, Failed=0"},
        Row{"UnreadableOrFaultyProfileInAListingLogsWhy",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#QAS.P00#DEV.P00#\n");
              fs.Add("PRD.P00", Profile());
              fs.Add("QAS.P00", Profile());
              fs.Fail(Op::kRead, "QAS.P00");
              fs.Add("DEV.P00", Profile({{"Password...:", "Password...: short"}}));
            },
            {"X", "ITEM=LogUsage ,SYSLOG"}, 0,
            "(***) LogUsage: NoSystems=3, Processed=1, Failed=1",
            [](const FakeFileSystem& fs, const FakeRfc&) {
              EXPECT_TRUE(Logged(fs, "Marrowin.Prf.log",
                                 "0 profile passed over QAS.P00 QAS.P00: cannot open"));
              EXPECT_TRUE(Logged(fs, "Marrowin.Prf.log",
                                 "0 profile check failed DEV.P00 Error 1004: Invalid Password in "
                                 "Profile DEV.P00 found..."));
            }},
        Row{"UnreadableTraceFile",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              fs.Add("Dev_Rfc.Trc", "ERROR       x\n");
              fs.Fail(Op::kRead, "Dev_Rfc.Trc");
              rfc.answers["GET_CPU_ALL"].call = RFC_FAILURE;
            },
            {"PRD"}, 2, ErrorDocument("Error 1014: RFC-Failure raised ! - Look for Trace-File")},
        Row{"UnreadablePerDestinationIni",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Add("SapRfc.PRD", "DEST=PRD\n");
              fs.Fail(Op::kRead, "SapRfc.PRD");
            },
            {"PRD", ",SYSLOG"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc& rfc) {
              EXPECT_FALSE(fs.Exists("SapRfc.ini"));
              EXPECT_EQ(rfc.opens.size(), 1u);
              EXPECT_TRUE(Logged(fs, "PRD.P00.log",
                                 "0 SapRfc.PRD not read SapRfc.PRD: cannot open: logon by the "
                                 "profile"));
            }},
        Row{"LibraryIniCannotBeReplaced",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Add("SapRfc.PRD", "DEST=PRD\n");
              fs.Fail(Op::kReplace, "SapRfc.ini");
            },
            {"PRD"}, 2,
            "* SapRfc.Ini.......: PRD<\n<Prtg>\n<Error>1</Error>\n<Text>Error 1011: RFC-Open for "
            "PRD failed !</Text>\n</Prtg>\n"},
        Row{"UnwritableLog",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile());
              fs.Fail(Op::kAppend);
            },
            {"PRD", ",SYSLOG"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              EXPECT_FALSE(fs.Exists("PRD.P00.log"));
            }},
        Row{"CtrlZLineAtTheEnd",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", Profile({}, "\x1a")); }, {"PRD"},
            0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", Profile({}, "\x1a\n"))(fs, FakeRfc::Get());
            }},
        Row{"CtrlZAfterTheLastValue",
            [](FakeFileSystem& fs, FakeRfc&) {
              std::string profile = Profile();
              profile.back() = '\x1a';
              fs.Add("PRD.P00", profile);
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem&, const FakeRfc& rfc) {
              // Read in binary: the byte belongs to the value, as any other.
              ASSERT_EQ(rfc.opens.size(), 1u);
              EXPECT_EQ(rfc.opens[0].gwservice, "sapgw00\x1a");
            }},
        Row{"ByteOrderMarkBeforeAComment",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", "\xEF\xBB\xBF* made with Notepad\n" + Profile());
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", "\xEF\xBB\xBF* made with Notepad\n" + Profile())(
                  fs, FakeRfc::Get());
            }},
        Row{"ByteOrderMarkBeforeTheFirstLabel",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", "\xEF\xBB\xBF" + Profile()); },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc& rfc) {
              ASSERT_EQ(rfc.opens.size(), 1u);
              EXPECT_EQ(rfc.opens[0].destination, "PRD");
              KeepsBefore("PRD.P00", "\xEF\xBB\xBF" + Profile())(fs, rfc);
            }},
        Row{"ProfileArgumentOfTenThousandCharacters",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", Profile()); },
            {Line(10000, 'P')}, 2,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile PPPP",
            [](const FakeFileSystem& fs, const FakeRfc& rfc) {
              EXPECT_TRUE(fs.writes.empty());
              EXPECT_TRUE(rfc.calls.empty());
            }},
        Row{"OptionTextOfTenThousandCharacters",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", Profile()); },
            // Options are cut at 127 characters: the late ITEM= is never seen.
            {"PRD", Line(10000, 'o') + " ITEM=LogUsage"}, 0, kFirstRun},
        Row{"ItemOfTenThousandCharacters",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#\n");
              fs.Add("PRD.P00", Profile());
            },
            {"X", "ITEM=" + Line(10000, 'i')}, 0,
            "(***) " + Line(90, 'i') + ": NoSystems=1, Processed=1, Failed=0"},
        Row{"GlobalSensorKeyOfTenThousandCharacters",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("SAP Marrowin.Gbl", kGlobal); },
            {"GLOBAL", Line(10000, 'k')}, 2,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1030: Global Sensor kkkk"},
        Row{"ListingEntryTooLongForAName",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("Marrowin.Prf", "# Gsng: x         : " + Line(70, 'e') + "#PRD.P00#\n");
              fs.Add("PRD.P00", Profile());
            },
            {"X", "ITEM=LogUsage"}, 0, "(***) LogUsage: NoSystems=2, Processed=1, Failed=1"},
        Row{"ListingBeyondItsRoom",
            [](FakeFileSystem& fs, FakeRfc&) {
              std::string lines;
              for (int i = 0; i < 300; ++i) lines += "# Gsng: x         : PRD.P00#\n";
              fs.Add("Marrowin.Prf", lines);
              fs.Add("PRD.P00", Profile());
            },
            // 2047 characters hold 255 whole entries of 8.
            {"X", "ITEM=LogUsage"}, 0, "(***) LogUsage: NoSystems=255, Processed=255, Failed=0"},
        Row{"GarbledStateLine",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, "# Olg Date=\x01\xff Writes=x WaitBusy=-\n"));
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              EXPECT_NE(fs.Content("PRD.P00").find(Native("# Olx Date=\x01\xff Writes=x WaitBusy=-\n")),
                        std::string::npos);
            }},
        Row{"StateTotalsOfTwentyDigits",
            [](FakeFileSystem& fs, FakeRfc&) {
              fs.Add("PRD.P00", Profile({}, "# Olg Date=20251118 09:00:00 Writes=99999999999999999999 "
                                            "WaitBusy=5 RollBacks=7\n"));
            },
            // 11 digits read: 99999999999 wraps to 1215752191; 1000 - that.
            {"PRD"}, 0, "<Value>3079216105</Value>"},
        Row{"NonNumericFigures",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              rfc.dbora_fields = {{"LOGWRITES", "n/a"}, {"WAIT_BUSY", "\x01\x02"},
                                  {"ROLLBACKS", "--5"}, {"LOGSIZE", "0"}, {"LOGALLOC", "x"}};
            },
            {"PRD"}, 0, "<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=0% "},
        Row{"TimestampWithALineEnd",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              rfc.lastcollwrt = "Tue Nov\n18 09:05\r\n0 2025";
            },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              // The state line stays one line, whatever the SAP host sent.
              const std::string content = Lf(fs.Content("PRD.P00"));
              EXPECT_EQ(content.substr(Profile().size()).find('\n'),
                        content.size() - Profile().size() - 1);
            }},
        Row{"LineEndingInCarriageReturns",
            [](FakeFileSystem& fs, FakeRfc&) { fs.Add("PRD.P00", Profile({}, "* x\r\r\n")); },
            {"PRD"}, 0, kFirstRun,
            [](const FakeFileSystem& fs, const FakeRfc&) {
              KeepsBefore("PRD.P00", Profile({}, "* x\r\r\n"))(fs, FakeRfc::Get());
            }},
        Row{"MarkupInTheTraceFile",
            [](FakeFileSystem& fs, FakeRfc& rfc) {
              fs.Add("PRD.P00", Profile());
              fs.Add("Dev_Rfc.Trc", "ERROR       </Text><Result>x</Result>\n");
              rfc.answers["GET_CPU_ALL"].call = RFC_FAILURE;
            },
            {"PRD"}, 2,
            ErrorDocument("Error 1014: RFC-Failure raised ! - &lt;/Text&gt;&lt;Result&gt;x&lt;"
                          "/Result&gt;")}),
    [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tidewarden

namespace tidewarden {
namespace {

// Whole runs with each step of the rewrite failing in turn: the run reports
// 1016, the profile stays as it was, and no temporary file is left.
TEST(RobustnessRewriteFaultTest, EveryFailingStepEndsTheRunWith1016) {
  for (Op op : {Op::kCreateTemp, Op::kTempAppend, Op::kTempSync, Op::kTempClose, Op::kReplace}) {
    FakeRfc::Reset();
    FakeFileSystem fs;
    const std::string profile =
        Profile({}, "# Olg Date=20251118 09:00:00 Writes=1 WaitBusy=2 RollBacks=3\n");
    fs.Add("PRD.P00", profile);
    fs.Fail(op);
    FixedClock clock;
    StringConsole console;
    FakeSapLibrary source(fs, console);
    Platform platform{fs, clock, console, source.sap};
    EXPECT_EQ(tidewarden::Run(platform, {"tidewarden", "PRD"}), 2) << static_cast<int>(op);
    EXPECT_EQ(
        console.output,
        ErrorDocument("Error 1016: ReWriting of Profile PRD.P00 failed ! - Look for Trace-File"))
        << static_cast<int>(op);
    EXPECT_EQ(fs.Content("PRD.P00"), profile) << static_cast<int>(op);
    EXPECT_EQ(fs.Paths(), std::vector<std::string>{"PRD.P00"}) << static_cast<int>(op);
  }
}

}  // namespace
}  // namespace tidewarden
