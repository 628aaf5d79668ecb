// The system entry of a sensor profile: eleven labelled lines that become
// the connection parameters.
#ifndef TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_
#define TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system.h"
#include "profiles/connection_parameters.h"
#include "profiles/password.h"
#include "profiles/profile_lines.h"

namespace tidewarden {

// One entry line: its label, the field it fills, the field's width (a longer
// value is cut to it and fails the checks) and the shortest value the checks
// accept.
struct EntryField {
  std::string_view label;
  std::string ConnectionParameters::*field;
  std::size_t width;
  std::size_t minimum_length;
};

// The eleven entry lines, in the order in which labels are compared and
// fields are checked.
const std::array<EntryField, 11>& EntryFields();
inline constexpr std::size_t kHostnameEntry = 7;  // its index there

// Which of the entry lines a profile gave, by their index in EntryFields().
using EntryLinesGiven = std::bitset<11>;

// Single-profile reading: fills the parameters and keeps every line of the
// profile, whole and in order, in *lines. Fails with the numbered message
// (1003 to 1007) of the first fault. A value longer than its field's width is kept cut to the width
// and gives 1003. An "env:NAME" password is read from `environment` (not set: empty, so 1007);
// whether the library can take it is the caller's check (EnvironmentPasswordFault), once the
// library is known.
Status ReadSystemEntry(std::string_view content, const std::string& profile_name,
                       const PasswordKeyTable& keys, EnvironmentVariables& environment,
                       ConnectionParameters* parameters, ProfileLines* lines);

// The field a single-system run's 1003 is about, and how it fails: cut to
// its width (the value or its line had no room), or shorter than its
// minimum_length (`length` is the value's length after the cut).
struct InvalidField {
  const EntryField* field;
  bool too_long;
  std::size_t length;
};

// Reads `content` as ReadSystemEntry does and names the field of its 1003;
// nullopt when the profile gives no 1003.
std::optional<InvalidField> FindInvalidField(std::string_view content, const PasswordKeyTable& keys,
                                             EnvironmentVariables& environment);

// Pass reading for one system of a listing run: overwrites only the fields
// whose lines occur. Fails when a check fails (the system failure flag),
// with the message a single-system run would print, for the log: the pass
// prints none. An invalid or wrong stored password fails the system and
// leaves Password as it was; the rest of the profile is still read. A value
// longer than its field's width is kept cut and fails it too. An "env:NAME"
// password whose variable is not set empties Password. *given, when
// given, tells which entry lines the profile had.
Status ReadSystemEntryForPass(std::string_view content, const std::string& profile_name,
                              const PasswordKeyTable& keys, EnvironmentVariables& environment,
                              ConnectionParameters* parameters, EntryLinesGiven* given = nullptr);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_SYSTEM_ENTRY_H_
