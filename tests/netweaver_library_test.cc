#include "rfc/netweaver/netweaver_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "rfc/ini_entry.h"
#include "rfc/netweaver/sap_text.h"
#include "sim/sim_control.h"
#include "tests/fake_file_system.h"
#include "tests/status_text.h"

namespace tidewarden {
namespace {

TEST(NetWeaverLibraryTest, OutcomesTextsAndFieldsInTheClassicForms) {
  using nwrfc::RFC_RC;
  const std::pair<RFC_RC, int> outcomes[] = {{nwrfc::RFC_OK, 0},
                                             {nwrfc::RFC_ABAP_EXCEPTION, 2},
                                             {nwrfc::RFC_ABAP_RUNTIME_FAILURE, 3},
                                             {nwrfc::RFC_ABAP_MESSAGE, 3},
                                             {nwrfc::RFC_COMMUNICATION_FAILURE, 1},
                                             {nwrfc::RFC_CLOSED, 1},
                                             {nwrfc::RFC_CANCELED, 1},
                                             {nwrfc::RFC_TIMEOUT, 1},
                                             {nwrfc::RFC_LOGON_FAILURE, -1},
                                             {nwrfc::RFC_INVALID_HANDLE, -1},
                                             {static_cast<RFC_RC>(99), -1}};
  for (const auto& [code, classic] : outcomes) EXPECT_EQ(ClassicCallCode(code), classic) << code;
  EXPECT_EQ(ToSapText("M\xfcller"), u"M\u00fcller");
  EXPECT_EQ(FromSapText(u"M\u00fcller \u20ac \U0001F600"), "M\xfcller ? ??");
  EXPECT_EQ(LastErrorTextOf(""), " - Please Check Trace-File !");
  EXPECT_EQ(LastErrorTextOf("NO_DATA raised\r\nmore"), " - NO_DATA raised");
  EXPECT_EQ(LastErrorTextOf(std::string(90, 'x')), " - " + std::string(84, 'x'));
}

TEST(NetWeaverLibraryTest, IniEntryRunsToTheNextDestination) {
  const std::string ini =
      "* comment\nDEST=QAS\nASHOST=qas\n"
      "dest = prd \r\n#ASHOST=old\nAsHost = /H/router/H/sapprd01\nSYSNR=00\nDEST=DEV\nSYSNR=01\n";
  auto entry = FindIniEntry(ini, "Prd");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->at("ASHOST"), "/H/router/H/sapprd01");
  EXPECT_EQ(entry->at("SYSNR"), "00");
  EXPECT_EQ(entry->size(), 3u);
  EXPECT_FALSE(FindIniEntry(ini, "TST").has_value());
  // Where the library writes dev_rfc.log: the environment, the DEFAULT
  // section of sapnwrfc.ini (not a destination's), the working directory.
  const std::string nw_ini = "DEST=X\nRFC_TRACE_DIR=/dest\n\ndefault\nrfc_trace_dir = C:\\logs\n";
  EXPECT_EQ(LibraryLogFolder(std::nullopt, nw_ini), "C:\\logs/");
  EXPECT_EQ(LibraryLogFolder("/env/", nw_ini), "/env/");
  EXPECT_EQ(LibraryLogFolder(std::nullopt, "DEFAULT\n\nRFC_TRACE_DIR=/after\nDEST=X\n"), "");
}

// The simulated library with one function broken, to reach the fatal paths
// the simulated systems cannot: a library that misbehaves.
nwrfc::NwRfcFunctions g_real;
std::u16string g_broken_field;

nwrfc::RFC_RC SAP_API FailingGetString(nwrfc::DATA_CONTAINER_HANDLE data, const nwrfc::SAP_UC* name,
                                       nwrfc::SAP_UC* buffer, unsigned length, unsigned* written,
                                       nwrfc::RFC_ERROR_INFO* info) {
  if (name != g_broken_field) return g_real.RfcGetString(data, name, buffer, length, written, info);
  info->code = nwrfc::RFC_INVALID_PARAMETER;
  const std::u16string key = u"RFC_INVALID_PARAMETER_AND_THEN_SOME_MORE_TEXT";
  key.copy(info->key, key.size());
  return nwrfc::RFC_INVALID_PARAMETER;
}
nwrfc::RFC_FUNCTION_HANDLE SAP_API NoFunction(nwrfc::RFC_FUNCTION_DESC_HANDLE,
                                              nwrfc::RFC_ERROR_INFO* info) {
  info->code = nwrfc::RFC_MEMORY_INSUFFICIENT;
  return nullptr;
}
nwrfc::RFC_RC SAP_API FailingDestroy(nwrfc::RFC_FUNCTION_HANDLE function,
                                     nwrfc::RFC_ERROR_INFO* info) {
  g_real.RfcDestroyFunction(function, info);
  return nwrfc::RFC_ILLEGAL_STATE;
}

// A misbehaving library ends the run with the fatal report: the operation
// names the function and field, the record the key (cut to 32) and the
// code's name; nothing stays allocated.
TEST(NetWeaverLibraryTest, LibraryMisbehaviourIsFatal) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tidewarden_nwlib_" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "SapSim.txt") << "[PRD]\nhost = sapprd01\nsysnr = 00\nclient = 100\n"
                                       "user = MONITOR\npassword = Secret12\n";
  const struct {
    const char* broken;  // "field", "create" or "destroy"
    const char* operation;
    const char* status;
  } rows[] = {
      {"LOGWRITES", "RfcGetString DBORA.LOGWRITES", "RFC_INVALID_PARAMETER"},
      {"create", "RfcCreateFunction GET_CPU_ALL", "RFC_MEMORY_INSUFFICIENT"},
      {"destroy", "RfcDestroyFunction GET_CPU_ALL", "RFC_ILLEGAL_STATE"},
  };
  for (const auto& row : rows) {
    sim::Reset();
    sim::SetWorkingDirectory(dir.string());
    g_real = sim::SimulatedNwRfcFunctions();
    nwrfc::NwRfcFunctions table = g_real;
    g_broken_field = ToSapText(row.broken);
    table.RfcGetString = FailingGetString;
    if (std::string(row.broken) == "create") table.RfcCreateFunction = NoFunction;
    if (std::string(row.broken) == "destroy") table.RfcDestroyFunction = FailingDestroy;
    FakeFileSystem fs;
    NetWeaverSapLibrary library(table, fs);
    LogonRequest request;
    request.parameters = {"PRD",      "100", "MONITOR", "Secret12", "E", "R/3",
                          "sapprd01", "00",  "",        "",         0};
    auto opened = library.Open(std::move(request), CallLogger{});
    ASSERT_TRUE(opened.ok()) << row.broken;
    SapConnection& connection = **opened;
    std::optional<FatalFailure> fatal;
    auto clock = connection.ReadServerClock();
    if (auto* f = FailureAs<FatalFailure>(clock)) fatal = *f;
    if (!fatal) {
      static_cast<void>(connection.ReadSystemInfo());
      auto list = connection.ReadOraMainList();
      if (auto* f = FailureAs<FatalFailure>(list)) fatal = *f;
    }
    ASSERT_TRUE(fatal.has_value()) << row.broken;
    EXPECT_EQ(fatal->operation, row.operation);
    EXPECT_EQ(fatal->record.status, row.status);
    EXPECT_LE(fatal->record.key.size(), 32u);
    EXPECT_TRUE(fatal->record.internal_status.empty());
    library.CloseAll();
    EXPECT_EQ(sim::NwLiveFunctions(), 0) << row.broken;
    EXPECT_TRUE(sim::NwContractViolations().empty()) << row.broken;
  }
  sim::Reset();
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tidewarden
