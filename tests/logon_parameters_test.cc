// The NetWeaver logon parameters, from the logon data or a SapRfc.ini entry.
#include "rfc/netweaver/logon_parameters.h"

#include <gtest/gtest.h>

namespace tidewarden {
namespace {

TEST(BuildNetWeaverLogonTest, ParametersRefusalsAndNotes) {
  const std::string entry = "DEST=PRD\nTYPE=A\nASHOST=h\nSYSNR=00\n";
  const std::string logon = "CLIENT=100 USER=U PASSWD=P LANG=D ASHOST=h SYSNR=00";
  const std::string snc = entry + "SNC_MODE=1\nSNC_PARTNERNAME=p:CN=S\nSNC_QOP=9\nSNC_LIB=/l\n";
  const std::string snc_passed = logon + " SNC_MODE=1 SNC_PARTNERNAME=p:CN=S SNC_QOP=9 SNC_LIB=/l";
  struct {
    const char* mode;  // "" = by destination
    std::string ini;
    std::string passed;  // NAME=value, blank-separated, or the refusal
    std::size_t notes = 0;
  } rows[] = {
      {"R/3", "", "ASHOST=h SYSNR=00 CLIENT=100 USER=U PASSWD=P LANG=E TRACE=0"},
      {"R/2", "", "mode R/2 (a CPI-C connection) has no NetWeaver client form"},
      {"", "DEST=PRD\nTYPE=R\n", "destination PRD has TYPE=R: only A and B name an SAP system"},
      {"", entry + "RFC_TRACE=1\nSNC_MODE=0\n", logon + " SNC_MODE=0 TRACE=1"},
      {"", snc + "SNC_MYNAME=p:CN=M\n",
       logon +
           " SNC_MODE=1 SNC_PARTNERNAME=p:CN=S SNC_QOP=9 SNC_MYNAME=p:CN=M SNC_LIB=/l SNC_SSO=0"},
      {"", snc + "SNC_SSO=1\n", snc_passed + " SNC_SSO=1"},
      {"", snc + "X509CERT=MIIB\nMYSAPSSO2=AjQx\n", snc_passed + " SNC_SSO=0", 2},
  };
  for (const auto& row : rows) {
    LogonRequest request;
    request.parameters = {"PRD", "100", "U", "P  ", "E", row.mode, "h", "", "", "", 0};
    request.by_destination = *row.mode == '\0';
    request.ini_content = row.ini;
    const NetWeaverLogon built = BuildNetWeaverLogon(request);
    std::string passed = built.refusal;
    for (const auto& [name, value] : built.parameters) passed += " " + name + "=" + value;
    EXPECT_EQ(passed.substr(built.refusal.empty()), row.passed) << row.ini;
    EXPECT_EQ(built.notes.size(), row.notes) << row.ini;
  }
}

}  // namespace
}  // namespace tidewarden
