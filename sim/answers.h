// What a described system answers, whichever RFC library the caller talks
// through: its field values, its verdict on a logon, and the description
// file itself.
#ifndef TIDEWARDEN_SIM_ANSWERS_H_
#define TIDEWARDEN_SIM_ANSWERS_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sim/description.h"

namespace tidewarden::sim {

// The application server's host, or the gateway host of an R/2 system.
// Now in Unix seconds: `clock` when a test set one, else the real clock.
std::int64_t SimulatedNow(const std::function<std::int64_t()>& clock);

std::string HostOf(const System& s);

// The value of "<structure or function module>.<field or parameter>":
// the description's, or the healthy default. `type` is the field's type
// code (TYPC, TYPINT, ...).
Value AnswerValue(const System& system, const std::string& key, int type);

// Why the system refuses this logon, or "" when it accepts it. The client,
// user and password are compared without trailing blanks, the user without
// regard to letter case.
std::string LogonRefusal(const System& system, const std::string& client, const std::string& user,
                         const std::string& password, const std::string& language);
// Whether the password alone matches (for the call log, never the password).
bool PasswordMatches(const System& system, const std::string& password);

// The file's bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* content);

// The description at `path`, its epoch default the file's modification
// time (or `now` when that is unknown); nothing when the file is unreadable.
std::optional<Description> LoadDescription(const std::string& path, std::int64_t now);

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_ANSWERS_H_
