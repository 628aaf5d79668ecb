// Tests of the simulated SAP system, in-process through the library's C
// functions, used the way the probe uses them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "rfc/classic/saprfc.h"
#include "sim/description.h"
#include "sim/interfaces.h"
#include "sim/sim_control.h"

namespace tidewarden::sim {
namespace {

// Death-test output and texts that must hold a part.
class SubstringMatcher : public testing::MatcherInterface<const std::string&> {
 public:
  explicit SubstringMatcher(std::string part) : part_(std::move(part)) {}
  bool MatchAndExplain(const std::string& text, testing::MatchResultListener*) const override {
    return text.find(part_) != std::string::npos;
  }
  void DescribeTo(std::ostream* os) const override { *os << "contains \"" << part_ << "\""; }

 private:
  std::string part_;
};

testing::Matcher<const std::string&> HasSubstr(const std::string& part) {
  return testing::Matcher<const std::string&>(new SubstringMatcher(part));
}

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

constexpr std::int64_t kEpoch = 1763456700;  // 2025-11-18 09:05:00 UTC, a Tuesday

// PRD comes last, so that a test can add lines to it.
const char kDescription[] =
    "# a gateway and two systems\n"
    "calllog = calls.log\n"
    "epoch = 1763456700\n"
    "\n"
    "[K50]\n"
    "gwhost = r2gate\n"
    "gwservice = sapgw50\n"
    "client = 001\n"
    "user = R2USER\n"
    "password = r2pw\n"
    "\n"
    "[QAS]\n"
    "host = SAPQAS\n"
    "sysnr = 12\n"
    "client = 200\n"
    "user = monitor\n"
    "password = qas-pass\n"
    "numbers = grouped\n"
    "LASTCOLLWRT = utc +3600\n"
    "RFCHOST = qashost9\n"
    "RFCDBSYS = DB6\n"
    "LOGWRITES = 1234567 + 0.5/s\n"
    "GLOBAL.LOGWRITES = 99\n"
    "\n"
    "[PRD]\n"
    "host = sapprd01\n"
    "sysnr = 00\n"
    "client = 100\n"
    "user = MONITOR\n"
    "password = Secret12\n"
    "LASTCOLLWRT = Tue Nov 18 09:05:00 2025\n"
    "RFCDBSYS = ORACLE\n"
    "LOGWRITES = 1843001 + 5/s\n"
    "WAIT_BUSY = \"  1.7 x\"\n"
    "ROLLBACKS = 5118\n"
    "LOGSIZE = 1310720\n"
    "LOGALLOC = 27\n";

// The probe's scan of the trace file: the last "ERROR " or "======> " text,
// reset by a "**** ERROR " header; lines read in pieces of 99 characters.
std::string ScanTrace(const std::string& trace) {
  std::string captured;
  std::size_t position = 0;
  while (position < trace.size()) {
    std::size_t end = trace.find('\n', position);
    end = end == std::string::npos ? trace.size() : end + 1;
    std::string piece = trace.substr(position, std::min<std::size_t>(99, end - position));
    position += piece.size();
    auto set = [&](std::size_t from) {
      captured = piece.size() > from ? piece.substr(from) : "";
      if (!captured.empty() && captured.back() == '\r') captured.pop_back();
      if (!captured.empty() && captured.back() == '\n') captured.pop_back();
    };
    if (piece.starts_with("**** ERROR ")) captured.clear();
    if (piece.starts_with("ERROR ")) set(12);
    if (piece.size() >= 15 && piece.compare(7, 8, "======> ") == 0) set(15);
  }
  return captured;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Element lists, parameter lists and tables as the probe builds them, with
// hooks to spoil one thing at a time.
class ProbeCall {
 public:
  explicit ProbeCall(const FunctionSpec& function) : function_(function) {
    for (const ParameterSpec& p : function.exporting) {
      values_.emplace_back(p.value, p.length);
      exporting_.push_back(Parameter(p, values_.back().data()));
    }
    for (const ParameterSpec& p : function.importing) {
      buffers_.emplace_back(p.length, '\x01');
      importing_.push_back(Parameter(p, buffers_.back().data()));
    }
    for (const ParameterSpec& p : function.tables) {
      ITAB_H table = ItCreate(const_cast<char*>(p.name), p.length, 0, 0);
      tables_.push_back(
          RFC_TABLE{const_cast<char*>(p.name), static_cast<unsigned>(std::strlen(p.name)),
                    Installed(*p.structure), p.length, table, RFC_ITMODE_BYREFERENCE, 0});
    }
    exporting_.push_back(RFC_PARAMETER{});
    importing_.push_back(RFC_PARAMETER{});
    tables_.push_back(RFC_TABLE{});
  }

  ~ProbeCall() {
    for (const RFC_TABLE& t : tables_) {
      if (t.name != nullptr && TableRows(t.ithandle) >= 0) ItDelete(t.ithandle);
    }
  }

  RFC_RC Call(RFC_HANDLE handle) {
    return RfcCall(handle, const_cast<char*>(function_.name), exporting_.data(), tables_.data());
  }
  RFC_RC Receive(RFC_HANDLE handle) {
    exception_ = nullptr;
    return RfcReceive(handle, importing_.data(), tables_.data(), &exception_);
  }
  RFC_RC Run(RFC_HANDLE handle) {
    RFC_RC rc = Call(handle);
    return rc != RFC_OK ? rc : Receive(handle);
  }

  std::string Imported(const std::string& name) const {
    for (std::size_t i = 0; i + 1 < importing_.size(); ++i) {
      if (name == function_.importing[i].name) return buffers_[i];
    }
    return "?";
  }
  std::int32_t ImportedInt(const std::string& name) const {
    std::int32_t v = 0;
    std::memcpy(&v, Imported(name).data(), sizeof v);
    return v;
  }
  std::string exception() const { return exception_ == nullptr ? "" : exception_; }
  RFC_PARAMETER& exporting(std::size_t i) { return exporting_[i]; }
  RFC_PARAMETER& importing(std::size_t i) { return importing_[i]; }
  RFC_TABLE& table(std::size_t i) { return tables_[i]; }

  // The type handle of a structure, installed once per test as the probe
  // installs it once per process.
  static RFC_TYPEHANDLE Installed(const StructureSpec& s) {
    RFC_TYPEHANDLE& handle = InstalledHandles()[s.name];
    if (handle == 0) handle = Install(s);
    return handle;
  }
  static RFC_TYPEHANDLE Install(const StructureSpec& s) {
    std::vector<RFC_TYPE_ELEMENT> elements;
    for (const ElementSpec& e : s.elements) {
      elements.push_back(RFC_TYPE_ELEMENT{const_cast<char*>(e.name),
                                          static_cast<RFC_TYPEHANDLE>(e.type), e.length, 0, 0});
    }
    RFC_TYPEHANDLE handle = 0;
    EXPECT_EQ(RfcInstallStructure(const_cast<char*>(s.name), elements.data(),
                                  static_cast<unsigned>(elements.size()), &handle),
              RFC_OK);
    return handle;
  }
  static std::map<std::string, RFC_TYPEHANDLE>& InstalledHandles() {
    static std::map<std::string, RFC_TYPEHANDLE> handles;
    return handles;
  }

 private:
  RFC_PARAMETER Parameter(const ParameterSpec& p, char* buffer) {
    RFC_TYPEHANDLE type =
        p.structure != nullptr ? Installed(*p.structure) : static_cast<RFC_TYPEHANDLE>(p.type);
    return RFC_PARAMETER{const_cast<char*>(p.name), static_cast<unsigned>(std::strlen(p.name)),
                         type, p.length, buffer};
  }

  const FunctionSpec& function_;
  std::deque<std::string> values_;
  std::deque<std::string> buffers_;
  std::vector<RFC_PARAMETER> exporting_;
  std::vector<RFC_PARAMETER> importing_;
  std::vector<RFC_TABLE> tables_;
  char* exception_ = nullptr;
};

// The probe's logon road by options record, user and password padded.
struct Logon {
  std::string destination = "PRD";
  int mode = RFC_MODE_R3ONLY;
  std::string client = "100";
  std::string user = "MONITOR     ";
  std::string password = "Secret12  ";
  std::string language = "E";
  std::string host = "sapprd01";
  int sysnr = 0;
  std::string gwhost;
  std::string gwservice;

  RFC_HANDLE Open() {
    RFC_CONNOPT_R3 r3{Ptr(host), sysnr, Ptr(gwhost), Ptr(gwservice)};
    RFC_CONNOPT_CPIC cpic{Ptr(gwhost), Ptr(gwservice)};
    RFC_OPTIONS options{destination.data(),
                        mode,
                        mode == RFC_MODE_CPIC ? static_cast<void*>(&cpic) : &r3,
                        client.data(),
                        user.data(),
                        password.data(),
                        language.data(),
                        0};
    return RfcOpen(&options);
  }
  static char* Ptr(std::string& s) { return s.empty() ? nullptr : s.data(); }
};

const FunctionSpec& Fn(const char* name) { return *FindFunction(name); }

// A mark of this run of the test binary, shared with the children of death
// tests through the environment: on Windows they are new processes that set
// the test up again, and must find the same folder (which the parent removes).
std::string RunToken() {
  static const char kName[] = "TIDEWARDEN_SIM_TEST_RUN";
  if (const char* token = std::getenv(kName)) return token;
  static std::string assignment =
      std::string(kName) + "=" +
      std::to_string(std::chrono::system_clock::now().time_since_epoch().count());
#ifdef _WIN32
  _putenv(assignment.c_str());
#else
  putenv(assignment.data());
#endif
  return assignment.substr(sizeof kName);
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("tidewarden_sim_" + RunToken() + "_" + info->test_suite_name() + "_" + info->name());
    std::filesystem::create_directories(dir_);
    Restart();
  }
  // A new process, as far as the library can tell.
  void Restart() {
    Reset();
    ProbeCall::InstalledHandles().clear();
    SetWorkingDirectory(dir_.string());
    SetClock([this] { return now_; });
    SetSleeper([this](double seconds) { slept_.push_back(seconds); });
  }
  void TearDown() override {
    Reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  void Write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  void Describe(const std::string& extra = "", const std::string& base = kDescription) {
    Write("SapSim.txt", base + extra);
  }
  std::string Trace() { return Read("Dev_Rfc.Trc"); }

  std::filesystem::path dir_;
  std::int64_t now_ = kEpoch + 10;
  std::vector<double> slept_;
};

// --- Description ----------------------------------------------------------

TEST(SimDescriptionTest, ReadsSystemsAndReportsEveryBadLine) {
  Description d = ParseDescription(
      "calllog = c.log\n"
      "host = misplaced\n"
      "[PRD]\r\n"
      "host = sapprd01\r\n"
      "sysnr = 0x\n"
      "sysnr = 7\n"
      "just words\n"
      "LOGWRITS = 5\n"
      "LOGWRITES = 12345678901234567\n"
      "LOGWRITES = 5 + 2/day\n"
      "RFCHOST = toolonghostname\n"
      "INTERVAL = ten\n"
      "RFCDBSYS = clock\n"
      "numbers = sideways\n"
      "epoch = yesterday\n"
      "fault.GET_CPU_ALL = exception\n"
      "fault.GET_CPU_ALL = exception NO_DATA at call\n"
      "fault.NO_SUCH_FM = failure\n"
      "fault.open = failure\n"
      "fault.ItCreate = fail A B\n"
      "delay.open = soon\n"
      "[PRD]\n"
      "host = second\n"
      "[bad name]\n"
      "[QAS\n"
      "= 5\n",
      "SapSim.txt", 1000);
  ASSERT_EQ(d.systems.size(), 1u);
  const System& prd = d.systems[0];
  EXPECT_EQ(prd.host, "sapprd01");
  EXPECT_EQ(prd.sysnr, 7);
  EXPECT_EQ(prd.epoch, 1000);  // the file's time when no epoch is given
  EXPECT_EQ(d.call_log, "c.log");
  EXPECT_TRUE(prd.faults.empty());
  EXPECT_EQ(prd.values.count("TST04.LOGWRITES"), 1u);  // "5 + 2/day" is a text
  std::vector<std::string> expected_starts = {
      "SapSim.txt(2): \"host\" before the first [SYSTEM] header",
      "SapSim.txt(5): sysnr \"0x\"",
      "SapSim.txt(7): \"just words\" is neither",
      "SapSim.txt(8): \"LOGWRITS\" is no keyword",
      "SapSim.txt(11): RFCHOST = \"toolonghostname\": the field holds 8",
      "SapSim.txt(12): INTERVAL = \"ten\": an integer parameter takes a number",
      "SapSim.txt(13): RFCDBSYS = \"clock\": clock values go only",
      "SapSim.txt(14): numbers \"sideways\"",
      "SapSim.txt(15): epoch \"yesterday\"",
      "SapSim.txt(16): fault.GET_CPU_ALL = \"exception\"",
      "SapSim.txt(17): fault.GET_CPU_ALL = \"exception NO_DATA at call\": exceptions come",
      "SapSim.txt(18): fault.NO_SUCH_FM: no such target",
      "SapSim.txt(19): fault.open = \"failure\"",
      "SapSim.txt(20): fault.ItCreate = \"fail A B\"",
      "SapSim.txt(21): delay.open = \"soon\"",
      "SapSim.txt(22): a second system [PRD]",
      "SapSim.txt(24): system name \"bad name\"",
      "SapSim.txt(25): a system header is \"[NAME]\"",
      "SapSim.txt(26): a line without a key",
      "SapSim.txt(3): [PRD] lacks client, user or password",
  };
  ASSERT_EQ(d.errors.size(), expected_starts.size()) << testing::PrintToString(d.errors);
  for (std::size_t i = 0; i < expected_starts.size(); ++i) {
    EXPECT_TRUE(d.errors[i].starts_with(expected_starts[i])) << d.errors[i];
  }
}

TEST(SimDescriptionTest, ParsesValueForms) {
  Description d = ParseDescription(
      "[A]\nhost=h\nsysnr=1\nclient=1\nuser=u\npassword=p\n"
      "epoch = 2025-11-18 09:05:00\n"
      "LOGWRITES = 100 + 2.5/s\n"
      "WAIT_BUSY = 7 + 90/min\n"
      "ROLLBACKS = 42\n"
      "LOGSIZE = \"  1.310.720 \"\n"
      "LOGALLOC = 12 dots.\n"
      "LASTCOLLWRT = clock -90\n"
      "CURR_DATE = utc + 86400\n"
      "fault.DB_ORA_MAIN_LIST = code -4 at call : gone away\n"
      "fault.RFC_SYSTEM_INFO = sysexception\n"
      "fault.ItDelete = fail DBORA_PER_INSTANCES\n"
      "delay.GET_CPU_ALL = 1.25\n",
      "x", 0);
  ASSERT_TRUE(d.errors.empty()) << testing::PrintToString(d.errors);
  const System& s = d.systems[0];
  EXPECT_EQ(s.epoch, kEpoch);
  const Value& writes = s.values.at("TST04.LOGWRITES");
  EXPECT_EQ(writes.kind, Value::Kind::kGrowing);
  EXPECT_EQ(NumberAt(writes, kEpoch, kEpoch + 10), 125);
  EXPECT_EQ(NumberAt(writes, kEpoch, kEpoch - 10), 100);  // never below the start
  EXPECT_EQ(NumberAt(s.values.at("TST04.WAIT_BUSY"), kEpoch, kEpoch + 60), 97);
  EXPECT_EQ(s.values.at("TST04.LOGSIZE").text, "  1.310.720 ");
  EXPECT_EQ(s.values.at("TST04.LOGALLOC").text, "12 dots.");
  EXPECT_EQ(s.values.at("GET_CPU_ALL.LASTCOLLWRT").offset, -90);
  EXPECT_TRUE(s.values.at("TST04.CURR_DATE").utc);
  const Fault& main_list = s.faults.at("DB_ORA_MAIN_LIST");
  EXPECT_EQ(main_list.code, -4);
  EXPECT_TRUE(main_list.at_call);
  EXPECT_EQ(main_list.message, "gone away");
  EXPECT_EQ(s.faults.at("RFC_SYSTEM_INFO").name, "SYSTEM_FAILURE");
  EXPECT_EQ(s.faults.at("ItDelete").object, "DBORA_PER_INSTANCES");
  EXPECT_DOUBLE_EQ(s.delays.at("GET_CPU_ALL"), 1.25);
}

// The documented example and the examples' description must be sound.
TEST(SimDescriptionTest, ExampleDescriptionsHaveNoProblems) {
  // The checkout: beside this source file, or above the folder the test runs
  // in (builds that make source paths relative).
  std::vector<std::filesystem::path> roots = {
      std::filesystem::path(__FILE__).parent_path().parent_path()};
  for (auto p = std::filesystem::current_path(); p.has_relative_path(); p = p.parent_path()) {
    roots.push_back(p);
  }
  std::filesystem::path root;
  for (const auto& candidate : roots) {
    std::error_code ec;
    if (std::filesystem::exists(candidate / "sim/examples/SapSim.txt", ec)) {
      root = candidate;
      break;
    }
  }
  if (root.empty()) GTEST_SKIP() << "the checkout's sim/examples is not reachable from here";
  for (const char* name : {"sim/examples/SapSim.txt", "examples/SapSim.txt"}) {
    std::string text = ReadFile(root / name);
    Description d = ParseDescription(text, name, 0);
    EXPECT_TRUE(d.errors.empty()) << testing::PrintToString(d.errors);
    EXPECT_GE(d.systems.size(), 3u) << name;
  }
}

TEST(SimDescriptionTest, FormatsNumbersAsTheMonitorWritesThem) {
  struct {
    Value::Kind kind;
    std::int64_t start;
    NumberStyle style;
    unsigned width;
    const char* expected;
  } cases[] = {
      {Value::Kind::kNumber, 1843001, NumberStyle::kRight, 14, "       1843001"},
      {Value::Kind::kNumber, 1843001, NumberStyle::kGrouped, 14, "     1.843.001"},
      {Value::Kind::kNumber, 1843001, NumberStyle::kLeft, 14, "1843001       "},
      {Value::Kind::kNumber, 999, NumberStyle::kGrouped, 6, "   999"},
      {Value::Kind::kNumber, 123456789012345, NumberStyle::kRight, 14, "*3456789012345"},
      {Value::Kind::kNumber, 0, NumberStyle::kRight, 3, "  0"},
  };
  for (const auto& c : cases) {
    Value v;
    v.kind = c.kind;
    v.start = c.start;
    EXPECT_EQ(FormatValue(v, TYPC, c.width, c.style, 0, 0), c.expected) << c.start;
  }
  Value clock;
  clock.kind = Value::Kind::kClock;
  clock.utc = true;
  EXPECT_EQ(FormatValue(clock, TYPC, 25, NumberStyle::kRight, 0, kEpoch),
            "Tue Nov 18 09:05:00 2025 ");
  EXPECT_EQ(FormatValue(clock, TYPDATE, 8, NumberStyle::kRight, 0, kEpoch), "20251118");
  EXPECT_EQ(FormatValue(clock, TYPTIME, 6, NumberStyle::kRight, 0, kEpoch), "090500");
  // A day below 10 is blank-padded, as the collector writes it.
  clock.offset = 19 * 86400 - 9 * 3600;
  EXPECT_EQ(FormatValue(clock, TYPC, 25, NumberStyle::kRight, 0, kEpoch),
            "Sun Dec  7 00:05:00 2025 ");
}

TEST(SimDescriptionTest, DictionaryRowLengthsMatchTheLayouts) {
  for (const char* name : {"CPU_ALL", "RFCSI", "TST04", "GST04"}) {
    const StructureSpec& s = *FindStructure(name);
    int last = static_cast<int>(s.elements.size()) - 1;
    unsigned end = ElementOffset(s, last) + s.elements.back().length;
    EXPECT_EQ((end + 3) / 4 * 4 >= s.row_length && end <= s.row_length, true) << name;
  }
  EXPECT_EQ(ElementOffset(*FindStructure("CPU_ALL"), 3), 8u);  // after the 2-byte alignment
  EXPECT_EQ(
      ElementOffset(*FindStructure("TST04"), FindElement(*FindStructure("TST04"), "LOGWRITES")),
      406u);
  EXPECT_EQ(ElementOffset(*FindStructure("GST04"), 49), 857u);
  EXPECT_EQ(ElementOffset(*FindStructure("RFCSI"), 17), 156u);
}

// --- Logon ----------------------------------------------------------------

TEST_F(SimTest, AcceptsThePaddedLogonAndHandsOutSmallHandles) {
  Describe();
  Logon prd;
  Logon qas;
  qas.host = "sapqas";  // host names ignore letter case
  qas.sysnr = 12;
  qas.client = "200";
  qas.user = "MONITOR     ";  // user names too
  qas.password = "qas-pass  ";
  Logon k50;
  k50.mode = RFC_MODE_CPIC;
  k50.host.clear();
  k50.gwhost = "r2gate";
  k50.gwservice = "sapgw50";
  k50.client = "001";
  k50.user = "R2USER";
  k50.password = "r2pw";
  EXPECT_EQ(prd.Open(), 1u);
  EXPECT_EQ(qas.Open(), 2u);
  EXPECT_EQ(k50.Open(), 3u);
  RfcClose(2);
  EXPECT_EQ(prd.Open(), 2u);
  EXPECT_EQ(OpenConnections(), 3);
  RfcClose(0);
  EXPECT_EQ(OpenConnections(), 0);
  // The trace says once that this is a simulated library, in a line that the
  // probe's scan passes over.
  std::string trace = Trace();
  EXPECT_HAS(trace, "SIMULATED RFC library (not SAP's)");
  EXPECT_EQ(trace.find("SIMULATED"), trace.rfind("SIMULATED"));
  EXPECT_EQ(ScanTrace(trace), "");
}

TEST_F(SimTest, RefusesLogonsWithTheReasonInTheTrace) {
  struct {
    const char* what;
    void (*spoil)(Logon*);
    const char* reason;
  } cases[] = {
      {"password", [](Logon* l) { l->password = "secret12"; },
       "Name or password is incorrect (repeat logon)"},
      {"user", [](Logon* l) { l->user = "OTHER"; }, "Name or password is incorrect (repeat logon)"},
      {"client", [](Logon* l) { l->client = "101"; }, "Client 101 is not available in this system"},
      {"host", [](Logon* l) { l->host = "sapxyz"; },
       "partner sapxyz system number 0 not reached (host unknown)"},
      {"sysnr", [](Logon* l) { l->sysnr = 1; },
       "partner sapprd01 system number 1 not reached (host unknown)"},
      {"no host", [](Logon* l) { l->host.clear(); }, "no host name given"},
      {"gateway",
       [](Logon* l) {
         l->mode = RFC_MODE_CPIC;
         l->gwhost = "r2gate";
         l->gwservice = "sapgw00";
       },
       "partner gateway r2gate/sapgw00 not reached (host unknown)"},
  };
  Describe();
  for (const auto& c : cases) {
    Logon logon;
    c.spoil(&logon);
    EXPECT_EQ(logon.Open(), 0u) << c.what;
    std::string trace = Trace();
    EXPECT_EQ(ScanTrace(trace), c.reason) << c.what;
    EXPECT_HAS(trace, std::string("\nERROR       ") + c.reason + "\n") << c.what;
    EXPECT_HAS(trace, std::string("\nT:SIM  ======> ") + c.reason + "\n") << c.what;
    RFC_ERROR_INFO info{};
    EXPECT_EQ(RfcLastError(&info), 0);
    EXPECT_STREQ(info.message, c.reason) << c.what;
  }
  EXPECT_EQ(OpenConnections(), 0);
}

TEST_F(SimTest, WithoutDescriptionEveryOpenFails) {
  Logon logon;
  EXPECT_EQ(logon.Open(), 0u);
  std::string trace = Trace();
  EXPECT_HAS(trace, "SIMULATED RFC library");
  EXPECT_EQ(ScanTrace(trace),
            "no SapSim.txt in the working directory: this simulated library serves no system");
}

TEST_F(SimTest, GarbageInTheDescriptionIsReportedAndTheRestServes) {
  const char binary[] = "\x01\x02\xff binary\0junk\n";
  std::string garbage =
      std::string(binary, sizeof binary - 1) + std::string(5000, 'x') + "\n[[[\n=\n";
  Describe(garbage);
  Logon logon;
  EXPECT_EQ(logon.Open(), 1u);
  std::string trace = Trace();
  EXPECT_HAS(trace, "     SapSim.txt(38): \"??\xff binary?junk\" is neither");
  EXPECT_HAS(trace, "     SapSim.txt(39): \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx...\"");
  // Description problems are no error texts for the probe's scan.
  EXPECT_EQ(ScanTrace(trace), "");
}

TEST_F(SimTest, OpensByDestinationThroughSapRfcIni) {
  Describe();
  Write("SapRfc.ini",
        "* comment\r\nDEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=12\r\n"
        "DEST=PRD\r\nTYPE=A\r\nASHOST=sapprd01\r\nSYSNR=00\r\nRFC_TRACE=0\r\n");
  char good[] = "CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=PRD";
  RFC_ERROR_INFO_EX info{};
  EXPECT_EQ(RfcOpenEx(good, &info), 1u);
  struct {
    std::string connect;
    std::string ini;
    std::string reason;
  } refused[] = {
      {"CLIENT=100 USER=MONITOR PASSWD=wrong LANG=D DEST=PRD", "",
       "Name or password is incorrect (repeat logon)"},
      {"CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=DEV", "",
       "destination DEV not found in SapRfc.ini"},
      {"CLIENT=100 USER=MONITOR PASSWD=Sec ret12 LANG=D DEST=PRD", "",
       "connect string: text without KEY= at position 36"},
      {"CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=PRD", "DEST=PRD\nTYPE=B\nMSHOST=x\n",
       "TYPE=B in SapRfc.ini entry PRD: only TYPE=A (application server) is served"},
      {"CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=PRD", "DEST=PRD\nASHOST=sapprd01\n",
       "no TYPE= in SapRfc.ini entry PRD"},
      {"CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=PRD", "DEST=PRD\nTYPE=A\nSYSNR=00\n",
       "no ASHOST= in SapRfc.ini entry PRD"},
  };
  for (const auto& c : refused) {
    if (!c.ini.empty()) Write("SapRfc.ini", c.ini);
    std::string connect = c.connect;
    info = {};
    EXPECT_EQ(RfcOpenEx(connect.data(), &info), 0u) << c.connect;
    EXPECT_EQ(ScanTrace(Trace()), c.reason) << c.connect;
    EXPECT_EQ(std::string(info.message), c.reason) << c.connect;
  }
  std::filesystem::remove(dir_ / "SapRfc.ini");
  EXPECT_EQ(RfcOpenEx(good, nullptr), 0u);
  EXPECT_EQ(ScanTrace(Trace()), "SapRfc.ini not found for destination PRD");
}

TEST_F(SimTest, CallLogNeverHoldsTheClearPassword) {
  Describe();
  Write("SapRfc.ini", "DEST=PRD\nTYPE=A\nASHOST=sapprd01\nSYSNR=00\n");
  Logon logon;
  ASSERT_EQ(logon.Open(), 1u);
  logon.password = "Secret12x";
  EXPECT_EQ(logon.Open(), 0u);
  char connect[] = "CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=D DEST=PRD";
  ASSERT_EQ(RfcOpenEx(connect, nullptr), 2u);
  char split[] = "CLIENT=100 USER=MONITOR PASSWD=Secret 12 LANG=D DEST=PRD";
  EXPECT_EQ(RfcOpenEx(split, nullptr), 0u);
  std::string file = Read("calls.log");
  std::string memory;
  for (const std::string& line : CallLog()) memory += line + "\n";
  EXPECT_EQ(file, memory);
  EXPECT_EQ(file.find("Secret"), std::string::npos) << file;
  EXPECT_HAS(file, "user=\"MONITOR     \" password=<10 characters> language=\"E\"");
  EXPECT_HAS(file, "-> handle 1 [PRD], password matches");
  EXPECT_HAS(file, "password=<9 characters>");
  EXPECT_HAS(file, "(password does not match)");
  EXPECT_HAS(file, "PASSWD=<8 characters> LANG=D DEST=PRD\"");
  EXPECT_HAS(file, "PASSWD=<6 characters> <2 characters without a key> LANG=D");
}

// --- Answers --------------------------------------------------------------

TEST_F(SimTest, AnswersTheThreeFunctionModulesByteExact) {
  Describe();
  Logon logon;
  RFC_HANDLE h = logon.Open();
  ASSERT_NE(h, 0u);

  ProbeCall clock(Fn("GET_CPU_ALL"));
  ASSERT_EQ(clock.Run(h), RFC_OK);
  EXPECT_EQ(clock.Imported("LASTCOLLWRT"), "Tue Nov 18 09:05:00 2025 ");
  EXPECT_EQ(clock.ImportedInt("INTERVAL"), 10);
  EXPECT_EQ(TableRows(clock.table(0).ithandle), 1);

  ProbeCall info(Fn("RFC_SYSTEM_INFO"));
  ASSERT_EQ(info.Run(h), RFC_OK);
  std::string rfcsi = info.Imported("RFCSI_EXPORT");
  ASSERT_EQ(rfcsi.size(), 200u);
  EXPECT_EQ(rfcsi.substr(45, 8), "sapprd01");
  EXPECT_EQ(rfcsi.substr(101, 10), "ORACLE    ");
  EXPECT_EQ(rfcsi.substr(53, 8), "PRD     ");  // the system's name as its ID

  ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
  ASSERT_EQ(main_list.Run(h), RFC_OK);
  std::string dbora = main_list.Imported("DBORA");
  ASSERT_EQ(dbora.size(), 916u);
  EXPECT_EQ(dbora.substr(406, 14), "       1843051");  // 1843001 + 10 s * 5
  EXPECT_EQ(dbora.substr(854, 14), "  1.7 x       ");
  EXPECT_EQ(dbora.substr(392, 14), "          5118");
  EXPECT_EQ(dbora.substr(280, 14), "       1310720");
  EXPECT_EQ(dbora.substr(308, 14), "            27");
  EXPECT_EQ(dbora.find('\0'), std::string::npos);
  std::string global = main_list.Imported("DBORA_GLOBAL");
  ASSERT_EQ(global.size(), 863u);
  EXPECT_EQ(global.substr(361, 20), std::string(13, ' ') + "1843051");
  EXPECT_EQ(TableRows(main_list.table(0).ithandle), 1);
  RfcClose(h);
}

TEST_F(SimTest, AnswersOfTheSecondSystemFollowItsOwnDescription) {
  Describe();
  Logon logon;
  logon.host = "sapqas";
  logon.sysnr = 12;
  logon.client = "200";
  logon.password = "qas-pass";
  RFC_HANDLE h = logon.Open();
  ASSERT_NE(h, 0u);
  ProbeCall clock(Fn("GET_CPU_ALL"));
  ASSERT_EQ(clock.Run(h), RFC_OK);
  EXPECT_EQ(clock.Imported("LASTCOLLWRT"), "Tue Nov 18 10:05:10 2025 ");  // UTC + 1 h
  ProbeCall info(Fn("RFC_SYSTEM_INFO"));
  ASSERT_EQ(info.Run(h), RFC_OK);
  EXPECT_EQ(info.Imported("RFCSI_EXPORT").substr(45, 8), "qashost9");
  EXPECT_EQ(info.Imported("RFCSI_EXPORT").substr(101, 10), "DB6       ");
  ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
  ASSERT_EQ(main_list.Run(h), RFC_OK);
  EXPECT_EQ(main_list.Imported("DBORA").substr(406, 14), "     1.234.572");
  EXPECT_EQ(main_list.Imported("DBORA_GLOBAL").substr(361, 20), std::string(18, ' ') + "99");
}

TEST_F(SimTest, TotalsGrowWithTheClock) {
  Describe();
  Logon logon;
  RFC_HANDLE h = logon.Open();
  std::vector<std::string> seen;
  for (std::int64_t at : {kEpoch - 100, kEpoch, kEpoch + 1, kEpoch + 3600}) {
    now_ = at;
    ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
    ASSERT_EQ(main_list.Run(h), RFC_OK);
    seen.push_back(main_list.Imported("DBORA").substr(406, 14));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"       1843001", "       1843001", "       1843006",
                                            "       1861001"}));
}

TEST_F(SimTest, EpochDefaultsToTheDescriptionFilesTime) {
  Describe("", "[X]\nhost=h\nsysnr=1\nclient=1\nuser=u\npassword=p\nLOGWRITES = 0 + 1/s\n");
  auto written = std::filesystem::last_write_time(dir_ / "SapSim.txt");
  std::int64_t file_time = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::file_clock::to_sys(written).time_since_epoch())
                               .count();
  now_ = file_time + 42;
  Logon logon;
  logon.host = "h";
  logon.sysnr = 1;
  logon.client = "1";
  logon.user = "U";
  logon.password = "p";
  RFC_HANDLE h = logon.Open();
  ASSERT_NE(h, 0u);
  ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
  ASSERT_EQ(main_list.Run(h), RFC_OK);
  EXPECT_EQ(main_list.Imported("DBORA").substr(406, 14), "            42");
}

// --- Faults ---------------------------------------------------------------

TEST_F(SimTest, FunctionModuleFaultsGiveTheirCodesAndTraceTexts) {
  struct {
    const char* fault;
    bool at_call;
    RFC_RC code;
    const char* exception;
    const char* trace_text;
  } cases[] = {
      {"failure", false, RFC_FAILURE, "", "connection to partner broken while receiving"},
      {"failure at call", true, RFC_FAILURE, "",
       "connection to partner broken while sending DB_ORA_MAIN_LIST"},
      {"exception NO_DATA", false, RFC_EXCEPTION, "NO_DATA",
       "function module DB_ORA_MAIN_LIST raised exception NO_DATA"},
      {"sysexception", false, RFC_SYS_EXCEPTION, "SYSTEM_FAILURE",
       "ABAP runtime error in DB_ORA_MAIN_LIST"},
      {"sysexception DBIF_RSQL_SQL_ERROR : ORA-01034: ORACLE not available", false,
       RFC_SYS_EXCEPTION, "DBIF_RSQL_SQL_ERROR", "ORA-01034: ORACLE not available"},
      {"code 7", false, 7, "", "connection to partner broken while receiving"},
      {"code -1 at call: timeout", true, -1, "", "timeout"},
  };
  for (const auto& c : cases) {
    Restart();
    Describe(std::string("fault.DB_ORA_MAIN_LIST = ") + c.fault + "\n");
    Logon logon;
    RFC_HANDLE h = logon.Open();
    ASSERT_NE(h, 0u);
    ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
    if (c.at_call) {
      EXPECT_EQ(main_list.Call(h), c.code) << c.fault;
    } else {
      ASSERT_EQ(main_list.Call(h), RFC_OK) << c.fault;
      EXPECT_EQ(main_list.Receive(h), c.code) << c.fault;
      EXPECT_EQ(main_list.exception(), c.exception) << c.fault;
    }
    EXPECT_EQ(ScanTrace(Trace()), c.trace_text) << c.fault;
    RFC_ERROR_INFO info{};
    RfcLastError(&info);
    EXPECT_STREQ(info.message, c.trace_text) << c.fault;
    // Other modules of the same system still answer.
    ProbeCall clock(Fn("GET_CPU_ALL"));
    RFC_HANDLE other = logon.Open();
    EXPECT_EQ(clock.Run(other), RFC_OK) << c.fault;
    RfcClose(0);
  }
}

TEST_F(SimTest, AfterAFailureTheConnectionIsGone) {
  Describe("fault.GET_CPU_ALL = failure\n");
  Logon logon;
  RFC_HANDLE h = logon.Open();
  ProbeCall clock(Fn("GET_CPU_ALL"));
  EXPECT_EQ(clock.Run(h), RFC_FAILURE);
  ProbeCall info(Fn("RFC_SYSTEM_INFO"));
  EXPECT_EQ(info.Run(h), RFC_FAILURE);
  EXPECT_EQ(ScanTrace(Trace()), "connection to partner was closed by an earlier failure");
}

TEST_F(SimTest, DelaysWaitBeforeTheAnswer) {
  Describe("delay.open = 2.5\ndelay.RFC_SYSTEM_INFO = 30\n");
  Logon logon;
  RFC_HANDLE h = logon.Open();
  ProbeCall info(Fn("RFC_SYSTEM_INFO"));
  ASSERT_EQ(info.Call(h), RFC_OK);
  EXPECT_EQ(slept_, std::vector<double>{2.5});
  EXPECT_EQ(info.Receive(h), RFC_OK);
  EXPECT_EQ(slept_, (std::vector<double>{2.5, 30}));
  EXPECT_HAS(Read("calls.log"), "  (delay 2.5 s)\n  -> handle 1");
}

TEST_F(SimTest, RealDelayReallyWaits) {
  SetSleeper(nullptr);
  Describe("delay.open = 0.2\n");
  auto start = std::chrono::steady_clock::now();
  Logon logon;
  EXPECT_NE(logon.Open(), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
}

TEST_F(SimTest, OpenFaultRefusesWithItsMessage) {
  Describe("fault.open = refuse: Timeout during connection setup\n");
  Logon logon;
  EXPECT_EQ(logon.Open(), 0u);
  EXPECT_EQ(ScanTrace(Trace()), "Timeout during connection setup");
}

TEST_F(SimTest, LibraryCallFaultsFailAsTheProbeExpects) {
  Describe(
      "fault.RfcInstallStructure = fail RFCSI\n"
      "fault.ItCreate = fail DBORA_PER_INSTANCES\n"
      "fault.ItDelete = fail TF_CPU_ALL\n");
  // Without a connection to the system its faults do not apply.
  char cpu[] = "TF_CPU_ALL";
  ITAB_H early = ItCreate(cpu, 48, 0, 0);
  EXPECT_EQ(ItDelete(early), 0);
  Logon logon;
  ASSERT_NE(logon.Open(), 0u);
  const StructureSpec& rfcsi = *FindStructure("RFCSI");
  std::vector<RFC_TYPE_ELEMENT> elements;
  for (const ElementSpec& e : rfcsi.elements) {
    elements.push_back(
        {const_cast<char*>(e.name), static_cast<RFC_TYPEHANDLE>(e.type), e.length, 0, 0});
  }
  RFC_TYPEHANDLE handle = 0;
  char name[] = "RFCSI";
  EXPECT_EQ(RfcInstallStructure(name, elements.data(), 18, &handle), RFC_FAILURE);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(ScanTrace(Trace()), "structure RFCSI cannot be installed");
  EXPECT_NE(ProbeCall::Installed(*FindStructure("CPU_ALL")), 0u);
  char dbora[] = "DBORA_PER_INSTANCES";
  EXPECT_EQ(ItCreate(dbora, 916, 0, 0), nullptr);
  EXPECT_EQ(ScanTrace(Trace()), "no memory for table DBORA_PER_INSTANCES");
  ITAB_H table = ItCreate(cpu, 48, 0, 0);
  ASSERT_NE(table, nullptr);
  EXPECT_NE(ItDelete(table), 0);
  EXPECT_EQ(ScanTrace(Trace()), "table TF_CPU_ALL cannot be freed");
}

// --- Fatal errors: through the handler, which must not return -------------

// The folder of the running test, for handlers that show its files.
std::filesystem::path* handler_folder = nullptr;

void SAP_API PrintingHandler(char* operation) {
  RFC_ERROR_INFO info{};
  RfcLastError(&info);
  std::fprintf(stderr, "handler operation=%s|key=%s|status=%s|message=%s|intstat=%s\n", operation,
               info.key, info.status, info.message, info.intstat);
  RfcClose(0);
  std::fflush(stderr);
  std::_Exit(1);
}

// Shows what the library wrote before the handler was called. The parent of
// a death test cannot look itself: on Windows the child runs in a folder of
// its own.
void SAP_API FileShowingHandler(char* operation) {
  std::string trace = ReadFile(*handler_folder / "Dev_Rfc.Trc");
  std::fprintf(stderr, "trace:\n%s\nscan=%s|\ncall log:\n%s", trace.c_str(),
               ScanTrace(trace).c_str(), ReadFile(*handler_folder / "calls.log").c_str());
  PrintingHandler(operation);
}

// Death tests: the child sets up everything it needs itself.
class SimFatalTest : public SimTest {
 protected:
  RFC_HANDLE Connect(bool handler = true) {
    Describe();
    RFC_ENV env{handler ? &PrintingHandler : nullptr, nullptr};
    RfcEnvironment(&env);
    Logon logon;
    return logon.Open();
  }
};

TEST_F(SimFatalTest, InjectedFatalErrorCallsTheHandlerWithFilledTexts) {
  Describe("fault.GET_CPU_ALL = fatal: Connection closed by partner\n");
  auto run = [&] {
    RFC_ENV env{&PrintingHandler, nullptr};
    RfcEnvironment(&env);
    Logon logon;
    ProbeCall clock(Fn("GET_CPU_ALL"));
    clock.Run(logon.Open());
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(1),
              HasSubstr("handler operation=RfcReceive GET_CPU_ALL|key=RFC_ERROR_COMMUNICATION|"
                        "status=connection broken|message=Connection closed by partner|"
                        "intstat=RfcReceive GET_CPU_ALL from [PRD]"));
}

TEST_F(SimFatalTest, ContractViolationsAreFatalAndNameWhatWasWrong) {
  struct {
    const char* function;
    void (*spoil)(ProbeCall*);
    const char* message;
  } cases[] = {
      {"GET_CPU_ALL",
       [](ProbeCall* c) { c->exporting(0).name = const_cast<char*>("LOCAL_REMOTX"); },
       "GET_CPU_ALL: exporting parameter \"LOCAL_REMOTX\" is not in the interface"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->exporting(0).nlen = 13; },
       "GET_CPU_ALL: exporting parameter \"LOCAL_REMOTE\\x00\" is not in the interface (name "
       "length 13 for LOCAL_REMOTE, which has 12)"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->exporting(0).addr = const_cast<char*>("REMOTE"); },
       "GET_CPU_ALL: exporting parameter LOCAL_REMOTE: value \"REMOTE\", the system expects "
       "\"LOCAL \""},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->exporting(1).leng = 31; },
       "GET_CPU_ALL: exporting parameter LOGICAL_DESTINATION: length 31, the function module "
       "expects 32"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->exporting(1).type = TYPNUM; },
       "GET_CPU_ALL: exporting parameter LOGICAL_DESTINATION: type TYPNUM, the function module "
       "expects TYPC"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->exporting(1) = RFC_PARAMETER{}; },
       "GET_CPU_ALL: exporting parameter LOGICAL_DESTINATION missing"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->table(0).leng = 44; },
       "GET_CPU_ALL: table TF_CPU_ALL: row length 44, rows of CPU_ALL are 48 bytes"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->table(0).itmode = RFC_ITMODE_BYVALUE; },
       "GET_CPU_ALL: table TF_CPU_ALL: itmode 1, a table passed by handle takes 0 (by reference)"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->table(0).newitab = 1; },
       "GET_CPU_ALL: table TF_CPU_ALL: newitab 1, a table passed by handle takes 0"},
      {"GET_CPU_ALL",
       [](ProbeCall* c) { c->table(0).ithandle = reinterpret_cast<ITAB_H>(std::uintptr_t{77}); },
       "GET_CPU_ALL: table TF_CPU_ALL: handle 77 is no table of ItCreate"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->table(0).type = TYPC; },
       "GET_CPU_ALL: table TF_CPU_ALL: type TYPC, the function module expects structure "
       "CPU_ALL (type handle 101)"},
      {"DB_ORA_MAIN_LIST",
       [](ProbeCall* c) { c->exporting(1).addr = const_cast<char*>("9.2    "); },
       "DB_ORA_MAIN_LIST: exporting parameter ORA_RELEASE: value \"9.2    \", the system "
       "expects \"       \""},
      {"DB_ORA_MAIN_LIST", [](ProbeCall* c) { c->exporting(0).addr = nullptr; },
       "DB_ORA_MAIN_LIST: exporting parameter ALL_INSTANCES: the buffer address is a null "
       "pointer"},
      {"DB_ORA_MAIN_LIST", [](ProbeCall* c) { c->table(0).name = nullptr; },
       "DB_ORA_MAIN_LIST: table DBORA_PER_INSTANCES missing"},
  };
  for (const auto& c : cases) {
    auto run = [&] {
      RFC_HANDLE h = Connect();
      ProbeCall call(Fn(c.function));
      c.spoil(&call);
      call.Call(h);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(1),
                HasSubstr(std::string("|key=RFC_ERROR_PROGRAM|status=invalid call|message=") +
                          c.message + "|"))
        << c.message;
  }
}

TEST_F(SimFatalTest, ImportingListsAndReceivesAreChecked) {
  struct {
    const char* function;
    void (*spoil)(ProbeCall*);
    const char* message;
  } cases[] = {
      {"RFC_SYSTEM_INFO", [](ProbeCall* c) { c->importing(4).leng = 199; },
       "RFC_SYSTEM_INFO: importing parameter RFCSI_EXPORT: length 199, the function module "
       "expects 200"},
      {"RFC_SYSTEM_INFO", [](ProbeCall* c) { c->importing(4).type = TYPC; },
       "RFC_SYSTEM_INFO: importing parameter RFCSI_EXPORT: type TYPC, the function module "
       "expects structure RFCSI (type handle 101)"},
      {"DB_ORA_MAIN_LIST", [](ProbeCall* c) { c->importing(1).type = c->importing(0).type; },
       "DB_ORA_MAIN_LIST: importing parameter DBORA_GLOBAL: the type handle of structure TST04, "
       "the function module expects structure GST04 (type handle 102)"},
      {"GET_CPU_ALL", [](ProbeCall* c) { c->importing(9) = RFC_PARAMETER{}; },
       "GET_CPU_ALL: importing parameter OP_SYSTEM missing"},
  };
  for (const auto& c : cases) {
    auto run = [&] {
      RFC_HANDLE h = Connect();
      ProbeCall call(Fn(c.function));
      if (call.Call(h) != RFC_OK) std::_Exit(3);
      c.spoil(&call);
      call.Receive(h);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(1),
                HasSubstr(std::string("message=") + c.message + "|"))
        << c.message;
  }
  auto run_again = [&] {
    RFC_HANDLE h = Connect();
    ProbeCall call(Fn("RFC_SYSTEM_INFO"));
    call.Receive(h);
  };
  EXPECT_EXIT(run_again(), testing::ExitedWithCode(1),
              HasSubstr("operation=RfcReceive|key=RFC_ERROR_PROGRAM|status=invalid call|"
                        "message=RfcReceive on handle 1 without a call (RfcCall) before it|"));
  auto call_unknown_module = [&] {
    RFC_HANDLE h = Connect();
    char name[] = "RFC_SYSTEM_INFX";
    RFC_PARAMETER none{};
    RFC_TABLE no_table{};
    RfcCall(h, name, &none, &no_table);
  };
  EXPECT_EXIT(
      call_unknown_module(), testing::ExitedWithCode(1),
      HasSubstr("message=RfcCall: function module \"RFC_SYSTEM_INFX\" does not exist in [PRD]|"));
}

TEST_F(SimFatalTest, StructureDescriptionsAreChecked) {
  struct {
    const char* structure;
    int element;
    void (*spoil)(RFC_TYPE_ELEMENT*);
    const char* message;
  } cases[] = {
      {"TST04", 34, [](RFC_TYPE_ELEMENT* e) { e->length = 15; },
       "RfcInstallStructure TST04: element 34 (LOGWRITES): length 15, the dictionary has 14"},
      {"CPU_ALL", 3, [](RFC_TYPE_ELEMENT* e) { e->type = TYPINT2; },
       "RfcInstallStructure CPU_ALL: element 3 (NBR_CPU): type TYPINT2, the dictionary has "
       "TYPINT"},
      {"GST04", 0, [](RFC_TYPE_ELEMENT* e) { e->name = const_cast<char*>("DBNAME"); },
       "RfcInstallStructure GST04: element 0 is \"DBNAME\", the dictionary has DB_NAME"},
      {"RFCSI", 5, [](RFC_TYPE_ELEMENT* e) { e->decimals = 2; },
       "RfcInstallStructure RFCSI: element 5 (RFCHOST): 2 decimals, the dictionary has 0"},
      {"CPU_ALL", 3, [](RFC_TYPE_ELEMENT* e) { e->offset = 6; },
       "RfcInstallStructure CPU_ALL: element 3 (NBR_CPU): offset 6, the element lies at 8 (pass "
       "0 to let the library align)"},
  };
  for (const auto& c : cases) {
    auto run = [&] {
      Connect();
      const StructureSpec& s = *FindStructure(c.structure);
      std::vector<RFC_TYPE_ELEMENT> elements;
      for (const ElementSpec& e : s.elements) {
        elements.push_back(
            {const_cast<char*>(e.name), static_cast<RFC_TYPEHANDLE>(e.type), e.length, 0, 0});
      }
      c.spoil(&elements[static_cast<std::size_t>(c.element)]);
      RFC_TYPEHANDLE handle = 0;
      RfcInstallStructure(const_cast<char*>(s.name), elements.data(),
                          static_cast<unsigned>(elements.size()), &handle);
    };
    EXPECT_EXIT(run(), testing::ExitedWithCode(1),
                HasSubstr(std::string("message=") + c.message + "|"))
        << c.message;
  }
  auto run_again = [&] {
    Connect();
    std::vector<RFC_TYPE_ELEMENT> elements(70);
    RFC_TYPEHANDLE handle = 0;
    char name[] = "TST04";
    RfcInstallStructure(name, elements.data(), 70, &handle);
  };
  EXPECT_EXIT(
      run_again(), testing::ExitedWithCode(1),
      HasSubstr("operation=RfcInstallStructure TST04|key=RFC_ERROR_PROGRAM|status=invalid call|"
                "message=RfcInstallStructure TST04: 70 elements passed, the structure has 71|"));
}

TEST_F(SimFatalTest, TableHandlesAreChecked) {
  auto run = [&] {
    Connect();
    char name[] = "TF_CPU_ALL";
    ITAB_H t = ItCreate(name, 48, 0, 0);
    ItDelete(t);
    ItDelete(t);
  };
  EXPECT_EXIT(
      run(), testing::ExitedWithCode(1),
      HasSubstr("operation=ItDelete|key=RFC_ERROR_PROGRAM|status=invalid call|message=ItDelete: "
                "1 is no table of ItCreate (never created, or deleted before)|"));
  auto run_again = [&] {
    Connect();
    char name[] = "DBORA_PER_INSTANCES";
    ItCreate(name, 863, 0, 0);
  };
  EXPECT_EXIT(
      run_again(), testing::ExitedWithCode(1),
      HasSubstr("message=ItCreate DBORA_PER_INSTANCES: row length 863, rows of TST04 are 916 "
                "bytes|"));
}

TEST_F(SimFatalTest, WithoutHandlerTheProcessEndsWithCodeOne) {
  auto run = [&] {
    RFC_HANDLE h = Connect(false);
    ProbeCall clock(Fn("GET_CPU_ALL"));
    clock.table(0).leng = 47;
    clock.Call(h);
  };
  EXPECT_EXIT(
      run(), testing::ExitedWithCode(1),
      HasSubstr("Tidewarden simulated RFC library: fatal error in RfcCall GET_CPU_ALL: "
                "GET_CPU_ALL: table TF_CPU_ALL: row length 47, rows of CPU_ALL are 48 bytes\n"
                "(no error handler installed with RfcEnvironment; the process ends)"));
}

TEST_F(SimFatalTest, FatalErrorsAreInTheTraceAndTheCallLog) {
  auto run = [&] {
    handler_folder = &dir_;
    Describe();
    RFC_ENV env{&FileShowingHandler, nullptr};
    RfcEnvironment(&env);
    Logon logon;
    RFC_HANDLE h = logon.Open();
    ProbeCall clock(Fn("GET_CPU_ALL"));
    clock.exporting(0).addr = const_cast<char*>("LOCAL?");
    clock.Call(h);
  };
  const std::string message =
      "GET_CPU_ALL: exporting parameter LOCAL_REMOTE: value \"LOCAL?\", the system expects "
      "\"LOCAL \"";
  EXPECT_EXIT(run(), testing::ExitedWithCode(1), HasSubstr("\nERROR       " + message + "\n"));
  // The probe reads 99 characters of a line: longer texts arrive cut.
  EXPECT_EXIT(run(), testing::ExitedWithCode(1),
              HasSubstr("\nscan=" + message.substr(0, 84) + "|\n"));
  EXPECT_EXIT(run(), testing::ExitedWithCode(1),
              HasSubstr("  -> FATAL error RFC_ERROR_PROGRAM: GET_CPU_ALL"));
}

// --- State ----------------------------------------------------------------

TEST_F(SimTest, StructuresAreInstalledOncePerProcessAndLogged) {
  Describe();
  Logon logon;
  RFC_HANDLE h = logon.Open();
  for (int i = 0; i < 2; ++i) {
    ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
    EXPECT_EQ(main_list.Run(h), RFC_OK);
  }
  std::string log = Read("calls.log");
  std::size_t first =
      log.find("RfcInstallStructure name=\"TST04\" entries=71\n  -> 0 type handle 101\n");
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("RfcInstallStructure name=\"TST04\"", first + 1), std::string::npos);
  EXPECT_EQ(ProbeCall::Install(*FindStructure("TST04")), 101u);
  EXPECT_HAS(Read("calls.log"), "  -> 0 type handle 101 (installed again)");
  EXPECT_HAS(log, "  exporting ALL_INSTANCES nlen=13 type=TYPC leng=1 value=\" \"\n");
  EXPECT_HAS(log,
             "  table DBORA_PER_INSTANCES nlen=19 type=101 leng=916 ithandle=1 "
             "itmode=0 newitab=0\n");
  Reset();
  EXPECT_TRUE(CallLog().empty());
}

TEST_F(SimTest, ServesAListingRunOfManySystemsQuickly) {
  std::string description = "epoch = 1763456700\n";
  for (int i = 0; i < 250; ++i) {
    description += "[S" + std::to_string(i) + "]\nhost = host" + std::to_string(i) +
                   "\nsysnr = 00\nclient = 100\nuser = MONITOR\npassword = Secret12\n"
                   "LOGWRITES = " +
                   std::to_string(i) + " + 1/s\n";
  }
  Describe("", description);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 250; ++i) {
    RFC_ENV env{nullptr, nullptr};
    RfcEnvironment(&env);
    Logon logon;
    logon.host = "host" + std::to_string(i);
    RFC_HANDLE h = logon.Open();
    ASSERT_EQ(h, 1u);
    ProbeCall clock(Fn("GET_CPU_ALL"));
    ASSERT_EQ(clock.Run(h), RFC_OK);
    ProbeCall info(Fn("RFC_SYSTEM_INFO"));
    ASSERT_EQ(info.Run(h), RFC_OK);
    ProbeCall main_list(Fn("DB_ORA_MAIN_LIST"));
    ASSERT_EQ(main_list.Run(h), RFC_OK);
    ASSERT_EQ(std::stoi(main_list.Imported("DBORA").substr(406, 14)), i + 10);
    RfcClose(h);
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  // Well under a millisecond per system natively; generous for sanitizers.
  EXPECT_LT(elapsed, std::chrono::seconds(60));
  std::printf("250 systems: %lld us\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count()));
}

}  // namespace
}  // namespace tidewarden::sim
