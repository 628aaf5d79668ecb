// The ten logon fields of a sensor profile, as the probe hands them to SAP's
// library. The profile reader, the seam's logon request and the classic
// library's open records each extend them, so that they are copied as one.
#ifndef TIDEWARDEN_BASE_LOGON_FIELDS_H_
#define TIDEWARDEN_BASE_LOGON_FIELDS_H_

#include <string>

namespace tidewarden {

struct LogonFields {
  std::string destination;
  std::string client;
  std::string user;
  std::string password;  // clear text
  std::string language;
  std::string mode;  // "R/2" logs on through CPI-C, anything else R/3
  std::string hostname;
  std::string sysnr;  // as given; may be empty
  std::string gwhost;
  std::string gwservice;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_BASE_LOGON_FIELDS_H_
