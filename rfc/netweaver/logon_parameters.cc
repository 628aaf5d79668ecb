#include "rfc/netweaver/logon_parameters.h"

#include <cstdio>

#include "base/text.h"
#include "rfc/ini_entry.h"
#include "rfc/library_files.h"

namespace tidewarden {
namespace {

std::string TwoDigits(std::int32_t number) {
  char text[4];
  std::snprintf(text, sizeof text, "%02d", static_cast<int>(number));
  return text;
}

}  // namespace

NetWeaverLogon BuildNetWeaverLogon(const LogonRequest& request) {
  const LogonParameters& logon = request.parameters;
  NetWeaverLogon result;
  auto add = [&result](const char* name, const std::string& value) {
    std::string text = TrimmedRight(value);
    if (!text.empty()) result.parameters.emplace_back(name, std::move(text));
  };
  if (!request.by_destination) {
    if (logon.mode == "R/2") {
      result.refusal = "mode R/2 (a CPI-C connection) has no NetWeaver client form";
    } else if (logon.sysnr_number < 0 || logon.sysnr_number > 99) {
      result.refusal = "system number " + std::to_string(logon.sysnr_number) + " is not 00 to 99";
    } else {
      add("ASHOST", logon.hostname);
      add("SYSNR", TwoDigits(logon.sysnr_number));
      add("CLIENT", logon.client);
      add("USER", logon.user);
      add("PASSWD", logon.password);
      add("LANG", logon.language);
      add("TRACE", "0");
    }
    return result;
  }

  const auto entry = FindIniEntry(request.ini_content, logon.destination);
  if (!entry) {
    result.refusal = "destination " + logon.destination + " not found in " + kLibraryIniFile;
    return result;
  }
  auto value = [&entry](const char* key) {
    auto it = entry->find(key);
    return it == entry->end() ? std::string() : it->second;
  };
  const std::string type = value("TYPE");
  if (type != "A" && type != "B") {
    result.refusal = "destination " + logon.destination + " has TYPE=" + type +
                     ": only A and B name an SAP system";
    return result;
  }
  add("CLIENT", logon.client);
  add("USER", logon.user);
  add("PASSWD", logon.password);
  add("LANG", "D");
  for (const char* key : {"ASHOST", "SYSNR", "GWHOST", "GWSERV", "MSHOST", "MSSERV", "R3NAME",
                          "SYSID", "GROUP", "SAPROUTER", "SNC_MODE", "SNC_PARTNERNAME", "SNC_QOP",
                          "SNC_MYNAME", "SNC_LIB", "SNC_SSO"}) {
    add(key, value(key));
  }
  // SNC with single sign-on would log on as the account the probe runs
  // under, not as the profile's user.
  if (value("SNC_MODE") == "1" && value("SNC_SSO").empty()) add("SNC_SSO", "0");
  add("TRACE", value("RFC_TRACE"));
  for (const char* key : {"X509CERT", "MYSAPSSO2"}) {
    if (!value(key).empty()) {
      result.notes.push_back(std::string(key) + " of destination " + logon.destination +
                             " not passed: the probe logs on with the profile's user and "
                             "password");
    }
  }
  return result;
}

}  // namespace tidewarden
