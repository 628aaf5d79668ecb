// What every library's logon shares: the logon parameters from the
// profile and the options, and the per-destination ini file put in place.
#ifndef TIDEWARDEN_COLLECT_LOGON_PREPARATION_H_
#define TIDEWARDEN_COLLECT_LOGON_PREPARATION_H_

#include <cstdint>
#include <optional>
#include <string>

#include "base/call_log.h"
#include "base/result.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "profiles/connection_parameters.h"
#include "rfc/library_files.h"
#include "rfc/logon_request.h"

namespace tidewarden {

// Held from the copy into kLibraryIniFile until the library has read it.
inline constexpr const char* kLibraryIniLockFile = "SapRfc.ini.lock";
inline constexpr int kLibraryIniLockWaitMs = 10000;

// The ",HOST=" and ",NO=" values of the options in force (nullopt: absent).
struct HostOverrides {
  std::optional<std::string> host;
  std::optional<std::string> number;
};

// The logon parameters of a profile's system. An empty system number keeps
// the number of the previous open: *kept_sysnr carries it from system to
// system (0 before the first).
LogonParameters MakeLogonParameters(const ConnectionParameters& parameters,
                                    const HostOverrides& overrides, std::int32_t* kept_sysnr);

// By parameters, or, when "SapRfc." + destination exists, by destination
// after copying that file over "SapRfc.ini" under the folder's lock (the
// "* SapRfc.Ini" line goes to `console` first). Fails when the library's ini
// file could not be written: the logon counts as refused. Either failure of
// the copy, and a lock not had, goes to `log` with its reason.
Result<LogonRequest> PrepareLogon(FileSystem& fs, Console& console, const CallLogger& log,
                                  LogonParameters parameters);

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_LOGON_PREPARATION_H_
