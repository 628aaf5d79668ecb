#include "rfc/netweaver/netweaver_library.h"

#include <gtest/gtest.h>

#include "rfc/netweaver/ini_entry.h"
#include "rfc/netweaver/sap_text.h"

namespace tidewarden {
namespace {

TEST(NetWeaverLibraryTest, OutcomesMapToTheClassicCallResultCodes) {
  const struct {
    nwrfc::RFC_RC code;
    int classic;
  } rows[] = {
      {nwrfc::RFC_OK, 0},
      {nwrfc::RFC_ABAP_EXCEPTION, 2},
      {nwrfc::RFC_ABAP_RUNTIME_FAILURE, 3},
      {nwrfc::RFC_ABAP_MESSAGE, 3},
      {nwrfc::RFC_COMMUNICATION_FAILURE, 1},
      {nwrfc::RFC_CLOSED, 1},
      {nwrfc::RFC_CANCELED, 1},
      {nwrfc::RFC_TIMEOUT, 1},
      {nwrfc::RFC_LOGON_FAILURE, -1},
      {nwrfc::RFC_INVALID_HANDLE, -1},
      {static_cast<nwrfc::RFC_RC>(99), -1},
  };
  for (const auto& row : rows) EXPECT_EQ(ClassicCallCode(row.code), row.classic) << row.code;
}

TEST(NetWeaverLibraryTest, TextsAreLatin1BothWays) {
  EXPECT_EQ(ToSapText("M\xfcller"), u"M\u00fcller");
  EXPECT_EQ(FromSapText(u"M\u00fcller \u20ac \U0001F600"), "M\xfcller ? ??");
  EXPECT_EQ(FitToWidth("sapprd01x", 8), "sapprd01");
  EXPECT_EQ(FitToWidth("ORACLE", 10), "ORACLE    ");
}

TEST(NetWeaverLibraryTest, LastErrorTextTakesTheFirstLineOfAtMost84Characters) {
  EXPECT_EQ(LastErrorTextOf(""), " - Please Check Trace-File !");
  EXPECT_EQ(LastErrorTextOf("\nsecond"), " - Please Check Trace-File !");
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
}

}  // namespace
}  // namespace tidewarden
