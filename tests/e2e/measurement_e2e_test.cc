// One SAP system measured through the real probe and the simulated system:
// the state cycle of the sensor profile, every failing step, every output
// mode, the log, and the failures that end a run before any document.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_profiles.h"
#include "tests/e2e/probe_runner.h"

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

using Files = std::vector<std::string>;

class MeasurementE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!probe_.RfcLibraryAvailable()) {
      GTEST_SKIP() << "no simulated RFC library beside the probe";
    }
  }

  void Describe(const SimSystem& system) { dir_.Write("SapSim.txt", SimDescription({system})); }

  RunResult Run(const std::vector<std::string>& args) { return probe_.Run(dir_, args); }

  WorkDir dir_;
  Probe probe_;
};

// The first run of a sensor has no state to compare with: zero differences,
// and the totals become the profile's state line.
constexpr const char* kFirstRunDocument =
    "\n<Prtg>\n"
    "\n<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, LogUsage=3% </Text>\n"
    "\n<Result><Channel>LogWrites</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>WaitBusy</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>RollBacks</Channel>\n<Value>0</Value></Result>\n"
    "\n<Result><Channel>LogUsage</Channel>\n<Unit>Custom</Unit>\n"
    "<CustomUnit>PerCent</CustomUnit>\n<Value>3</Value></Result>\n"
    "\n</Prtg>\n";

const Figures kZeros = {"0", "0", "0", "3", "0", "0", "0"};

// A sensor through one server day and into the next: every road of the
// state line, with the profile's bytes checked after each run.
TEST_F(MeasurementE2eTest, StateLineFollowsTheTotalsThroughTheServerDays) {
  // The profile as an administrator left it: a comment line longer than any
  // line room, and a stray history line, which the first rewrite drops.
  const std::string long_comment = "; " + std::string(300, 'x');
  ProfileText profile = PrdProfile();
  profile.Append(long_comment).Append("# Olx leftover of an older probe").Append("; end");
  dir_.Write("PRD.P00", profile.Bytes());
  std::vector<std::string> kept = profile.Lines();
  kept.erase(kept.end() - 2);  // the stray history line
  const std::string eol = NativeEol();

  SimSystem prd = SimPrd();
  prd.more = {"numbers = grouped"};  // "     1.843.221": the probe drops the dots
  Describe(prd);
  RunResult r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(kFirstRunDocument)) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  std::vector<std::string> expected = kept;
  expected.push_back(StateLine("20251118 09:05:00", "1843221", "17", "5120"));
  EXPECT_EQ(dir_.Read("PRD.P00"), JoinLines(expected, eol));
  // The trace file goes after a success; no temporary file stays behind.
  EXPECT_EQ(dir_.Files(), (Files{"PRD.P00", "SapSim.txt"}));

  // Same day, the totals grew: the differences, grouped in the text line.
  prd.clock = "Tue Nov 18 10:15:30 2025";
  prd.logwrites = "3077788";  // + 1234567
  prd.wait_busy = "1017";     // + 1000
  prd.rollbacks = "5132";     // + 12
  Describe(prd);
  r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(MeasurementDocument(
                       "PRD", {"1234567", "1000", "12", "3", "1.234.567", "1.000", "12"})))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
  expected = kept;
  expected.push_back(StateLine("20251118 10:15:30", "3077788", "1017", "5132"));
  expected.push_back("# Olx Date=20251118 09:05:00 Writes=1843221 WaitBusy=17 RollBacks=5120");
  EXPECT_EQ(dir_.Read("PRD.P00"), JoinLines(expected, eol));

  // Same day, nothing changed: zero, and the profile is not written at all.
  prd.clock = "Tue Nov 18 11:00:00 2025";
  Describe(prd);
  dir_.SetAge("PRD.P00", std::chrono::hours(2));
  const std::string before = dir_.Read("PRD.P00");
  const auto modified = dir_.ModifiedTime("PRD.P00");
  r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", kZeros))) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(dir_.Read("PRD.P00"), before);
  EXPECT_EQ(dir_.ModifiedTime("PRD.P00"), modified);

  // Same day, two totals dropped (a database restart): the differences wrap
  // around 2^32, in the channels and in the text line.
  prd.clock = "Tue Nov 18 11:30:00 2025";
  prd.logwrites = "3077688";  // - 100
  prd.rollbacks = "5131";     // - 1
  Describe(prd);
  r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", {"4294967196", "0", "4294967295", "3",
                                                    "4294.967.196", "0", "4294.967.295"})))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
  expected = kept;
  expected.push_back(StateLine("20251118 11:30:00", "3077688", "1017", "5131"));
  expected.push_back("# Olx Date=20251118 10:15:30 Writes=3077788 WaitBusy=1017 RollBacks=5132");
  EXPECT_EQ(dir_.Read("PRD.P00"), JoinLines(expected, eol));

  // A new server day (a day of one digit, written with a blank): zero
  // whatever happened overnight, and the state starts afresh.
  prd.clock = "Thu Dec  4 00:00:05 2025";
  prd.logwrites = "3100000";
  Describe(prd);
  r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", kZeros))) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  expected = kept;
  expected.push_back(StateLine("20251204 00:00:05", "3100000", "1017", "5131"));
  expected.push_back("# Olx Date=20251118 11:30:00 Writes=3077688 WaitBusy=1017 RollBacks=5131");
  EXPECT_EQ(dir_.Read("PRD.P00"), JoinLines(expected, eol));
  EXPECT_EQ(dir_.Files(), (Files{"PRD.P00", "SapSim.txt"}));
}

struct FailedStepCase {
  const char* name;
  std::vector<std::string> description;  // lines added to the simulated PRD
  std::string password;                  // the simulated PRD's, "" = Secret12
  std::string message;                   // of the error document
  bool library_error = true;             // the library reported it
  bool refused_by_sap = false;           // the NetWeaver library's refusal is recorded
};

// Test names show the case, not its bytes.
void PrintTo(const FailedStepCase& c, std::ostream* os) { *os << c.name; }

class FailedStepE2eTest : public MeasurementE2eTest,
                          public ::testing::WithParamInterface<FailedStepCase> {};

// A failed remote step ends the run with its message, completed by the last
// error the library wrote into its trace file; a failed logon and a database
// that is not Oracle have nothing in the trace to add. The profile stays as
// it was and the trace file stays for the administrator.
TEST_P(FailedStepE2eTest, PrintsTheErrorDocumentAndKeepsTheProfile) {
  const FailedStepCase& c = GetParam();
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  SimSystem prd = SimPrd();
  prd.more = c.description;
  if (!c.password.empty()) prd.password = c.password;
  Describe(prd);

  RunResult r = Run({"PRD"});
  EXPECT_EQ(r.out, Text(ErrorDocument(c.message))) << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), profile);
  Files files = {"PRD.P00", "SapSim.txt"};
  if (c.refused_by_sap && UsesNetWeaver()) {
    files.insert(files.end(), {"RefusedLogons.txt", "RefusedLogons.txt.lock"});
  }
  EXPECT_EQ(dir_.Files(), WithTraceFile(files, c.library_error));
}

INSTANTIATE_TEST_SUITE_P(
    RemoteSteps, FailedStepE2eTest,
    ::testing::Values(
        FailedStepCase{"ClockFailure",
                       {"fault.GET_CPU_ALL = failure : collector of sapprd01 not running"},
                       "",
                       "Error 1014: RFC-Failure raised ! - collector of sapprd01 not running"},
        FailedStepCase{"SystemInfoException",
                       {"fault.RFC_SYSTEM_INFO = exception NOT_AUTHORIZED : no authority S_RFC"},
                       "",
                       "Error 1012: Exception.: NOT_AUTHORIZED - no authority S_RFC"},
        FailedStepCase{"MainListSysException",
                       {"fault.DB_ORA_MAIN_LIST = sysexception : DBIF_RSQL_SQL_ERROR in RSORA"},
                       "",
                       "Error 1013: Sys-Exception raised ! - DBIF_RSQL_SQL_ERROR in RSORA"},
        FailedStepCase{"MainListOtherCode",
                       {"fault.DB_ORA_MAIN_LIST = code 7 : work process restarted"},
                       "",
                       "Error 1015: Other Failure raised ! - work process restarted"},
        // The library's own wording, from the trace file.
        FailedStepCase{"MainListFailureAtCall",
                       {"fault.DB_ORA_MAIN_LIST = failure at call"},
                       "",
                       "Error 1014: RFC-Failure raised ! - connection to partner broken while "
                       "sending DB_ORA_MAIN_LIST"},
        // A trace text can never break the document.
        FailedStepCase{"TraceTextWithMarkup",
                       {"fault.GET_CPU_ALL = failure : router <saprouter> & gateway down"},
                       "",
                       "Error 1014: RFC-Failure raised ! - router &lt;saprouter&gt; &amp; "
                       "gateway down"},
        FailedStepCase{"OpenRefused", {"fault.open = refuse"}, "",
                       "Error 1011: RFC-Open for PRD failed !", true, true},
        FailedStepCase{"LogonRefused", {}, "Changed99", "Error 1011: RFC-Open for PRD failed !",
                       true, true},
        FailedStepCase{"NotOracle", {"RFCDBSYS = \"DB6\""}, "", "Error 1018: DataBase mismatch !",
                       false}),
    [](const ::testing::TestParamInfo<FailedStepCase>& info) { return info.param.name; });

// A logon SAP refused is not repeated every minute, so that a wrong password
// cannot lock the SAP user: the simulated system's call log shows each logon
// made. The classic library's refusal carries no code the probe can trust:
// there every run logs on as before.
TEST_F(MeasurementE2eTest, RefusedLogonIsHeldUntilTheHourOrThePasswordChanges) {
  const std::string wrong = "42+6Uvk'dBls`qnNs9i~<+md";  // "Wrong123" stored by scramble
  dir_.Write("SapSim.txt", "calllog = SapSim.log\n" + SimDescription({SimPrd()}));
  dir_.Write("PRD.P00", PrdProfile().Set("Password...:", wrong).Bytes());
  // A second profile for the same SAP user shares its record.
  dir_.Write("PRD2.P00", PrdProfile().Set("Password...:", wrong).Bytes());
  auto opens = [this] {
    const std::string log = dir_.Read("SapSim.log");
    std::size_t n = 0;
    for (std::size_t at = log.find("\nRfcOpen"); at != std::string::npos;
         at = log.find("\nRfcOpen", at + 1)) {
      ++n;
    }
    return n + (log.compare(0, 7, "RfcOpen") == 0);
  };
  auto age = [this](long long seconds) {  // the last refusal `seconds` earlier
    std::string records = dir_.Read("RefusedLogons.txt");
    const std::size_t at = records.rfind('\n', records.find("\tASHOST=")) + 1;
    const std::size_t end = records.find('\t', at);
    records.replace(at, end - at, std::to_string(std::stoll(records.substr(at)) - seconds));
    dir_.Write("RefusedLogons.txt", records);
  };
  const std::string refused = "Error 1011: RFC-Open for PRD failed !";
  struct Row {
    const char* profile;
    long long age;      // the record aged first by
    std::size_t opens;  // logons made so far over the NetWeaver library
    int held;           // refusals the suffix names; 0: a logon was made
  };
  std::size_t classic_runs = 0;
  for (const Row& row : {Row{"PRD", 0, 1, 0}, Row{"PRD2", 0, 1, 1}, Row{"PRD", 3601, 2, 0},
                         Row{"PRD", 0, 2, 2}, Row{"PRD", 3601, 3, 0}, Row{"PRD", 86400, 3, 3}}) {
    if (row.age != 0 && UsesNetWeaver()) age(row.age);
    RunResult r = Run({row.profile});
    EXPECT_EQ(r.exit_code, 2) << row.profile << row.opens;
    if (!UsesNetWeaver() || row.held == 0) {
      EXPECT_EQ(r.out, Text(ErrorDocument(refused))) << r.err;
    } else {
      const std::string suffix =
          " - logon not repeated: refused " + std::to_string(row.held) + " times, last at ";
      EXPECT_NE(r.out.find(refused + suffix), std::string::npos) << r.out;
      EXPECT_NE(r.out.find(" (Name or password is incorrect (repeat logon))</Text>"),
                std::string::npos)
          << r.out;
    }
    EXPECT_EQ(opens(), UsesNetWeaver() ? row.opens : ++classic_runs) << r.out;
  }
  EXPECT_EQ(dir_.Exists("RefusedLogons.txt"), UsesNetWeaver());
  if (!UsesNetWeaver()) return;
  const std::string records = dir_.Read("RefusedLogons.txt");
  EXPECT_EQ(records.find("Wrong123"), std::string::npos);
  EXPECT_NE(records.find("\t3\tASHOST=SAPPRD01 SYSNR=00\t100\tMONITOR\t"), std::string::npos);

  // A damaged record file never stops a logon: the next refusal rewrites it.
  dir_.Write("RefusedLogons.txt", "not a record\n");
  EXPECT_EQ(Run({"PRD"}).out, Text(ErrorDocument(refused)));
  EXPECT_EQ(opens(), 4u);
  EXPECT_NE(dir_.Read("RefusedLogons.txt").find("\t1\tASHOST="), std::string::npos);

  // Runs started together when the hold has run out: one logs on.
  age(3601);
  std::vector<std::thread> runs;
  std::vector<RunResult> results(4);
  for (RunResult& result : results) {
    runs.emplace_back([this, &result] { result = Run({"PRD"}); });
  }
  for (std::thread& run : runs) run.join();
  for (const RunResult& result : results) EXPECT_EQ(result.exit_code, 2) << result.out;
  EXPECT_EQ(opens(), 5u);

  // The corrected password logs on at once, and the logon lifts the record.
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  EXPECT_EQ(Run({"PRD"}).exit_code, 0);
  EXPECT_EQ(opens(), 6u);
  EXPECT_FALSE(dir_.Exists("RefusedLogons.txt"));
}

struct FatalCase {
  const char* name;
  std::string fault;
  std::string report;
  bool profile_rewritten = false;  // the failure came after the rewrite
  // Through the NetWeaver library, which has no error callback and no
  // internal tables: a communication failure at the open (1011) or call
  // (1014), and no table fault at all ("" = the first run's document).
  std::string netweaver_message;
};

void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

class FatalFailureE2eTest : public MeasurementE2eTest,
                            public ::testing::WithParamInterface<FatalCase> {};

// A fatal library failure ends the process at once through the library's
// error handler: a plain-text report, no document, exit code 1.
TEST_P(FatalFailureE2eTest, PrintsThePlainReportAndExits1) {
  const FatalCase& c = GetParam();
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  SimSystem prd = SimPrd();
  prd.more = {c.fault};
  Describe(prd);

  RunResult r = Run({"PRD"});
  if (UsesNetWeaver()) {
    const bool measured = c.netweaver_message.empty();
    EXPECT_EQ(r.out, Text(measured ? kFirstRunDocument : ErrorDocument(c.netweaver_message)))
        << r.err;
    EXPECT_EQ(r.exit_code, measured ? 0 : 2);
    EXPECT_EQ(dir_.Read("PRD.P00").find("# Olg Date=") != std::string::npos, measured);
    return;
  }
  EXPECT_EQ(r.out, Text(c.report)) << r.err;
  EXPECT_EQ(r.exit_code, 1);
  if (c.profile_rewritten) {
    EXPECT_NE(dir_.Read("PRD.P00").find("# Olg Date="), std::string::npos);
  } else {
    EXPECT_EQ(dir_.Read("PRD.P00"), profile);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Library, FatalFailureE2eTest,
    ::testing::Values(FatalCase{"ClockCallFatal",
                                "fault.GET_CPU_ALL = fatal : connection to sapprd01 lost",
                                "RFC error\n"
                                "operation/code  : RfcReceive GET_CPU_ALL\n"
                                "key             : RFC_ERROR_COMMUNICATION\n"
                                "status          : connection broken\n"
                                "message         : connection to sapprd01 lost\n"
                                "internal status : RfcReceive GET_CPU_ALL from [PRD]\n"
                                "\n"
                                "* Programm aborted...\n",
                                false, "Error 1014: RFC-Failure raised ! - connection to sapprd01 lost"},
                      FatalCase{"OpenFatal", "fault.open = fatal : partner sapprd01 crashed",
                                "RFC error\n"
                                "operation/code  : RfcOpen\n"
                                "key             : RFC_ERROR_COMMUNICATION\n"
                                "status          : connection broken\n"
                                "message         : partner sapprd01 crashed\n"
                                "internal status : SAP system [PRD] on host sapprd01\n"
                                "\n"
                                "* Programm aborted...\n",
                                false, "Error 1011: RFC-Open for PRD failed !"},
                      // The probe's own check of a table operation.
                      FatalCase{"TableNotCreated", "fault.ItCreate = fail DBORA_PER_INSTANCES",
                                "RFC error\n"
                                "operation/code  : ItCreate DBORA_PER_INSTANCES\n"
                                "key             : RFC_ERROR_RESOURCE\n"
                                "status          : no memory\n"
                                "message         : no memory for table DBORA_PER_INSTANCES\n"
                                "internal status : simulated fault\n"
                                "\n"
                                "* Programm aborted...\n",
                                false, ""},
                      // After the figures: the profile is rewritten first.
                      FatalCase{"TableNotDeletedAfterTheFigures",
                                "fault.ItDelete = fail DBORA_PER_INSTANCES",
                                "RFC error\n"
                                "operation/code  : ItDelete DBORA_PER_INSTANCES\n"
                                "key             : RFC_ERROR_RESOURCE\n"
                                "status          : free failed\n"
                                "message         : table DBORA_PER_INSTANCES cannot be freed\n"
                                "internal status : simulated fault\n"
                                "\n"
                                "* Programm aborted...\n",
                                true, ""}),
    [](const ::testing::TestParamInfo<FatalCase>& info) { return info.param.name; });

// The probe is installed without SAP's library: a fatal report that names
// both libraries, every place tried and the folder to install into, exit
// code 1.
TEST_F(MeasurementE2eTest, MissingRfcLibraryIsReportedByName) {
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  Describe(SimPrd());
  Probe bare = probe_.CopyInto(dir_, "bin", /*with_rfc_library=*/false);
  const std::string classic = UnderWine() ? "librfc32.dll" : "librfccm.so";
  const std::string netweaver = UnderWine() ? "sapnwrfc.dll" : "libsapnwrfc.so";

  RunResult r = bare.Run(dir_, {"PRD"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  const std::string head = Text("RFC error\noperation/code  : load " + classic + " or " +
                                netweaver +
                                "\nkey             : \nstatus          : \n"
                                "message         : no SAP RFC library loads (");
  const std::string tail = Text("\ninternal status : \n\n* Programm aborted...\n");
  EXPECT_EQ(r.out.substr(0, head.size()), head) << r.out;
  ASSERT_GE(r.out.size(), head.size() + tail.size()) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail) << r.out;
  const std::string folder =
      UnderWine() ? dir_.ProbePath("bin\\") : (dir_.host_path() / "bin").string() + "/";
  for (const std::string& tried : {folder + classic, folder + netweaver, "; " + classic + ": ",
                                   "; " + netweaver + ": ", "into " + folder}) {
    EXPECT_NE(r.out.find(tried), std::string::npos) << tried << "\n" << r.out;
  }
  EXPECT_EQ(dir_.Read("PRD.P00"), profile);
}

// A library that is there but imports a DLL that is not: Windows says only
// "module not found", the report names the DLL.
TEST_F(MeasurementE2eTest, PresentLibraryLackingADllNamesIt) {
  if (!UnderWine() || !probe_.RfcLibraryAvailable()) GTEST_SKIP() << "Windows import tables";
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  Probe probe = probe_.CopyInto(dir_, "bin");
  MakeRfcLibraryLackADll(dir_);
  RunResult r = probe.Run(dir_, {"PRD"});
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.out.find("these do not load: TWABSENT.dll"), std::string::npos) << r.out;
}

// Mode R/2 logs on through the gateway (CPI-C), which only the classic
// library offers; the NetWeaver library refuses the open and says why in
// the ",SYSLOG" log.
TEST_F(MeasurementE2eTest, ModeR2LogsOnOnlyThroughTheClassicLibrary) {
  dir_.Write("PRD.P00",
             PrdProfile().Set("Mode.......:", "R/2").Set("Gwhost.....:", "gw01").Bytes());
  SimSystem prd = SimPrd();
  prd.more = {"gwhost = gw01"};
  Describe(prd);
  RunResult r = Run({"PRD", ",SYSLOG"});
  if (!UsesNetWeaver()) {
    EXPECT_EQ(r.out, Text(kFirstRunDocument)) << r.err;
    EXPECT_EQ(r.exit_code, 0);
    return;
  }
  EXPECT_EQ(r.out, Text(ErrorDocument("Error 1011: RFC-Open for PRD failed !"))) << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(dir_.Read("PRD.P00.log")
                .find("0 RfcOpenConnection refused mode R/2 (a CPI-C connection) has no "
                      "NetWeaver client form"),
            std::string::npos);
}

// A password from the environment of the classic room: in no document or file.
TEST_F(MeasurementE2eTest, PasswordFromTheEnvironment) {
  SimSystem prd = SimPrd();
  prd.password = "FromTheStore-" + std::string(18, 'k');
  Describe(prd);
  dir_.Write("PRD.P00", PrdProfile().Set("Password...:", "env:TW_PRD_PASSWORD").Bytes());
  RunResult r =
      probe_.WithEnvironment("TW_PRD_PASSWORD", prd.password).Run(dir_, {"PRD", ",SYSLOG #"});
  EXPECT_NE(r.out.find(Text(kFirstRunDocument)), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find(prd.password), std::string::npos);
  for (const std::string& file : dir_.Files()) {
    EXPECT_TRUE(file == "SapSim.txt" || dir_.Read(file).find(prd.password) == file.npos) << file;
  }
}

// A system that takes only SNC logons, through the NetWeaver library.
TEST_F(MeasurementE2eTest, SncEntryLogsOnToASystemThatRequiresIt) {
  if (!UsesNetWeaver()) GTEST_SKIP() << "the simulated classic library knows no SNC";
  SimSystem prd = SimPrd();
  prd.more = {"snc_partnername = p:CN=PRD, O=Tidewarden"};
  Describe(prd);
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  const std::string entry = "DEST=PRD\nTYPE=A\nASHOST=sapprd01\nSYSNR=00\n";
  dir_.Write("SapRfc.PRD", entry + "SNC_MODE=1\nSNC_PARTNERNAME=p:CN=PRD, O=Tidewarden\n");
  const std::string line = "* SapRfc.Ini.......: PRD<\n";
  EXPECT_EQ(Run({"PRD"}).out, Text(line + kFirstRunDocument));
  dir_.Write("SapRfc.PRD", entry);
  EXPECT_EQ(Run({"PRD"}).out, Text(line + ErrorDocument("Error 1011: RFC-Open for PRD failed !")));
}

// A profile that already holds a state line of the same day, so that every
// channel has a value of its own: 221, 7, 120 and 3 per cent.
std::string ProfileWithState() {
  return PrdProfile()
      .Append("# Olg Date=20251118 09:00:00 Writes=1843000 WaitBusy=10 RollBacks=5000")
      .Bytes();
}

const std::string kStateText = LoggingText("PRD", "221", "7", "120", "3");

struct OutputModeCase {
  const char* name;
  std::vector<std::string> markers;  // files made empty, relative to the work folder
  std::vector<std::string> args;
  std::string profile_file;
  std::string document;
};

void PrintTo(const OutputModeCase& c, std::ostream* os) { *os << c.name; }

class OutputModeE2eTest : public MeasurementE2eTest,
                          public ::testing::WithParamInterface<OutputModeCase> {};

TEST_P(OutputModeE2eTest, PrintsTheWholeDocumentOfTheMode) {
  const OutputModeCase& c = GetParam();
  dir_.Write(c.profile_file, ProfileWithState());
  for (const std::string& marker : c.markers) dir_.Write(marker, "");
  Describe(SimPrd());

  RunResult r = Run(c.args);
  EXPECT_EQ(r.out, Text(c.document)) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  // The state moved on in the profile the mode read.
  const std::string profile = dir_.Read(c.profile_file);
  EXPECT_NE(profile.find(StateLine("20251118 09:05:00", "1843221", "17", "5120")),
            std::string::npos)
      << profile;
}

const std::string kXmlDocument =
    MeasurementDocument("PRD", {"221", "7", "120", "3", "221", "7", "120"});
const std::string kPellardDocument = "\n# " + kStateText +
                                     "\n> LogWrites: 221 #\n> WaitBusy: 7 #"
                                     "\n> RollBacks: 120 #\n> LogUsage: 3 %\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, OutputModeE2eTest,
    ::testing::Values(
        OutputModeCase{"ExeXml", {}, {"PRD"}, "PRD.P00", kXmlDocument},
        OutputModeCase{"Vantrel", {"Vantrel.Mrk"}, {"PRD"}, "PRD.P00", kXmlDocument},
        OutputModeCase{"Corvane", {"Corvane.Mrk"}, {"PRD"}, "PRD.P00", kXmlDocument},
        // The marker and the profile in the folder the argument names.
        OutputModeCase{"Draxholm",
                       {"sub/Draxholm.Mrk"},
                       {"sub\\PRD"},
                       "sub/PRD.P00",
                       "\n# " + kStateText +
                           "\n\nMessage.LogWrites: LogWrites (#)\nStatistic.LogWrites: 221"
                           "\n\nMessage.WaitBusy: WaitBusy (#)\nStatistic.WaitBusy: 7"
                           "\n\nMessage.RollBacks: RollBacks (#)\nStatistic.RollBacks: 120"
                           "\n\nMessage.LogUsage: LogUsage (%)\nStatistic.LogUsage: 3\n"},
        OutputModeCase{"Pellard", {"Pellard.Mrk"}, {"PRD"}, "PRD.P00", kPellardDocument},
        // Only the second channel's value: the text part vanishes.
        OutputModeCase{"PellardSecondChannel", {"Pellard.Mrk"}, {"PRD", "CH=2"}, "PRD.P00", "7\n"},
        // Of several markers the last of Vantrel, Draxholm, Pellard, Corvane wins.
        OutputModeCase{"PellardWinsOverDraxholm",
                       {"Draxholm.Mrk", "Pellard.Mrk"},
                       {"PRD"},
                       "PRD.P00",
                       kPellardDocument}),
    [](const ::testing::TestParamInfo<OutputModeCase>& info) { return info.param.name; });

// The trace switch prints progress lines around the document.
TEST_F(MeasurementE2eTest, TraceSwitchPrintsProgressAroundTheDocument) {
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  Describe(SimPrd());
  RunResult r = Run({"PRD", "CH=2 #"});
  EXPECT_EQ(MaskTimes(r.out),
            Text(std::string(kBanner) +
                 "* hh:mm:ss PRD.P00, sapprd01, PRD, 00, 100 State=Processing\n"
                 "* hh:mm:ss Tidewarden - CH=2  State=Executing\n" +
                 kFirstRunDocument + "\n* hh:mm:ss SAP Tidewarden now processed...\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// With "#" before "CH=" the progress line shows no parameters, yet the
// channel number is read from the whole option text.
TEST_F(MeasurementE2eTest, TraceSwitchBeforeChannelSelection) {
  dir_.Write("PRD.P00", ProfileWithState());
  dir_.Write("Pellard.Mrk", "");
  Describe(SimPrd());
  RunResult r = Run({"PRD", "#CH=2"});
  EXPECT_EQ(MaskTimes(r.out), Text(std::string(kBanner) +
                                   "* hh:mm:ss PRD.P00, sapprd01, PRD, 00, 100 State=Processing\n"
                                   "* hh:mm:ss Tidewarden - (No Parameters) State=Executing\n"
                                   "7\n"
                                   "\n* hh:mm:ss SAP Tidewarden now processed...\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// ",SYSLOG" logs every library call beside the profile; "SYSLOG" without the
// comma does not.
TEST_F(MeasurementE2eTest, SyslogWritesOneLinePerLibraryCall) {
  dir_.Write("PRD.P00", PrdProfile().Bytes());
  Describe(SimPrd());
  RunResult r = Run({"PRD", "SYSLOG"});
  EXPECT_EQ(r.out, Text(kFirstRunDocument)) << r.err;
  EXPECT_FALSE(dir_.Exists("PRD.P00.log"));

  r = Run({"PRD", ",syslog"});
  EXPECT_EQ(r.out, Text(MeasurementDocument("PRD", kZeros))) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  const std::string eol = NativeEol();
  const std::string log = dir_.Read("PRD.P00.log");
  const std::size_t first_end = log.find(eol);
  ASSERT_NE(first_end, std::string::npos) << log;
  // The first line names the program as it was started.
  const std::string first = log.substr(0, first_end);
  const std::string program = UnderWine() ? "tidewarden.exe" : "tidewarden";
  EXPECT_EQ(first.substr(0, 18), "0 program started ") << log;
  EXPECT_EQ(first.substr(first.size() - program.size()), program) << log;
  std::vector<std::string> calls = {"0 RfcEnvironment called ", "1 RfcOpen called "};
  for (int module = 0; module < 3; ++module) {
    calls.push_back("1 RfcCall called ");
    calls.push_back("1 RfcReceive called ");
  }
  if (UsesNetWeaver()) {
    // The NetWeaver library's own calls, counted by open connections, after
    // a line with its file and version.
    const std::string rest = log.substr(first_end + eol.size());
    EXPECT_EQ(rest.rfind("0 NetWeaver RFC library ", 0), 0u) << log;
    EXPECT_NE(rest.find(" 7500.0.0 Tidewarden SIMULATED"), std::string::npos) << log;
    calls = {"1 RfcOpenConnection called ", "1 RfcInvoke GET_CPU_ALL called ",
             "1 RfcInvoke RFC_SYSTEM_INFO called ", "1 RfcInvoke DB_ORA_MAIN_LIST called "};
    EXPECT_EQ(rest.substr(rest.find(eol) + eol.size()), JoinLines(calls, eol));
    return;
  }
  EXPECT_EQ(log.substr(first_end + eol.size()), JoinLines(calls, eol));
}

// Puts the immutable flag on a folder (ext4 and others): not even root can
// create a file in it. Taken off again at the end of the case.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(fs::path folder)
      : folder_(std::move(folder)), set_(SetFolderImmutable(folder_, true)) {}
  ~ImmutableFolder() {
    if (set_) SetFolderImmutable(folder_, false);
  }
  ImmutableFolder(const ImmutableFolder&) = delete;
  ImmutableFolder& operator=(const ImmutableFolder&) = delete;
  bool set() const { return set_; }

 private:
  fs::path folder_;
  bool set_;
};

// The rewrite cannot even begin: no temporary file can be made beside the
// profile. The run fails with 1016 and the profile keeps every byte.
TEST_F(MeasurementE2eTest, ProfileInAFolderNothingCanBeWrittenToGives1016) {
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  Describe(SimPrd());
  RunResult r;
  {
    ImmutableFolder frozen(dir_.host_path());
    if (!frozen.set()) GTEST_SKIP() << "no immutable flag here (file system or rights)";
    r = Run({"PRD"});
  }
  // The classic library could not write its trace file either; the
  // NetWeaver library's text is that of a failed call, and none failed.
  EXPECT_EQ(r.out, Text(ErrorDocument(
                       UsesNetWeaver()
                           ? "Error 1016: ReWriting of Profile PRD.P00 failed ! - Please Check "
                             "Trace-File !"
                           : "Error 1016: ReWriting of Profile PRD.P00 failed ! - Look for "
                             "Trace-File")))
      << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), profile);
  EXPECT_EQ(dir_.Files(), (Files{"PRD.P00", "SapSim.txt"}));
}

// The disk fills while the new profile is written (a file size limit, which
// binds root as well): the half-written temporary file is removed and the
// profile keeps every byte.
TEST_F(MeasurementE2eTest, DiskFullDuringTheRewriteGives1016) {
  if (UnderWine()) GTEST_SKIP() << "a file size limit would bind the Wine server as well";
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  Describe(SimPrd());

  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 16;  // far less than the profile
  // Past the limit a write fails with EFBIG instead of ending the process;
  // the child keeps both across exec.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  RunResult r = Run({"PRD"});
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  // The library's trace file got its first 16 bytes only: no error text.
  EXPECT_EQ(r.out, Text(ErrorDocument("Error 1016: ReWriting of Profile PRD.P00 failed ! - "
                                      "Please Check Trace-File !")))
      << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), profile);
  EXPECT_EQ(dir_.Files(), WithTraceFile({"PRD.P00", "SapSim.txt"}, false));
}

// On Windows a read-only profile cannot be replaced, not even by an
// administrator: 1016, and the profile keeps every byte.
TEST_F(MeasurementE2eTest, ReadOnlyProfileOnWindowsGives1016) {
  if (!UnderWine()) GTEST_SKIP() << "POSIX renames over a read-only file";
  const std::string profile = PrdProfile().Bytes();
  dir_.Write("PRD.P00", profile);
  Describe(SimPrd());
  const fs::path file = dir_.host_path() / "PRD.P00";
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

  RunResult r = Run({"PRD"});
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(r.out, Text(ErrorDocument("Error 1016: ReWriting of Profile PRD.P00 failed ! - "
                                      "Please Check Trace-File !")))
      << r.err;
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(dir_.Read("PRD.P00"), profile);
  EXPECT_EQ(dir_.Files(), WithTraceFile({"PRD.P00", "SapSim.txt"}, false));
}

}  // namespace
}  // namespace tidewarden::e2e
