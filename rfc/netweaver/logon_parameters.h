// The name and value parameters the NetWeaver library logs on with, made
// from the probe's logon data or from a destination's SapRfc.ini entry,
// without calling the library.
#ifndef TIDEWARDEN_RFC_NETWEAVER_LOGON_PARAMETERS_H_
#define TIDEWARDEN_RFC_NETWEAVER_LOGON_PARAMETERS_H_

#include <string>
#include <utility>
#include <vector>

#include "rfc/logon_request.h"

namespace tidewarden {

struct NetWeaverLogon {
  // In the order passed; values without trailing blanks, empty ones left out.
  std::vector<std::pair<std::string, std::string>> parameters;
  // Why the probe refuses the logon before the library sees it ("" when it
  // does not): then `parameters` is empty.
  std::string refusal;
  // For the ",SYSLOG" log: keys of the entry that are not passed on.
  std::vector<std::string> notes;
};

// By parameters: ASHOST, SYSNR, CLIENT, USER, PASSWD, LANG, TRACE=0. By
// destination, from the entry of `request.ini_content`: the logon data of
// the profile, the entry's connection keys and its SNC keys, with SNC_SSO=0
// when the entry turns SNC on and says nothing of it, so the profile's user
// and password log on over the encrypted connection. Password-free logons
// (X509CERT, MYSAPSSO2) are not passed: a note says so.
NetWeaverLogon BuildNetWeaverLogon(const LogonRequest& request);

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_NETWEAVER_LOGON_PARAMETERS_H_
