// The logon data of one SAP system, as read from its sensor profile.
#ifndef TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_
#define TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_

#include <string>

#include "base/logon_fields.h"

namespace tidewarden {

// Never cleared during a run: in a listing run a field that a later system's
// profile leaves out keeps the earlier system's value.
// Each field's width is in the profile reader's table (EntryFields(),
// profiles/system_entry.h); the user is upper-cased.
struct ConnectionParameters : LogonFields {
  std::string extcompany;  // width 63
  // NAME when the password came from the environment ("env:NAME"), else "".
  std::string password_variable;
  std::string display_host;  // width 47; the host the SAP system reports, once it did
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_
