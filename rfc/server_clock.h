// The SAP host's date and time, from the operating-system collector's last
// write (GET_CPU_ALL): the figures are compared by the server's day.
#ifndef TIDEWARDEN_RFC_SERVER_CLOCK_H_
#define TIDEWARDEN_RFC_SERVER_CLOCK_H_

#include <string>
#include <string_view>

#include "rfc/rfc_session.h"

namespace tidewarden {

// Calls GET_CPU_ALL on the session's connection. On success sets the RFC
// status to "OK" and the server date and time; otherwise appends the call's
// message. Returns the call result code.
RFC_RC ReadServerClock(RfcContext& context);

// "Tue Nov 18 09:05:00 2025" -> date "20251118", time "09:05:00".
void ConvertCollectorTimestamp(std::string_view timestamp, std::string* date, std::string* time);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_SERVER_CLOCK_H_
