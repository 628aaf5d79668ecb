// Listing runs through the real probe and the simulated systems: global and
// item sensors, the pass over the server listing with its counters, names,
// early endings and messages, the text forms counting channels across
// systems, and a pass over a full listing of 250 systems.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/e2e_profiles.h"
#include "tests/e2e/probe_runner.h"

namespace tidewarden::e2e {
namespace {

namespace fs = std::filesystem;

// The landscape of most cases: three systems that deliver (usage 3, 42 and
// 75 per cent) and BAD, whose logon the simulated system refuses.
std::vector<SimSystem> Landscape() {
  SimSystem prd = SimPrd();
  SimSystem qas("QAS", "sapqas01", "10");
  qas.client = "200";
  qas.logsize = "1000";
  qas.logalloc = "420";
  SimSystem dev("DEV", "sapdev01", "20");
  dev.client = "300";
  dev.logsize = "200";
  dev.logalloc = "150";
  SimSystem bad("BAD", "sapbad01", "30");
  bad.password = "Changed99";
  return {prd, qas, dev, bad};
}

ProfileText QasProfile() { return SensorProfile("QAS", "sapqas01", "10", "200"); }
ProfileText DevProfile() { return SensorProfile("DEV", "sapdev01", "20", "300"); }
ProfileText BadProfile() { return SensorProfile("BAD", "sapbad01", "30"); }

std::string Usage(std::string_view system, std::string_view percent) {
  return XmlChannel(system, percent, "PerCent");
}

// What a pass prints: the head and a line feed, the channels as delivered,
// the text part with the summary, the tail and a line feed.
std::string ListingDocument(const std::string& channels, const std::string& summary) {
  return "\n<Prtg>\n\n" + channels + "\n<Text>" + summary + "</Text>\n\n</Prtg>\n\n";
}

std::string ItemProfile(const std::string& listing) {
  return "; Item sensors of an end-to-end case\n# Gsng: ALL       : " + listing + "\n";
}

constexpr const char* kGlobal = "SAP Marrowin.Gbl";
constexpr const char* kItem = "Marrowin.Prf";

// Every case also runs with "PARALLEL=<n>" when TIDEWARDEN_E2E_PARALLEL
// holds n (tests/e2e/CMakeLists.txt): the documents and exit codes must be
// the same.
std::string ParallelOption() {
  const char* value = std::getenv("TIDEWARDEN_E2E_PARALLEL");
  return value != nullptr && *value != '\0' ? std::string("PARALLEL=") + value : "";
}

class ListingE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!probe_.RfcLibraryAvailable()) {
      GTEST_SKIP() << "no simulated RFC library beside the probe";
    }
    Describe(Landscape());
    dir_.Write("PRD.P00", PrdProfile().Bytes());
    dir_.Write("QAS.P00", QasProfile().Bytes());
    dir_.Write("DEV.P00", DevProfile().Bytes());
    dir_.Write("BAD.P00", BadProfile().Bytes());
  }

  void Describe(const std::vector<SimSystem>& systems) {
    dir_.Write("SapSim.txt", SimDescription(systems));
  }

  // A profile; a global one with the parallel option in its records,
  // where it must stand before ",Sensor=".
  void Write(const std::string& file, std::string content) {
    const std::string option = ParallelOption();
    if (!option.empty() && file == kGlobal) {
      for (std::size_t at = content.find(",Sensor="); at != std::string::npos;
           at = content.find(",Sensor=", at + option.size() + 2)) {
        content.insert(at, "," + option);
      }
    }
    dir_.Write(file, content);
  }

  // With the parallel option in the command line of an item run; the
  // doctor's run of the same command line with `doctor`.
  RunResult Run(std::vector<std::string> args, bool doctor = false) {
    const std::string option = ParallelOption();
    if (!option.empty() && args.size() > 1 && args[1].find("PARALLEL=") == std::string::npos &&
        args[1].find("ITEM=") != std::string::npos) {
      args[1] += " " + option;
    }
    if (!doctor) return probe_.Run(dir_, args);
    args.insert(args.begin(), "doctor");
    return probe_.Tool().Run(dir_, args);
  }

  // The doctor shows what the probe printed, `probe`, byte for byte.
  void ExpectDoctorShows(const std::vector<std::string>& args, const RunResult& probe) {
    const std::size_t at = probe.out.find("(***) ");
    ASSERT_NE(at, std::string::npos) << probe.out;
    const std::string summary = probe.out.substr(at, probe.out.find('<', at) - at);
    RunResult doctor = Run(args, /*doctor=*/true);
    EXPECT_NE(doctor.out.find("summary ok: " + summary + "; the probe prints:" + Text("\n") +
                              probe.out),
              std::string::npos)
        << doctor.out << doctor.err;
    EXPECT_EQ(doctor.err.find("Sanitizer"), std::string::npos) << doctor.err;
  }

  // Standard output without the parallel option, which the progress lines
  // show.
  static std::string Shown(std::string out) {
    const std::string option = " " + ParallelOption();
    if (option.size() == 1) return out;
    for (std::size_t at = out.find(option); at != std::string::npos; at = out.find(option, at)) {
      out.erase(at, option.size());
    }
    return out;
  }

  WorkDir dir_;
  Probe probe_;
};

// The pass of an item sensor over two systems, byte for byte. Only "# Gsng: "
// lines of the item profile count, and no sensor profile is written.
TEST_F(ListingE2eTest, ItemRunOverTwoSystems) {
  dir_.Write("Marrowin.Prf",
             "; Item sensors\n"
             "# Gsng: ALL       : PRD.P00#QAS.P00#\n"
             "# GSNG: ALL       : DEV.P00#\n");
  const std::string prd = dir_.Read("PRD.P00");
  RunResult r = Run({"X", "ITEM=LogUsage"});
  EXPECT_EQ(r.out, Text("\n<Prtg>\n\n"
                        "\n<Result><Channel>PRD.P00</Channel>\n<Unit>Custom</Unit>\n"
                        "<CustomUnit>PerCent</CustomUnit>\n<Value>3</Value></Result>\n"
                        "\n<Result><Channel>QAS.P00</Channel>\n<Unit>Custom</Unit>\n"
                        "<CustomUnit>PerCent</CustomUnit>\n<Value>42</Value></Result>\n"
                        "\n<Text>(***) LogUsage: NoSystems=2, Processed=2, Failed=0</Text>\n"
                        "\n</Prtg>\n\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(dir_.Read("PRD.P00"), prd);
}

// The global profile of the example with two global sensors: the key is
// compared in any letter case, the record gives item, naming and options.
TEST_F(ListingE2eTest, GlobalRunsOfTheExampleProfile) {
  Write(kGlobal,
        "# GSNG: LOGW01    : PRD.P00#QAS.P00#\n"
        "# Gsng: LogW01    : DEV.P00#\n"
        "# GSNX: LOGW01    : Item=LogWrites,Host,Sensor=\"SAP Tidewarden\"\n"
        "# GSNG: USAGE     : PRD.P00#\n"
        "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n");
  // A listing run keeps no state: differences are always 0.
  RunResult r = Run({"GLOBAL", "LOGW01"});
  EXPECT_EQ(r.out, Text(ListingDocument(XmlChannel("sapprd01", "0") + XmlChannel("sapqas01", "0") +
                                            XmlChannel("sapdev01", "0"),
                                        "(***) LogWrites: NoSystems=3, Processed=3, Failed=0")))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);

  r = Run({"global", "usage"});
  EXPECT_EQ(r.out, Text(ListingDocument(Usage("PRD.P00", "3"),
                                        "(***) LogUsage: NoSystems=1, Processed=1, Failed=0")))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

struct PassCase {
  const char* name;
  std::string listing;
  std::string channels;
  std::string summary;
  // When set, the listing is a global sensor's, with these naming options.
  std::string naming = "";
};

// Test names show the case, not its bytes.
void PrintTo(const PassCase& c, std::ostream* os) { *os << c.name; }

class PassE2eTest : public ListingE2eTest, public ::testing::WithParamInterface<PassCase> {};

// The doctor runs the same pass and shows the same document.
TEST_P(PassE2eTest, CountsEveryEntry) {
  const PassCase& c = GetParam();
  std::vector<std::string> args = {"X", "ITEM=LogUsage"};
  if (c.naming.empty()) {
    dir_.Write("Marrowin.Prf", ItemProfile(c.listing));
  } else {
    Write(kGlobal, "# GSNG: PASS      : " + c.listing + "\n# GSNX: PASS      : Item=LogUsage," +
                       c.naming + ",Sensor=\"SAP Tidewarden\"\n");
    args = {"GLOBAL", "PASS"};
  }
  RunResult r = Run(args);
  EXPECT_EQ(r.out, Text(ListingDocument(c.channels, c.summary))) << r.err;
  EXPECT_EQ(r.exit_code, 0);
  ExpectDoctorShows(args, r);
}

INSTANTIATE_TEST_SUITE_P(Listings, PassE2eTest,
                         ::testing::Values(
                             // A missing profile is passed over: counted in NoSystems only.
                             PassCase{"MissingSecondProfile", "PRD.P00#NOSUCH.P00#QAS.P00#",
                                      Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=0"},
                             // An empty entry names no file; a last entry may lack its "#".
                             PassCase{"EmptyEntryAndOpenEnd", "PRD.P00##QAS.P00",
                                      Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=0"},
                             // A refused logon fails that system only.
                             PassCase{"FailingLogonInTheMiddle", "PRD.P00#BAD.P00#QAS.P00#",
                                      Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=1"},
                             PassCase{"EmptyEntryInTheMiddle", "PRD.P00##QAS.P00#",
                                      Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=0"},
                             // Longer than any profile's name: failed, never read.
                             PassCase{"EntryOf64Characters",
                                      "PRD.P00#" + std::string(60, 'Q') + ".P00#QAS.P00#",
                                      Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=1"},
                             PassCase{"AliasNamesTheChannelWithoutTheExtension",
                                      "PRD.P00#QAS.P00#", Usage("PRD", "3") + Usage("QAS", "42"),
                                      "(***) LogUsage: NoSystems=2, Processed=2, Failed=0",
                                      "Alias"}),
                         [](const ::testing::TestParamInfo<PassCase>& info) {
                           return info.param.name;
                         });

// The fields of one profile are not cleared before the next: QASLEAN.P00
// names only its system and logs on with the user and password before it.
// A stored password that cannot be read fails its system but leaves the
// password as it was, so that system still logs on and shows its channel.
TEST_F(ListingE2eTest, FieldsCarryOverToTheNextSystem) {
  dir_.Write("QASLEAN.P00",
             "Destination: QAS\nClient.....: 200\nHostname...: sapqas01\nSysnr......: 10\n");
  dir_.Write("DEVBADPW.P00",
             DevProfile().Set("Password...:", std::string(kStoredSecret12.substr(0, 23))).Bytes());
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QASLEAN.P00#DEVBADPW.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage"});
  EXPECT_EQ(r.out, Text(ListingDocument(Usage("PRD.P00", "3") + Usage("QASLEAN.P00", "42") +
                                            Usage("DEVBADPW.P00", "75"),
                                        "(***) LogUsage: NoSystems=3, Processed=2, Failed=1")))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// QAS's variable is not set: no logon (PRD's password would do); DEV's is.
TEST_F(ListingE2eTest, PasswordVariableNotSetFailsOnlyItsSystem) {
  dir_.Write("QAS.P00", QasProfile().Set("Password...:", "env:TW_QAS_PASSWORD").Bytes());
  dir_.Write("DEV.P00", DevProfile().Set("Password...:", "env:TW_DEV_PASSWORD").Bytes());
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QAS.P00#DEV.P00#"));
  probe_.WithEnvironment("TW_DEV_PASSWORD", "Secret12");
  RunResult r = Run({"X", "ITEM=LogUsage ,SYSLOG"});
  EXPECT_EQ(r.out, Text(ListingDocument(Usage("PRD.P00", "3") + Usage("DEV.P00", "75"),
                                        "(***) LogUsage: NoSystems=3, Processed=2, Failed=1")))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
  const std::string log = dir_.Read("Marrowin.Prf.log");
  EXPECT_NE(log.find("0 password refused QAS.P00 environment variable TW_QAS_PASSWORD"), log.npos);
  EXPECT_EQ(log.find("Secret12"), std::string::npos) << log;
}

// The naming mode of a global sensor: profile name, without extension, host
// name, destination; of several flags the last in this order wins.
TEST_F(ListingE2eTest, NamingModesOfGlobalSensors) {
  // A profile whose file name differs from its destination.
  dir_.Write("QASMAIN.P00", QasProfile().Bytes());
  std::string global;
  const char* keys[] = {"PROFILE", "ALIAS", "HOST", "SID", "SEVERAL"};
  const char* flags[] = {",Profile", ",Alias", ",Host", ",Sid", ",Sid,Host,Alias"};
  for (int i = 0; i < 5; ++i) {
    std::string key = keys[i];
    key.resize(10, ' ');
    global += "# GSNG: " + key + ": PRD.P00#QASMAIN.P00#\n";
    global += "# GSNX: " + key + ": Item=LogUsage" + flags[i] + ",Sensor=\"SAP Tidewarden\"\n";
  }
  Write(kGlobal, global);
  const std::vector<std::pair<std::string, std::string>> names = {
      {"PRD.P00", "QASMAIN.P00"},
      {"PRD", "QASMAIN"},
      {"sapprd01", "sapqas01"},
      {"PRD", "QAS"},
      {"PRD", "QAS"},
  };
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(keys[i]);
    RunResult r = Run({"GLOBAL", keys[i]});
    EXPECT_EQ(r.out, Text(ListingDocument(Usage(names[i].first, "3") + Usage(names[i].second, "42"),
                                          "(***) LogUsage: NoSystems=2, Processed=2, Failed=0")))
        << r.err;
    EXPECT_EQ(r.exit_code, 0);
  }
}

// With the trace switch: the banner, the options up to " @", one state line
// per system opened, the closing line. DEV.P00 lacks its company: the logon
// is still made and the channel printed, but the system counts as failed.
TEST_F(ListingE2eTest, TraceSwitchShowsEverySystemsState) {
  dir_.Write("DEV.P00", DevProfile().Remove("Extcompany.:").Bytes());
  dir_.Write("Marrowin.Prf", ItemProfile("DEV.P00#PRD.P00#NOSUCH.P00#BAD.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage # @ monitor note"});
  EXPECT_EQ(MaskTimes(Shown(r.out)),
            Text(std::string(kBanner) + "* hh:mm:ss ITEM=LogUsage # State=Executing\n" +
                 "\n<Prtg>\n\n" + Usage("DEV.P00", "75") +
                 "\n* hh:mm:ss DEV.P00, sapdev01, DEV, 20, 300 State=Rfc Failure\n" +
                 Usage("PRD.P00", "3") +
                 "\n* hh:mm:ss PRD.P00, sapprd01, PRD, 00, 100 State=Processed\n"
                 "\n* hh:mm:ss BAD.P00, sapbad01, BAD, 30, 100 State=Rfc Failure\n"
                 "\n<Text>(***) LogUsage: NoSystems=4, Processed=1, Failed=2</Text>\n"
                 "\n</Prtg>\n\n"
                 "\n* hh:mm:ss SAP Tidewarden now processed...\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// An item that is none of the four figures delivers no channel, yet every
// sound system counts as processed.
TEST_F(ListingE2eTest, UnknownItemPrintsNoChannels) {
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QAS.P00#"));
  RunResult r = Run({"X", "ITEM=Bogus $"});
  EXPECT_EQ(MaskTimes(Shown(r.out)),
            Text(std::string(kBanner) + "* hh:mm:ss ITEM=Bogus $ State=Executing\n" +
                 "\n<Prtg>\n\n"
                 "\n* hh:mm:ss PRD.P00, sapprd01, PRD, 00, 100 State=Processed\n"
                 "\n* hh:mm:ss QAS.P00, sapqas01, QAS, 10, 200 State=Processed\n"
                 "\n<Text>(***) Bogus: NoSystems=2, Processed=2, Failed=0</Text>\n"
                 "\n</Prtg>\n\n"
                 "\n* hh:mm:ss SAP Tidewarden now processed...\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

struct EarlyEndCase {
  const char* name;
  std::string qas_fault;  // a line of the simulated QAS
  std::string message;
};

void PrintTo(const EarlyEndCase& c, std::ostream* os) { *os << c.name; }

class EarlyEndE2eTest : public ListingE2eTest,
                        public ::testing::WithParamInterface<EarlyEndCase> {};

// A failed clock or system information call, or a database that is not
// Oracle, ends the whole pass after the channels already printed.
TEST_P(EarlyEndE2eTest, EndsThePassWithTheErrorDocument) {
  const EarlyEndCase& c = GetParam();
  std::vector<SimSystem> systems = Landscape();
  systems[1].more = {c.qas_fault};
  Describe(systems);
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QAS.P00#DEV.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage"});
  EXPECT_EQ(r.out, Text("\n<Prtg>\n\n" + Usage("PRD.P00", "3") + ErrorDocument(c.message)))
      << r.err;
  EXPECT_EQ(r.exit_code, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EarlyEndE2eTest,
    ::testing::Values(
        EarlyEndCase{"ClockFails", "fault.GET_CPU_ALL = failure : collector of sapqas01 stopped",
                     "Error 1014: RFC-Failure raised ! - collector of sapqas01 stopped"},
        EarlyEndCase{"SystemInfoFails",
                     "fault.RFC_SYSTEM_INFO = exception NOT_AUTHORIZED : no authority S_RFC",
                     "Error 1012: Exception.: NOT_AUTHORIZED - no authority S_RFC"},
        EarlyEndCase{"NotOracle", "RFCDBSYS = \"DB6\"", "Error 1018: DataBase mismatch !"}),
    [](const ::testing::TestParamInfo<EarlyEndCase>& info) { return info.param.name; });

// A failed collection fails that system only; after the last system its
// message stays in the document and stands before the summary's text part.
TEST_F(ListingE2eTest, FailedCollectionOfTheLastSystem) {
  std::vector<SimSystem> systems = Landscape();
  systems[1].more = {"fault.DB_ORA_MAIN_LIST = failure : table space full"};
  Describe(systems);
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QAS.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage"});
  EXPECT_EQ(r.out, Text("\n<Prtg>\n\n" + Usage("PRD.P00", "3") +
                        "Error 1014: RFC-Failure raised !"
                        "\n<Text>(***) LogUsage: NoSystems=2, Processed=1, Failed=1</Text>\n"
                        "\n</Prtg>\n\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// A failed table delete after the figures of a system: its channel is
// printed first, then the fatal report ends the run.
TEST_F(ListingE2eTest, FailedTableDeleteAfterTheChannel) {
  std::vector<SimSystem> systems = Landscape();
  systems[1].more = {"fault.ItDelete = fail DBORA_PER_INSTANCES"};
  Describe(systems);
  dir_.Write("Marrowin.Prf", ItemProfile("PRD.P00#QAS.P00#DEV.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage"});
  if (UsesNetWeaver()) {
    // The NetWeaver library has no internal tables to delete.
    EXPECT_EQ(r.out, Text("\n<Prtg>\n\n" + Usage("PRD.P00", "3") + Usage("QAS.P00", "42") +
                          Usage("DEV.P00", "75") +
                          "\n<Text>(***) LogUsage: NoSystems=3, Processed=3, Failed=0</Text>\n\n"
                          "</Prtg>\n\n"))
        << r.err;
    EXPECT_EQ(r.exit_code, 0);
    return;
  }
  EXPECT_EQ(r.out, Text("\n<Prtg>\n\n" + Usage("PRD.P00", "3") + Usage("QAS.P00", "42") +
                        "RFC error\n"
                        "operation/code  : ItDelete DBORA_PER_INSTANCES\n"
                        "key             : RFC_ERROR_RESOURCE\n"
                        "status          : free failed\n"
                        "message         : table DBORA_PER_INSTANCES cannot be freed\n"
                        "internal status : simulated fault\n"
                        "\n"
                        "* Programm aborted...\n"))
      << r.err;
  EXPECT_EQ(r.exit_code, 1);
}

struct ListingErrorCase {
  const char* name;
  const char* file;  // "SAP Marrowin.Gbl" or "Marrowin.Prf"
  std::string content;
  std::vector<std::string> args;
  std::string message;
};

void PrintTo(const ListingErrorCase& c, std::ostream* os) { *os << c.name; }

class ListingErrorE2eTest : public ListingE2eTest,
                            public ::testing::WithParamInterface<ListingErrorCase> {};

TEST_P(ListingErrorE2eTest, PrintsTheMessage) {
  const ListingErrorCase& c = GetParam();
  Write(c.file, c.content);
  RunResult r = Run(c.args);
  EXPECT_EQ(r.out, Text(ErrorDocument(c.message))) << r.err;
  EXPECT_EQ(r.exit_code, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ListingErrorE2eTest,
    ::testing::Values(
        // Only "# Gsng: " counts in the item profile.
        ListingErrorCase{"ItemRunWithoutListing",
                         kItem,
                         "# GSNG: ALL       : PRD.P00#\n",
                         {"X", "ITEM=LogUsage"},
                         "Error 1025: Global Server Listing missing..."},
        ListingErrorCase{"GlobalRunWithoutListing",
                         kGlobal,
                         "# GSNG: OTHER     : PRD.P00#\n"
                         "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n",
                         {"GLOBAL", "USAGE"},
                         "Error 1025: Global Server Listing missing..."},
        ListingErrorCase{"ItemRunWithoutItem",
                         kItem,
                         ItemProfile("PRD.P00#"),
                         {"X", "ITEM=,LogUsage"},
                         "Error 1026: Global Item Idenification missing..."},
        ListingErrorCase{"GlobalRecordWithoutItem",
                         kGlobal,
                         "# GSNG: USAGE     : PRD.P00#\n"
                         "# GSNX: USAGE     : Alias,Sensor=\"SAP Tidewarden\"\n",
                         {"GLOBAL", "USAGE"},
                         "Error 1026: Global Item Idenification missing..."},
        // Even when a later record of the key is allocated to this program;
        // and before the missing listing is noticed.
        ListingErrorCase{"RecordOfAnotherProgram",
                         kGlobal,
                         "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Othermon\"\n"
                         "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n",
                         {"GLOBAL", "USAGE"},
                         "Error 1029: Invalid Sensor-Allocation..."},
        // The key as typed; checked before the missing listing.
        ListingErrorCase{"UnknownKey",
                         kGlobal,
                         "# GSNG: USAGE     : PRD.P00#\n"
                         "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n",
                         {"GLOBAL", "Usage2"},
                         "Error 1030: Global Sensor Usage2 not found..."},
        ListingErrorCase{"NoKey",
                         kGlobal,
                         "# GSNG: USAGE     : PRD.P00#\n"
                         "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n",
                         {"GLOBAL"},
                         "Error 1030: Global Sensor (none) not found..."}),
    [](const ::testing::TestParamInfo<ListingErrorCase>& info) { return info.param.name; });

// Lets the first `allowed` opens of a file pass and refuses every later one,
// as when the file is locked or removed between the probe's two readings
// (fanotify permission events; needs root).
class OpenGate {
 public:
  OpenGate(const fs::path& file, int allowed) : allowed_(allowed) {
    fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
    if (fd_ < 0) return;
    if (::fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, file.c_str()) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    thread_ = std::thread([this] { Serve(); });
  }
  ~OpenGate() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);  // lets any open still waiting pass
  }
  OpenGate(const OpenGate&) = delete;
  OpenGate& operator=(const OpenGate&) = delete;

  bool armed() const { return fd_ >= 0; }
  int opens() const { return opens_; }

 private:
  void Serve() {
    alignas(fanotify_event_metadata) char buffer[4096];
    while (!stop_) {
      pollfd p = {fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) continue;
      auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
      for (; FAN_EVENT_OK(event, n); event = FAN_EVENT_NEXT(event, n)) {
        if ((event->mask & FAN_OPEN_PERM) != 0) {
          fanotify_response response = {};
          response.fd = event->fd;
          response.response = ++opens_ <= allowed_ ? FAN_ALLOW : FAN_DENY;
          ssize_t written = ::write(fd_, &response, sizeof response);
          (void)written;
        }
        if (event->fd >= 0) ::close(event->fd);
      }
    }
  }

  int allowed_;
  int fd_ = -1;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> opens_{0};
};

// The listing profile is found, then cannot be read again for the listing.
TEST_F(ListingE2eTest, ListingProfileGoneAfterTheSearch) {
  struct Case {
    const char* file;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {kItem, {"X", "ITEM=LogUsage"}, "Error 1024: ProFile Marrowin.Prf is missing..."},
      {kGlobal, {"GLOBAL", "USAGE"}, "Error 10x1: ProFile SAP Marrowin.Gbl is missing..."},
  };
  dir_.Write(kItem, ItemProfile("PRD.P00#"));
  Write(kGlobal,
        "# GSNG: USAGE     : PRD.P00#\n"
        "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RunResult r;
    {
      OpenGate gate(dir_.host_path() / c.file, 1);
      if (!gate.armed()) GTEST_SKIP() << "no fanotify permission events here";
      r = Run(c.args);
      EXPECT_EQ(gate.opens(), 2);
    }
    EXPECT_EQ(r.out, Text(ErrorDocument(c.message))) << r.err;
    EXPECT_EQ(r.exit_code, 2);
  }
}

// `count` simulated systems S01, S02, ... with usage 1, 2, ... per cent, and
// their profiles; returns the listing.
// `number` in decimal, with leading zeros to `width` digits.
std::string Digits(int number, std::size_t width) {
  std::string text = std::to_string(number);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

// With `step`, the clock calls take longer the earlier the system, so that
// a parallel pass ends them in reverse order.
std::string SmallLandscape(WorkDir& dir, int count, double step = 0,
                           const std::map<int, std::string>& more = {}) {
  std::vector<SimSystem> systems;
  std::string listing;
  for (int i = 1; i <= count; ++i) {
    const std::string name = "S" + Digits(i, 2);
    SimSystem s(name, "sap" + name, "00");
    s.logsize = "100";
    s.logalloc = std::to_string(i);
    if (step > 0) {
      char delay[32];
      std::snprintf(delay, sizeof delay, "delay.GET_CPU_ALL = %.3f", step * (count - i + 1));
      s.more.push_back(delay);
    }
    if (auto it = more.find(i); it != more.end()) s.more.push_back(it->second);
    systems.push_back(s);
    dir.Write(name + ".P00", SensorProfile(name, s.host, "00").Bytes());
    listing += name + ".P00#";
  }
  dir.Write("SapSim.txt", SimDescription(systems));
  return listing;
}

// Draxholm takes at most ten channels per run, counted across the systems.
TEST_F(ListingE2eTest, DraxholmStopsAfterTenChannelsOfAllSystems) {
  dir_.Write("Marrowin.Prf", ItemProfile(SmallLandscape(dir_, 12, 0.02)));
  dir_.Write("Draxholm.Mrk", "");
  RunResult r = Run({"X", "ITEM=LogUsage"});
  std::string expected = "\n";
  for (int i = 1; i <= 10; ++i) {
    const std::string name = "S" + Digits(i, 2);
    expected += "\n\nMessage." + name + "_P00: " + name + ".P00 (%)\nStatistic." + name +
                "_P00: " + std::to_string(i);
  }
  expected += "\n# (***) LogUsage: NoSystems=12, Processed=12, Failed=0\n\n";
  EXPECT_EQ(r.out, Text(expected)) << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// Pellard's "CH=" counts channels across the systems: the third system's
// value alone, and the text part vanishes.
TEST_F(ListingE2eTest, PellardSelectsAChannelAcrossSystems) {
  dir_.Write("Marrowin.Prf", ItemProfile(SmallLandscape(dir_, 4, 0.05)));
  dir_.Write("Pellard.Mrk", "");
  RunResult r = Run({"X", "ITEM=LogUsage,CH=3"});
  EXPECT_EQ(r.out, Text("\n3\n\n")) << r.err;
  EXPECT_EQ(r.exit_code, 0);
}

// A listing as long as the listing room allows: 250 systems in exactly
// 2,047 characters. One more entry does not fit and is left out whole.
TEST_F(ListingE2eTest, FullListingOf250Systems) {
  std::vector<SimSystem> systems;
  std::vector<std::string> entries;
  std::string channels;
  for (int i = 0; i < 251; ++i) {
    // 203 names of three characters and 47 of four: 203 * 8 + 47 * 9 = 2047.
    std::string name;
    if (i < 203) {
      name = std::string(1, static_cast<char>('A' + i / 100)) + Digits(i % 100, 2);
    } else if (i < 250) {
      name = "D" + Digits(i, 3);
    } else {
      name = "ZZZ";
    }
    SimSystem s(name, "sap" + name, "00");
    s.logsize = "100";
    s.logalloc = std::to_string(i % 100);
    systems.push_back(s);
    dir_.Write(name + ".P00", SensorProfile(name, s.host, "00").Bytes());
    entries.push_back(name + ".P00#");
    if (i < 250) channels += Usage(name + ".P00", std::to_string(i % 100));
  }
  Describe(systems);
  // Listing lines shorter than the line room; the entries joined.
  std::string profile = "; 250 systems\n";
  std::string line;
  std::size_t total = 0;
  for (const std::string& entry : entries) {
    if (line.size() + entry.size() > 170) {
      profile += "# Gsng: ALL       : " + line + "\n";
      line.clear();
    }
    line += entry;
    total += entry.size();
  }
  profile += "# Gsng: ALL       : " + line + "\n";
  ASSERT_EQ(total, 2047u + 8u);
  dir_.Write("Marrowin.Prf", profile);

  const auto start = std::chrono::steady_clock::now();
  RunResult r = Run({"X", "ITEM=LogUsage"});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  RecordProperty("listing_run_250_systems_seconds", std::to_string(seconds));
  std::cout << "[ timing   ] listing run over 250 systems: " << seconds << " s\n";

  EXPECT_EQ(r.out, Text(ListingDocument(channels,
                                        "(***) LogUsage: NoSystems=250, Processed=250, Failed=0")))
      << r.err.substr(0, 2000);
  EXPECT_EQ(r.exit_code, 0);
}

// Systems that end in reverse order still print in listing order, and a
// pass-ending failure at the third of ten prints what the sequential pass
// prints: the two systems before it, whose clock calls take longer, first.
TEST_F(ListingE2eTest, ParallelPassPrintsInListingOrder) {
  std::string channels;
  for (int i = 1; i <= 6; ++i) channels += Usage("S" + Digits(i, 2) + ".P00", std::to_string(i));
  dir_.Write(kItem, ItemProfile(SmallLandscape(dir_, 6, 0.05)));
  RunResult r = Run({"X", "ITEM=LogUsage PARALLEL=6"});
  EXPECT_EQ(r.out,
            Text(ListingDocument(channels, "(***) LogUsage: NoSystems=6, Processed=6, Failed=0")))
      << r.err;
  EXPECT_EQ(r.exit_code, 0);

  dir_.Write(kItem, ItemProfile(SmallLandscape(
                        dir_, 10, 0.05,
                        {{3, "fault.RFC_SYSTEM_INFO = exception NOT_AUTHORIZED : no authority"}})));
  const std::string expected =
      "\n<Prtg>\n\n" + Usage("S01.P00", "1") + Usage("S02.P00", "2") +
      ErrorDocument("Error 1012: Exception.: NOT_AUTHORIZED - no authority");
  for (const char* options : {"ITEM=LogUsage", "ITEM=LogUsage PARALLEL=4"}) {
    SCOPED_TRACE(options);
    r = Run({"X", options});
    EXPECT_EQ(r.out, Text(expected)) << r.err;
    EXPECT_EQ(r.exit_code, 2);
  }
}

// With TIMEOUT a hanging logon or call fails its system alone; the run
// ends without waiting for the logon. The classic library ignores both
// options and would hang with the system.
TEST_F(ListingE2eTest, DeadlineFailsAHangingSystemAlone) {
  if (!UsesNetWeaver()) GTEST_SKIP() << "the classic library ignores TIMEOUT";
  const struct {
    const char* hang;
    const char* options;
    const char* log_line;   // of the ",SYSLOG" log
    bool abandoned = true;  // a thread is left in the library
    bool measured = false;  // the logoff hangs: the system keeps its figures
  } rows[] = {
      {"delay.open = 3600", "ITEM=LogUsage,SYSLOG PARALLEL=2 TIMEOUT=0.5",
       "0 logon abandoned QAS.P00"},
      {"delay.GET_CPU_ALL = 3600", "ITEM=LogUsage,SYSLOG PARALLEL=3 TIMEOUT=0.5",
       "0 deadline passed QAS.P00", false},
      {"delay.DB_ORA_MAIN_LIST = 3600", "ITEM=LogUsage,SYSLOG TIMEOUT=0.5",  // one at a time
       "RfcInvoke DB_ORA_MAIN_LIST canceled QAS.P00", false},
      {"delay.close = 3600", "ITEM=LogUsage,SYSLOG PARALLEL=4 TIMEOUT=1",
       "0 logoff abandoned QAS.P00", true, true},
  };
  dir_.Write(kItem, ItemProfile("PRD.P00#QAS.P00#DEV.P00#"));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.hang);
    std::vector<SimSystem> systems = Landscape();
    systems[1].more = {row.hang};
    dir_.Write("SapSim.txt", "calllog = sim.log\n" + SimDescription(systems));
    fs::remove(dir_.host_path() / "sim.log");
    RunResult r = Run({"X", row.options});
    EXPECT_FALSE(r.timed_out);
    EXPECT_NE(dir_.Read("Marrowin.Prf.log").find(row.log_line), std::string::npos);
    // The drop-in's static destructors run only when no thread was left in it.
    EXPECT_EQ(dir_.Read("sim.log").find("(library unloaded") == std::string::npos, row.abandoned);
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, Text(ListingDocument(
                         Usage("PRD.P00", "3") + (row.measured ? Usage("QAS.P00", "42") : "") +
                             Usage("DEV.P00", "75"),
                         row.measured ? "(***) LogUsage: NoSystems=3, Processed=3, Failed=0"
                                      : "(***) LogUsage: NoSystems=3, Processed=2, Failed=1")))
        << r.err;
    EXPECT_EQ(r.exit_code, 0);
    ExpectDoctorShows({"X", row.options}, r);
  }
}

// A system whose logon SAP refused fails the next passes without a logon,
// sequential or parallel; the systems around it are measured as before. The
// trace switch's progress line says why.
TEST_F(ListingE2eTest, RefusedSystemFailsWithoutALogonInTheNextPass) {
  dir_.Write("SapSim.txt", "calllog = SapSim.log\n" + SimDescription(Landscape()));
  dir_.Write(kItem, ItemProfile("PRD.P00#BAD.P00#QAS.P00#"));
  const std::string document =
      ListingDocument(Usage("PRD.P00", "3") + Usage("QAS.P00", "42"),
                      "(***) LogUsage: NoSystems=3, Processed=2, Failed=1");
  for (const char* options : {"ITEM=LogUsage", "ITEM=LogUsage PARALLEL=4"}) {
    SCOPED_TRACE(options);
    std::filesystem::remove(dir_.host_path() / "RefusedLogons.txt");
    for (int run = 0; run < 2; ++run) {
      RunResult r = Run({"X", options});
      EXPECT_EQ(r.out, Text(document)) << r.err;
      EXPECT_EQ(r.exit_code, 0);
    }
    if (!UsesNetWeaver()) continue;
    RunResult r = Run({"X", std::string(options) + " #"});
    EXPECT_NE(r.out.find(" BAD.P00 - logon not repeated: refused 1 times, last at "),
              std::string::npos)
        << r.out;
  }
  // One logon of BAD per pass mode, over the NetWeaver library.
  const std::string log = dir_.Read("SapSim.log");
  std::size_t bad_opens = 0;
  for (std::size_t at = log.find("RfcOpenConnection ASHOST=sapbad01"); at != std::string::npos;
       at = log.find("RfcOpenConnection ASHOST=sapbad01", at + 1)) {
    ++bad_opens;
  }
  EXPECT_EQ(bad_opens, UsesNetWeaver() ? 2u : 0u) << log;
  EXPECT_EQ(dir_.Exists("RefusedLogons.txt"), UsesNetWeaver());
}

// Systems whose main list fails in the ways that make the library close the
// connection itself (and hand its handle value to the next logon), or whose
// calls a deadline cancels, interleaved with healthy ones: four at a time
// the documents are those of one at a time, and the drop-in, which ends the
// process at any late use of a freed handle, sees none.
TEST_F(ListingE2eTest, FailingSystemsBesideHealthyOnesInParallel) {
  if (!UsesNetWeaver()) GTEST_SKIP() << "the classic library ignores TIMEOUT";
  const std::map<int, std::string> failing = {
      {2, "fault.DB_ORA_MAIN_LIST = failure"},
      {3, "fault.DB_ORA_MAIN_LIST = sysexception"},
      {5, "delay.DB_ORA_MAIN_LIST = 3600"},
      {6, "fault.DB_ORA_MAIN_LIST = message"},
      {8, "fault.DB_ORA_MAIN_LIST = failure"},
      {9, "delay.GET_CPU_ALL = 3600"},
      {11, "fault.DB_ORA_MAIN_LIST = exception NO_DATA"},
  };
  dir_.Write(kItem, ItemProfile(SmallLandscape(dir_, 12, 0.04, failing)));
  std::string channels;
  for (int i : {1, 4, 7, 10, 12}) channels += Usage("S" + Digits(i, 2) + ".P00", std::to_string(i));
  for (const char* options : {"ITEM=LogUsage TIMEOUT=1", "ITEM=LogUsage PARALLEL=4 TIMEOUT=1"}) {
    SCOPED_TRACE(options);
    RunResult r = Run({"X", options});
    EXPECT_EQ(r.out, Text(ListingDocument(channels,
                                          "(***) LogUsage: NoSystems=12, Processed=5, Failed=7")))
        << r.err;
    EXPECT_EQ(r.exit_code, 0);
  }
}

// The NetWeaver library's connect log is set aside once past 1 MiB, where
// the library writes it: in RFC_TRACE_DIR when the environment names one.
TEST_F(ListingE2eTest, ConnectLogIsSetAsidePastOneMebibyte) {
  if (!UsesNetWeaver()) GTEST_SKIP() << "only the NetWeaver library writes dev_rfc.log";
  dir_.Write(kItem, ItemProfile("PRD.P00#"));
  for (const char* folder : {"", "traces/"}) {
    SCOPED_TRACE(folder);
    const fs::path logs = dir_.host_path() / folder;
    for (const char* file : {"dev_rfc.log", "dev_rfc.log.old"}) fs::remove(dir_.host_path() / file);
    dir_.Write(std::string(folder) + "dev_rfc.log", std::string(1024 * 1024 - 100, 'x'));
    const std::string named = UnderWine() ? dir_.ProbePath(folder) : logs.string();
    if (*folder != '\0') ::setenv("RFC_TRACE_DIR", named.c_str(), 1);
    for (int run = 0; run < 3; ++run) EXPECT_EQ(Run({"X", "ITEM=LogUsage"}).exit_code, 0);
    ::unsetenv("RFC_TRACE_DIR");
    EXPECT_GE(fs::file_size(logs / "dev_rfc.log.old"), 1024u * 1024u);
    EXPECT_LT(fs::file_size(logs / "dev_rfc.log"), 1024u * 1024u);
    EXPECT_EQ(fs::exists(dir_.host_path() / "dev_rfc.log"), *folder == '\0');
    for (const fs::directory_entry& file : fs::directory_iterator(logs)) {
      EXPECT_FALSE(file.path().string().ends_with(".tmp")) << file.path();
    }
  }
}

// The call log says why an option is ignored; in a parallel pass each call
// line names its system.
TEST_F(ListingE2eTest, CallLogOfAParallelPass) {
  dir_.Write(kItem, ItemProfile("PRD.P00#QAS.P00#"));
  RunResult r = Run({"X", "ITEM=LogUsage,SYSLOG PARALLEL=2 TIMEOUT=1e3"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string log = dir_.Read("Marrowin.Prf.log");
  for (const char* line :
       {"0 TIMEOUT=1e3 ignored: seconds from 0.1 to 3600 are expected",
        UsesNetWeaver() ? "RfcInvoke DB_ORA_MAIN_LIST called QAS.P00"
                        : "0 PARALLEL and TIMEOUT ignored this RFC library allows one connection"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
  }
}

}  // namespace
}  // namespace tidewarden::e2e
