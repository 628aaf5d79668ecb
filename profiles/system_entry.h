// The system entry of a sensor profile: eleven labelled lines that become
// the connection parameters.
#ifndef TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_
#define TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_

#include <optional>
#include <string>
#include <string_view>

#include "profiles/connection_parameters.h"
#include "profiles/password.h"
#include "profiles/profile_lines.h"

namespace tidewarden {

// Single-profile reading: fills the parameters and keeps every line of the
// profile. Returns the numbered message (1003 to 1007) of the first fault,
// or nullopt when the profile passes every check.
std::optional<std::string> ReadSystemEntry(std::string_view content,
                                           const std::string& profile_name,
                                           const PasswordKeyTable& keys,
                                           ConnectionParameters* parameters, ProfileLines* lines);

// Pass reading for one system of a listing run: overwrites only the fields
// whose lines occur. Returns false when a check fails (the system failure
// flag); never a message.
bool ReadSystemEntryForPass(std::string_view content, const PasswordKeyTable& keys,
                            ConnectionParameters* parameters);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_
