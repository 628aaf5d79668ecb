// The logon data of one SAP system, as read from its sensor profile.
#ifndef TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_
#define TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_

#include <string>

namespace tidewarden {

// Never cleared during a run: in a listing run a field that a later system's
// profile leaves out keeps the earlier system's value.
struct ConnectionParameters {
  std::string extcompany;   // width 63
  std::string destination;  // width 11
  std::string client;       // width 11
  std::string user;         // width 47, upper-cased
  std::string password;     // width 31, clear text (at most 20 characters stored)
  // NAME when the password came from the environment ("env:NAME"), else "".
  std::string password_variable;
  std::string language;     // width 31
  std::string mode;         // width 31
  std::string hostname;     // width 47
  std::string sysnr;        // width 31
  std::string gwhost;       // width 61
  std::string gwservice;    // width 31
  std::string display_host; // width 47; the host the SAP system reports, once it did
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_CONNECTION_PARAMETERS_H_
