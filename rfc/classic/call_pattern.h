// How the classic library is called: the parameter lists of a function
// module, its call (RfcCall, then RfcReceive), a structure install, an
// internal table, and the error record read with RfcLastError the moment
// something fails.
#ifndef TIDEWARDEN_RFC_CLASSIC_CALL_PATTERN_H_
#define TIDEWARDEN_RFC_CLASSIC_CALL_PATTERN_H_

#include <array>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "base/call_log.h"
#include "rfc/classic/classic_functions.h"
#include "rfc/sap_library.h"

namespace tidewarden {

// The library never writes the names it is given; its types are not const.
constexpr char* RfcName(const char* text) { return const_cast<char*>(text); }

// One parameter entry; the name length is the name's.
inline RFC_PARAMETER RfcParameter(const char* name, unsigned type, unsigned length, void* address) {
  return RFC_PARAMETER{RfcName(name), static_cast<unsigned>(std::strlen(name)), type, length,
                       address};
}

// The library's last error record (empty fields when `library` or its
// RfcLastError is missing). The library clears the record as it hands it
// out: read it once, when the failure happens.
ErrorRecord ReadErrorRecord(const ClassicRfcFunctions* library);

// The fatal failure of `operation`, with the error record read now.
FatalFailure FatalNow(const ClassicRfcFunctions* library, std::string operation);

// The call pattern of every function module: RfcCall, its log line, and when
// the request went out RfcReceive and its log line. Returns the result code;
// for codes 2 and 3 *exception holds the name the library handed back.
RFC_RC CallFunctionModule(const ClassicRfcFunctions& library, RFC_HANDLE handle,
                          const CallLogger& log, const char* function, RFC_PARAMETER* exporting,
                          RFC_PARAMETER* importing, RFC_TABLE* tables, std::string* exception);

// One element of a structure description, at the offset the library aligns it to.
struct StructureElement {
  const char* name;
  RFC_TYPEHANDLE type;
  unsigned length;
};

// A structure description as the library takes it.
template <std::size_t N>
constexpr std::array<RFC_TYPE_ELEMENT, N> Elements(const StructureElement (&fields)[N]) {
  std::array<RFC_TYPE_ELEMENT, N> elements{};
  for (std::size_t i = 0; i < N; ++i) {
    elements[i] = {RfcName(fields[i].name), fields[i].type, fields[i].length, 0, 0};
  }
  return elements;
}

// A structure the library knows by its type handle, once installed.
struct InstalledStructure {
  RFC_TYPEHANDLE type = 0;
  bool installed = false;
};

// Installs a structure description unless it already is; a failure is fatal
// ("RfcInstallStructure").
Result<void, FatalFailure> InstallStructure(const ClassicRfcFunctions& library, const char* name,
                                            std::span<RFC_TYPE_ELEMENT> elements,
                                            InstalledStructure* structure);

// Creates an internal table; a failure is fatal with "ItCreate " + name.
Result<void, FatalFailure> CreateTable(const ClassicRfcFunctions& library, const char* name,
                                       unsigned row_length, ITAB_H* table);

// Deletes an internal table; a failure is fatal with "ItDelete " + name.
Result<void, FatalFailure> DeleteTable(const ClassicRfcFunctions& library, const char* name,
                                       ITAB_H table);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CLASSIC_CALL_PATTERN_H_
