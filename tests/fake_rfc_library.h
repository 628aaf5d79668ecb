// A scripted stand-in for the RFC library that records what the probe
// passes, for tests that look at records and call order exactly. (The
// simulated SAP system checks the same from the other side.)
#ifndef TIDEWARDEN_TESTS_FAKE_RFC_LIBRARY_H_
#define TIDEWARDEN_TESTS_FAKE_RFC_LIBRARY_H_

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system.h"
#include "rfc/classic/classic_library.h"
#include "rfc/classic/classic_functions.h"

namespace tidewarden {

struct FakeRfc {
  // What RfcOpen saw, copied while the call ran.
  struct OpenSeen {
    std::string destination, client, user, password, language;
    int mode = -1;
    std::optional<std::string> hostname, gwhost, gwservice;  // nullopt: null pointer
    int sysnr = -1;
  };
  struct Answer {
    RFC_RC call = RFC_OK;
    RFC_RC receive = RFC_OK;
    std::string exception;
  };

  // Script.
  RFC_HANDLE open_result = 7;
  std::map<std::string, Answer> answers;  // by function name
  std::string lastcollwrt = "Tue Nov 18 09:05:00 2025 ";
  std::string rfchost = "sapprd01";
  std::string rfcdbsys = "ORACLE    ";
  std::map<std::string, std::string> dbora_fields;  // by field name: LOGWRITES, ...
  bool fail_install = false;
  bool fail_create = false;
  bool fail_delete = false;
  RFC_ERROR_INFO last_error{};
  std::function<void()> on_open_ex;  // runs inside RfcOpenEx

  // Record.
  std::vector<OpenSeen> opens;
  std::vector<std::string> connect_strings;
  std::vector<std::string> calls;  // "RfcCall GET_CPU_ALL", "RfcReceive", "ItCreate X", ...
  std::vector<std::string> installed;
  std::vector<RFC_HANDLE> closed;
  std::vector<std::string> exported_values;  // name=value of exporting parameters
  RFC_ERROR_HANDLER handler = nullptr;

  static FakeRfc& Get();
  static void Reset();
  static ClassicRfcFunctions Table();
};

// The classic implementation of the seam over a given table (the fake's by
// default), as a run uses it.
struct FakeSapLibrary {
  FakeSapLibrary(FileSystem& fs, Console& console, const ClassicRfcFunctions& table = FakeRfc::Table())
      : sap(table, fs, console) {}
  ClassicSapLibrary sap;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_FAKE_RFC_LIBRARY_H_
