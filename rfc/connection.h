// Logging on to an SAP system through the RFC library.
#ifndef TIDEWARDEN_RFC_CONNECTION_H_
#define TIDEWARDEN_RFC_CONNECTION_H_

#include <optional>
#include <string>
#include <string_view>

#include "profiles/connection_parameters.h"
#include "rfc/rfc_session.h"

namespace tidewarden {

inline constexpr const char* kLibraryIniFile = "SapRfc.ini";
// Held from the copy into kLibraryIniFile until the library has read it.
inline constexpr const char* kLibraryIniLockFile = "SapRfc.ini.lock";
inline constexpr int kLibraryIniLockWaitMs = 10000;

// Gets the library table (loading the vendor library the first time; a
// library that cannot be loaded ends the process through the fatal report),
// installs the environment with the fatal report as error handler, and
// writes its log line.
void SetRfcEnvironment(RfcContext& context);

// Opens a connection by options record, or, when "SapRfc." + Destination
// exists, by connect string after copying that file over "SapRfc.ini".
// Returns the handle (0: no connection) and keeps it in the session.
RFC_HANDLE OpenRfcConnection(RfcContext& context, const ConnectionParameters& parameters);

// Closes the session's connection when one is open.
void CloseRfcConnection(RfcContext& context);

// The text after `keyword` in the verbatim options, up to a blank, a comma
// or the end, when the upper-cased options hold the keyword.
std::optional<std::string> OverrideValue(const std::string& option_string,
                                         const std::string& verbatim_option_string,
                                         std::string_view keyword);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_CONNECTION_H_
