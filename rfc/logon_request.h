// What logging on to one SAP system takes, whatever the library.
#ifndef TIDEWARDEN_RFC_LOGON_REQUEST_H_
#define TIDEWARDEN_RFC_LOGON_REQUEST_H_

#include <cstdint>
#include <memory>
#include <string>

#include "base/logon_fields.h"
#include "platform/file_system.h"

namespace tidewarden {

// The logon data of one system: the profile's parameters with the ",HOST="
// and ",NO=" values of the options already applied. Texts as the profile
// holds them (the library pads what it needs).
struct LogonParameters : LogonFields {
  // The system number as a number: sysnr read as a decimal, or, when sysnr
  // is empty, the number of the previous open (which the caller carries
  // from system to system).
  std::int32_t sysnr_number = 0;
};

// How to log on: by the parameters, or by destination through the
// library's SapRfc.ini, which the caller has already put in place.
struct LogonRequest {
  LogonParameters parameters;
  bool by_destination = false;
  // By destination: the text just put in place as SapRfc.ini, so that a
  // library reading the entry itself need not read the file again.
  std::string ini_content;
  // Held while the library may still read SapRfc.ini (by destination only;
  // may be null when the lock was not had). The library releases it as
  // soon as it no longer needs the file.
  std::unique_ptr<FileLock> ini_lock;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_RFC_LOGON_REQUEST_H_
