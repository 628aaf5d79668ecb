// Tests of the simulated NetWeaver RFC library, in-process through its
// function table: the fault mapping, the buffer-length rule, cancel, the
// contract checks (parallel connections: tests/measure_pool_test.cc).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rfc/netweaver/sapnwrfc.h"
#include "sim/sim_control.h"

namespace tidewarden::sim {
namespace {

using namespace tidewarden::nwrfc;

// PRD comes last, so that a test can add lines to it.
const char kSystems[] =
    "epoch = 1763456700\n"
    "[QAS]\nhost = sapqas01\nsysnr = 12\nclient = 200\nuser = MONITOR\npassword = Secret12\n"
    "[PRD]\nhost = sapprd01\nsysnr = 00\nclient = 100\nuser = MONITOR\npassword = Secret12\n"
    "LASTCOLLWRT = Tue Nov 18 09:05:00 2025\nLOGWRITES = 1843001 + 5/s\n";

std::string Narrow(const SAP_UC* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char>(*text);
  return out;
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class NwSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tidewarden_nwsim_" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(dir_);
    Reset();
    SetWorkingDirectory(dir_.string());
    SetClock([] { return std::int64_t{1763456710}; });
  }
  void TearDown() override {
    Reset();
    std::filesystem::remove_all(dir_);
  }
  void Describe(const std::string& extra = "") {
    std::ofstream(dir_ / "SapSim.txt", std::ios::binary) << kSystems << extra;
  }
  std::string Trace() {
    std::ostringstream out;
    out << std::ifstream(dir_ / "dev_rfc.trc", std::ios::binary).rdbuf();
    return out.str();
  }

  // "ASHOST=sapprd01 SYSNR=00 ..." as the parameter array.
  RFC_CONNECTION_HANDLE Open(const std::string& parameters, RFC_ERROR_INFO* error) {
    std::vector<std::u16string> texts;
    std::istringstream words(parameters);
    for (std::string word; words >> word;) {
      texts.push_back(Wide(word.substr(0, word.find('='))));
      texts.push_back(Wide(word.substr(word.find('=') + 1)));
    }
    std::vector<RFC_CONNECTION_PARAMETER> array;
    for (std::size_t i = 0; i < texts.size(); i += 2) {
      array.push_back({texts[i].c_str(), texts[i + 1].c_str()});
    }
    return nw_.RfcOpenConnection(array.data(), static_cast<unsigned>(array.size()), error);
  }
  RFC_CONNECTION_HANDLE OpenPrd(RFC_ERROR_INFO* error) {
    return Open("ASHOST=sapprd01 SYSNR=00 CLIENT=100 USER=MONITOR PASSWD=Secret12 LANG=E", error);
  }
  // The function module with the values the probe sends, invoked.
  RFC_FUNCTION_HANDLE Call(RFC_CONNECTION_HANDLE connection, const std::string& name, RFC_RC* rc,
                           RFC_ERROR_INFO* error) {
    RFC_FUNCTION_DESC_HANDLE description =
        nw_.RfcGetFunctionDesc(connection, Wide(name).c_str(), error);
    RFC_FUNCTION_HANDLE function = nw_.RfcCreateFunction(description, error);
    const std::vector<std::pair<std::u16string, std::u16string>> values = {
        {u"LOCAL_REMOTE", u"LOCAL"},
        {u"LOGICAL_DESTINATION", u""},
        {u"ALL_INSTANCES", u" "},
        {u"ORA_RELEASE", u""}};
    for (const auto& [field, value] : values) {
      RFC_ERROR_INFO ignored;
      nw_.RfcSetChars(function, field.c_str(), value.c_str(), static_cast<unsigned>(value.size()),
                      &ignored);
    }
    *rc = nw_.RfcInvoke(connection, function, error);
    return function;
  }
  std::string Get(DATA_CONTAINER_HANDLE container, const char16_t* field) {
    SAP_UC buffer[64];
    unsigned length = 0;
    RFC_ERROR_INFO error;
    EXPECT_EQ(nw_.RfcGetString(container, field, buffer, 64, &length, &error), RFC_OK);
    return Narrow(buffer);
  }

  std::filesystem::path dir_;
  NwRfcFunctions nw_ = SimulatedNwRfcFunctions();
};

TEST_F(NwSimTest, OpensByParametersAndRefusesWithTheLibrarysCodes) {
  Describe(
      "[GONE]\nhost = sapgone1\nsysnr = 00\nclient = 100\nuser = M\npassword = p\n"
      "fault.open = refuse: Timeout during connection setup\n"
      "[LB]\nhost = sapms01\nsysnr = 01\nclient = 100\nuser = M\npassword = p\n"
      "[SNC]\nhost = sapsnc01\nsysnr = 00\nclient = 100\nuser = M\npassword = p\n"
      "snc_partnername = p:CN=SNC\n");
  const std::string snc = "ASHOST=sapsnc01 SYSNR=00 CLIENT=100 USER=M PASSWD=p";
  const struct {
    std::string parameters;
    RFC_RC rc;
    std::string message;
  } kCases[] = {
      {"ASHOST=sapprd01 SYSNR=00 CLIENT=100 USER=monitor PASSWD=Secret12 LANG=E TRACE=0", RFC_OK,
       ""},
      {"ashost=/H/router/S/3299/H/sapprd01 sysnr=00 client=100 user=MONITOR passwd=Secret12",
       RFC_OK, ""},
      {"MSHOST=sapms01 R3NAME=LB GROUP=PUBLIC CLIENT=100 USER=M PASSWD=p", RFC_OK, ""},
      {"ASHOST=sapgone1 SYSNR=00 CLIENT=100 USER=M PASSWD=p", RFC_LOGON_FAILURE,
       "Timeout during connection setup"},
      {"ASHOST=sapxyz SYSNR=00 CLIENT=100", RFC_COMMUNICATION_FAILURE,
       "partner sapxyz system number 00 not reached (host unknown)"},
      {"CLIENT=100 USER=MONITOR", RFC_INVALID_PARAMETER,
       "Parameter ASHOST, GWHOST, MSHOST or PORT is missing."},
      {snc + " SNC_MODE=1 SNC_PARTNERNAME=p:CN=SNC SNC_QOP=9 SNC_SSO=0", RFC_OK, ""},
      {snc, RFC_LOGON_FAILURE, "SNC required for this connection"},
      {snc + " SNC_MODE=1 SNC_PARTNERNAME=p:CN=SNC SNC_QOP=4", RFC_INVALID_PARAMETER,
       "SNC_QOP=4 is none of 1, 2, 3, 8, 9"},
  };
  for (const auto& c : kCases) {
    RFC_ERROR_INFO error;
    RFC_CONNECTION_HANDLE connection = Open(c.parameters, &error);
    EXPECT_EQ(error.code, c.rc) << c.parameters;
    EXPECT_EQ(Narrow(error.message), c.message) << c.parameters;
    if (connection != nullptr) {
      EXPECT_EQ(nw_.RfcCloseConnection(connection, &error), RFC_OK);
    } else {
      EXPECT_NE(Trace().find(c.message), std::string::npos) << c.parameters;
    }
  }
  EXPECT_EQ(NwContractViolations().size(), 0u);
}

TEST_F(NwSimTest, FaultsComeInTheirNetWeaverForm) {
  const struct {
    std::string fault;
    RFC_RC rc;
    RFC_ERROR_GROUP group;
    std::string key, message;
    bool stays_open;
  } kCases[] = {
      {"", RFC_OK, OK, "", "", true},
      {"exception NO_DATA", RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, "NO_DATA",
       "function module DB_ORA_MAIN_LIST raised exception NO_DATA", true},
      {"sysexception", RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, "SYSTEM_FAILURE",
       "ABAP runtime error in DB_ORA_MAIN_LIST", false},
      {"message", RFC_ABAP_MESSAGE, ABAP_RUNTIME_FAILURE, "MESSAGE_TYPE_X",
       "ABAP message in DB_ORA_MAIN_LIST", false},
      {"failure: link down", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE,
       "RFC_COMMUNICATION_FAILURE", "link down", false},
      {"fatal", RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "RFC_COMMUNICATION_FAILURE",
       "connection to partner broken while sending DB_ORA_MAIN_LIST", false},
      {"code 7: work process restarted", RFC_UNKNOWN_ERROR, EXTERNAL_RUNTIME_FAILURE,
       "RFC_UNKNOWN_ERROR", "work process restarted", true},
  };
  for (const auto& c : kCases) {
    Reset();
    SetWorkingDirectory(dir_.string());
    Describe(c.fault.empty() ? "" : "fault.DB_ORA_MAIN_LIST = " + c.fault + "\n");
    RFC_ERROR_INFO error;
    RFC_CONNECTION_HANDLE connection = OpenPrd(&error);
    RFC_RC rc;
    RFC_FUNCTION_HANDLE function = Call(connection, "DB_ORA_MAIN_LIST", &rc, &error);
    EXPECT_EQ(rc, c.rc) << c.fault;
    EXPECT_EQ(error.group, c.group) << c.fault;
    EXPECT_EQ(Narrow(error.key), c.key) << c.fault;
    EXPECT_EQ(Narrow(error.message), c.message) << c.fault;
    EXPECT_EQ(nw_.RfcInvoke(connection, function, &error), c.stays_open ? c.rc : RFC_INVALID_HANDLE)
        << c.fault;
    EXPECT_EQ(nw_.RfcDestroyFunction(function, &error), RFC_OK);
    // A connection the library closed is freed: closing it again is misuse.
    EXPECT_EQ(nw_.RfcCloseConnection(connection, &error),
              c.stays_open ? RFC_OK : RFC_INVALID_HANDLE);
    EXPECT_EQ(NwContractViolations().size(), c.stays_open ? 0u : 2u) << c.fault;
    EXPECT_EQ(Trace().find("SIMULATED") != std::string::npos, c.rc != RFC_OK) << c.fault;
  }
}

TEST_F(NwSimTest, AnswersAsTheClassicFieldsAndCountsBufferLengthsInCharacters) {
  Describe();
  RFC_ERROR_INFO error;
  RFC_CONNECTION_HANDLE connection = OpenPrd(&error);
  RFC_RC rc;
  RFC_FUNCTION_HANDLE info = Call(connection, "RFC_SYSTEM_INFO", &rc, &error);
  RFC_STRUCTURE_HANDLE rfcsi;
  ASSERT_EQ(nw_.RfcGetStructure(info, u"RFCSI_EXPORT", &rfcsi, &error), RFC_OK);
  // Fields come at the classic width, blanks kept.
  EXPECT_EQ(Get(rfcsi, u"RFCDBSYS"), "ORACLE    ");

  SAP_UC buffer[10] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  unsigned length = 0;
  EXPECT_EQ(nw_.RfcGetString(rfcsi, u"RFCHOST", buffer, 8, &length, &error), RFC_BUFFER_TOO_SMALL);
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(buffer[0], u'x');
  EXPECT_EQ(nw_.RfcGetString(rfcsi, u"RFCHOST", buffer, length + 1, &length, &error), RFC_OK);
  EXPECT_EQ(Narrow(buffer), "sapprd01");
  EXPECT_EQ(buffer[9], u'x');
  EXPECT_EQ(nw_.RfcGetString(rfcsi, u"NOSUCH", buffer, 10, &length, &error), RFC_INVALID_PARAMETER);
  EXPECT_EQ(Narrow(error.message), "field 'NOSUCH' not found");
  nw_.RfcDestroyFunction(info, &error);
  nw_.RfcCloseConnection(connection, &error);
  EXPECT_EQ(NwContractViolations().size(), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "dev_rfc.trc"));
}

TEST_F(NwSimTest, MisuseIsCaughtAsAContractViolation) {
  Describe();
  using Misuse = std::function<void(NwRfcFunctions&, RFC_CONNECTION_HANDLE, RFC_ERROR_INFO*)>;
  auto create = [](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
    return nw.RfcCreateFunction(nw.RfcGetFunctionDesc(c, u"GET_CPU_ALL", e), e);
  };
  const struct {
    const char* what;
    Misuse misuse;
    std::string message;
  } kCases[] = {
      {"length in bytes",
       [&](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
         RFC_FUNCTION_HANDLE f = create(nw, c, e);
         nw.RfcSetChars(f, u"LOCAL_REMOTE", u"LOCAL ", 12, e);
         nw.RfcDestroyFunction(f, e);
       },
       "runs past the value's end at character 6"},
      {"connection used after close",
       [&](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
         nw.RfcCloseConnection(c, e);
         nw.RfcGetFunctionDesc(c, u"GET_CPU_ALL", e);
       },
       "the connection handle is not open"},
      {"function used after destroy",
       [&](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
         RFC_FUNCTION_HANDLE f = create(nw, c, e);
         nw.RfcDestroyFunction(f, e);
         nw.RfcInvoke(c, f, e);
       },
       "no live function"},
      {"structure used after destroy",
       [&](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
         RFC_FUNCTION_HANDLE f =
             nw.RfcCreateFunction(nw.RfcGetFunctionDesc(c, u"RFC_SYSTEM_INFO", e), e);
         RFC_STRUCTURE_HANDLE s;
         nw.RfcGetStructure(f, u"RFCSI_EXPORT", &s, e);
         nw.RfcDestroyFunction(f, e);
         SAP_UC buffer[16];
         unsigned length;
         nw.RfcGetString(s, u"RFCHOST", buffer, 16, &length, e);
       },
       "the structure handle is gone with its function"},
      {"value never set",
       [&](NwRfcFunctions& nw, RFC_CONNECTION_HANDLE c, RFC_ERROR_INFO* e) {
         RFC_FUNCTION_HANDLE f = create(nw, c, e);
         nw.RfcInvoke(c, f, e);
         nw.RfcDestroyFunction(f, e);
       },
       "LOCAL_REMOTE was not set"},
  };
  for (const auto& c : kCases) {
    Reset();
    SetWorkingDirectory(dir_.string());
    RFC_ERROR_INFO error;
    c.misuse(nw_, OpenPrd(&error), &error);
    std::vector<std::string> violations = NwContractViolations();
    ASSERT_EQ(violations.size(), 1u) << c.what;
    EXPECT_NE(violations[0].find(c.message), std::string::npos) << c.what << ": " << violations[0];
    EXPECT_EQ(NwLiveFunctions(), 0) << c.what;
  }
  RFC_ERROR_INFO error;
  create(nw_, OpenPrd(&error), &error);
  EXPECT_EQ(NwLiveFunctions(), 1) << "a function never destroyed stays counted";
}

TEST_F(NwSimTest, CancelEndsADelayAndClosesTheConnection) {
  Describe("delay.GET_CPU_ALL = 86400\n");
  RFC_ERROR_INFO error;
  std::atomic<RFC_CONNECTION_HANDLE> connection = nullptr;
  RFC_RC rc = RFC_OK, late_close = RFC_OK;
  RFC_ERROR_INFO call_error;
  RFC_FUNCTION_HANDLE function = nullptr;
  std::thread caller([&] {
    RFC_ERROR_INFO own_error;
    connection = OpenPrd(&own_error);
    function = Call(connection, "GET_CPU_ALL", &rc, &call_error);
    nw_.RfcDestroyFunction(function, &own_error);
    // The cancel freed the connection: its handle is dead to this thread.
    late_close = nw_.RfcCloseConnection(connection, &own_error);
  });
  for (int i = 0; i < 2000 && NwWaitingCalls() == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(NwWaitingCalls(), 1);
  // A second thread on the busy connection is misuse; the cancel is not.
  EXPECT_EQ(nw_.RfcGetFunctionDesc(connection, u"GET_CPU_ALL", &error), nullptr);
  EXPECT_EQ(NwContractViolations().size(), 1u);
  EXPECT_EQ(nw_.RfcCancel(connection, &error), RFC_OK);
  caller.join();
  EXPECT_EQ(rc, RFC_CANCELED);
  EXPECT_EQ(Narrow(call_error.key), "RFC_CANCELED");
  EXPECT_EQ(call_error.group, COMMUNICATION_FAILURE);
  EXPECT_EQ(late_close, RFC_INVALID_HANDLE);
  ASSERT_EQ(NwContractViolations().size(), 2u);
  EXPECT_NE(NwContractViolations()[1].find("dead to its former owner"), std::string::npos);

  // A cancel that comes an instant before the call it meant: the call ends
  // as the cancelled one would, no misuse; the freed value is handed out
  // again, lowest first.
  RFC_CONNECTION_HANDLE again = OpenPrd(&error);
  EXPECT_EQ(again, connection.load());
  EXPECT_EQ(nw_.RfcCancel(again, &error), RFC_OK);
  EXPECT_EQ(nw_.RfcGetFunctionDesc(again, u"GET_CPU_ALL", &error), nullptr);
  EXPECT_EQ(error.code, RFC_CANCELED);
  EXPECT_EQ(NwContractViolations().size(), 2u);
}

}  // namespace
}  // namespace tidewarden::sim
