// Whole runs in-process: start-up, the single-system road and the listing
// pass, on the fake file system against a scripted library.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/file_system.h"
#include "profiles/password.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"
#include "tests/line_ends.h"
#include "tests/profile_text.h"

namespace tidewarden {
namespace {

std::string Profile(const std::string& destination = "PRD", const std::string& host = "sapprd01",
                    const std::string& extra = "") {
  return ProfileText(destination, host).Set("Password...:", StoredPassword("Secret12")).Bytes() +
         extra;
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRfc::Reset();
    source_ = std::make_unique<FakeSapLibrary>(fs_, console_);
    FakeRfc::Get().dbora_fields = {{"LOGWRITES", "1.000"}, {"WAIT_BUSY", "5"},
                                   {"ROLLBACKS", "7"}, {"LOGSIZE", "900"}, {"LOGALLOC", "27"}};
  }
  int RunWith(std::vector<std::string> args) {
    args.insert(args.begin(), "C:\\Probe\\tidewarden.exe");
    Platform platform{fs_, clock_, console_, source_->sap};
    return tidewarden::Run(platform, args);
  }
  FakeRfc& rfc() { return FakeRfc::Get(); }

  FakeFileSystem fs_;
  FixedClock clock_{{9, 14, 3}};
  StringConsole console_;
  std::unique_ptr<FakeSapLibrary> source_;
};

const char kFirstDocument[] =
    "\n<Prtg>\n\n<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=3% "
    "</Text>\n\n<Result><Channel>LogWrites</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>WaitBusy</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>RollBacks</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>LogUsage</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent"
    "</CustomUnit>\n<Value>3</Value></Result>\n\n</Prtg>\n";

TEST_F(RunTest, StartUpFailures) {
  EXPECT_EQ(RunWith({}), 2);
  EXPECT_EQ(console_.output,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1001: Parameter for Profile-Name is missing "
            "!</Text>\n</Prtg>\n");
  console_.output.clear();
  EXPECT_EQ(RunWith({"C:\\Sensors\\PRD", "#"}), 2);
  EXPECT_EQ(console_.output,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile PRD.P00 is missing..."
            "</Text>\n</Prtg>\n");
  console_.output.clear();
  fs_.Add("C:\\Sensors\\Draxholm.Mrk", "");
  EXPECT_EQ(RunWith({"C:\\Sensors\\PRD"}), 2);
  EXPECT_EQ(console_.output,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile C:\\Sensors\\PRD.P00 is "
            "missing...</Text>\n</Prtg>\n");
  EXPECT_TRUE(rfc().calls.empty());
  EXPECT_TRUE(fs_.writes.empty());
}

TEST_F(RunTest, FirstMeasurementWithTraceLines) {
  fs_.Add("PRD.P00", Profile());
  fs_.Add("Dev_Rfc.Trc", "old trace");
  EXPECT_EQ(RunWith({"PRD", "#"}), 0);
  EXPECT_EQ(console_.output,
            "* 09:14:03 SAP Tidewarden Vers 4.3 / 29.08.22\n"
            "* 09:14:03 PRD.P00, sapprd01, PRD, 00, 100 State=Processing\n"
            "* 09:14:03 Tidewarden - (No Parameters) State=Executing\n" +
                std::string(kFirstDocument) + "\n* 09:14:03 SAP Tidewarden now processed...\n");
  EXPECT_FALSE(fs_.Exists("Dev_Rfc.Trc"));
  EXPECT_NE(fs_.Content("PRD.P00").find(std::string("# Olg Date=20251118 09:05:00 Writes=1000 "
                                                    "WaitBusy=5 RollBacks=7") + kNativeLineEnd),
            std::string::npos);
  EXPECT_EQ(rfc().closed, std::vector<RFC_HANDLE>{7});
}

TEST_F(RunTest, WithoutTraceOnlyTheDocument) {
  fs_.Add("PRD.P00", Profile());
  EXPECT_EQ(RunWith({"PRD"}), 0);
  EXPECT_EQ(console_.output, kFirstDocument);
}

TEST_F(RunTest, ParameterText) {
  struct {
    const char* options;
    const char* text;
  } cases[] = {{"#", "(No Parameters)"}, {"CH=2 #", "CH=2 "}, {"a@b#c", "a"},
               {"(Parameters #", "(No Parameters)"}, {"(No @", "(No Parameters)"}};
  for (const auto& c : cases) {
    fs_ = FakeFileSystem();
    fs_.Add("PRD.P00", Profile());
    console_.output.clear();
    RunWith({"PRD", c.options});
    EXPECT_NE(console_.output.find(std::string("* 09:14:03 Tidewarden - ") + c.text +
                                   " State=Executing\n"),
              std::string::npos)
        << c.options;
  }
}

TEST_F(RunTest, PellardWithChannelSelectionPrintsOneValue) {
  fs_.Add("Vantrel.Mrk", "");
  fs_.Add("Pellard.Mrk", "");
  fs_.Add("PRD.P00", Profile());
  EXPECT_EQ(RunWith({"PRD", "CH=4"}), 0);
  EXPECT_EQ(console_.output, "3\n");
}

TEST_F(RunTest, RemoteStepFailures) {
  struct {
    const char* name;
    std::function<void(FakeRfc&)> script;
    std::string trace;
    std::string message;
    bool trace_kept;
  } cases[] = {
      {"open", [](FakeRfc& f) { f.open_result = 0; }, "", "Error 1011: RFC-Open for PRD failed !",
       true},
      {"clock", [](FakeRfc& f) { f.answers["GET_CPU_ALL"].call = RFC_FAILURE; }, "",
       "Error 1014: RFC-Failure raised ! - Look for Trace-File", false},
      {"system info",
       [](FakeRfc& f) {
         f.answers["RFC_SYSTEM_INFO"].receive = RFC_EXCEPTION;
         f.answers["RFC_SYSTEM_INFO"].exception = "NOT_FOUND";
       },
       "ERROR       partner &lt; down\n", "Error 1012: Exception.: NOT_FOUND - partner &amp;lt; down",
       true},
      {"not oracle", [](FakeRfc& f) { f.rfcdbsys = "DB6"; }, "ERROR       x\n",
       "Error 1018: DataBase mismatch !", true},
      {"collection",
       [](FakeRfc& f) { f.answers["DB_ORA_MAIN_LIST"].receive = RFC_SYS_EXCEPTION; },
       "**** ERROR x\n", "Error 1013: Sys-Exception raised ! - Please Check Trace-File !", true},
  };
  for (const auto& c : cases) {
    SetUp();
    fs_ = FakeFileSystem();
    fs_.Add("PRD.P00", Profile());
    if (!c.trace.empty()) fs_.Add("Dev_Rfc.Trc", c.trace);
    console_.output.clear();
    c.script(rfc());
    EXPECT_EQ(RunWith({"PRD"}), 2) << c.name;
    EXPECT_EQ(console_.output,
              "<Prtg>\n<Error>1</Error>\n<Text>" + c.message + "</Text>\n</Prtg>\n")
        << c.name;
    EXPECT_EQ(fs_.Exists("Dev_Rfc.Trc"), !c.trace.empty()) << c.name;
    // Every road that opened a connection closes it once.
    const std::size_t expected_closes = rfc().open_result == 0 ? 0 : 1;
    EXPECT_EQ(rfc().closed.size(), expected_closes) << c.name;
  }
}

TEST_F(RunTest, SyslogWritesTheLogBesideTheProfile) {
  fs_.Add("PRD.P00", Profile());
  EXPECT_EQ(RunWith({"PRD", "x,syslog"}), 0);
  EXPECT_EQ(fs_.Content("PRD.P00.log"),
            Native("0 program started C:\\Probe\\tidewarden.exe\n0 RfcEnvironment called \n"
            "7 RfcOpen called \n7 RfcCall called \n7 RfcReceive called \n7 RfcCall called \n"
            "7 RfcReceive called \n7 RfcCall called \n7 RfcReceive called \n"));
}

TEST_F(RunTest, ProfileFaultsEndBeforeTheLibrary) {
  fs_.Add("PRD.P00", "Destination: PRD\n");
  EXPECT_EQ(RunWith({"PRD", ",SYSLOG"}), 2);
  EXPECT_EQ(console_.output,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1006: Username in Profile PRD.P00 is "
            "missing...</Text>\n</Prtg>\n");
  EXPECT_TRUE(rfc().calls.empty());
}

TEST_F(RunTest, ItemRunOverTwoSystems) {
  fs_.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#QAS.P00#\n# GSNG: y         : DEV.P00#\n");
  fs_.Add("PRD.P00", Profile("PRD"));
  fs_.Add("QAS.P00", Profile("QAS", "sapqas01"));
  EXPECT_EQ(RunWith({"X", "ITEM=LogUsage"}), 0);
  EXPECT_EQ(console_.output,
            "\n<Prtg>\n\n"
            "\n<Result><Channel>PRD.P00</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent"
            "</CustomUnit>\n<Value>3</Value></Result>\n"
            "\n<Result><Channel>QAS.P00</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent"
            "</CustomUnit>\n<Value>3</Value></Result>\n"
            "\n<Text>(***) LogUsage: NoSystems=2, Processed=2, Failed=0</Text>\n\n</Prtg>\n\n");
  EXPECT_EQ(fs_.Content("PRD.P00"), Profile("PRD"));  // a listing run keeps no state
}

TEST_F(RunTest, ListingPassCountsMissingFailedAndEmptyEntries) {
  fs_.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00##MISSING.P00#BAD.P00#QAS.P00\n");
  fs_.Add("PRD.P00", Profile("PRD"));
  // Takes the logon data of the system before it, but its own user is empty.
  fs_.Add("BAD.P00", "Destination: BAD\nHostname...: sapbad\nUser.......: \n");
  fs_.Add("QAS.P00", Profile("QAS", "sapqas01"));
  EXPECT_EQ(RunWith({"X", "ITEM=WaitBusy #"}), 0);
  const std::string& out = console_.output;
  EXPECT_NE(out.find("* 09:14:03 ITEM=WaitBusy # State=Executing\n"), std::string::npos);
  EXPECT_NE(out.find("\n* 09:14:03 BAD.P00, sapbad, BAD, 00, 100 State=Rfc Failure\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("(***) WaitBusy: NoSystems=5, Processed=2, Failed=1"), std::string::npos);
}

TEST_F(RunTest, ListingPassEndsEarlyWhenTheClockFails) {
  fs_.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#QAS.P00#\n");
  fs_.Add("PRD.P00", Profile("PRD"));
  fs_.Add("QAS.P00", Profile("QAS"));
  FakeRfc::Get().answers["GET_CPU_ALL"].call = RFC_FAILURE;
  EXPECT_EQ(RunWith({"X", "ITEM=LogUsage"}), 2);
  EXPECT_EQ(console_.output,
            "\n<Prtg>\n\n<Prtg>\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised ! - "
            "Look for Trace-File</Text>\n</Prtg>\n");
}

}  // namespace
}  // namespace tidewarden
