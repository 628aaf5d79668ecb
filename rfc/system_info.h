// The SAP system's own description (RFC_SYSTEM_INFO): which database it
// runs on, and the host name it reports.
#ifndef TIDEWARDEN_RFC_SYSTEM_INFO_H_
#define TIDEWARDEN_RFC_SYSTEM_INFO_H_

#include <string>

#include "rfc/rfc_session.h"

namespace tidewarden {

// On success sets the RFC status to "OK", the database system name and
// *display_host; otherwise appends the call's message. Returns the code.
RFC_RC ReadSystemInfo(RfcContext& context, std::string* display_host);

// Only Oracle systems are measured: the name begins with "ORA" (letter
// case counts).
bool IsOracle(const std::string& db_system_name);

inline constexpr const char* kDatabaseMismatchMessage = "Error 1018: DataBase mismatch !";

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_SYSTEM_INFO_H_
