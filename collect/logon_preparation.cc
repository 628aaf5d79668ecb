#include "collect/logon_preparation.h"

#include "base/text.h"
#include "platform/replace_file.h"

namespace tidewarden {

LogonParameters MakeLogonParameters(const ConnectionParameters& parameters,
                                    const HostOverrides& overrides, std::int32_t* kept_sysnr) {
  LogonParameters logon;
  static_cast<LogonFields&>(logon) = parameters;
  if (overrides.host) logon.hostname = *overrides.host;
  if (overrides.number) logon.sysnr = *overrides.number;
  // Only an R/3 logon reads the system number, and only then is it kept.
  if (logon.mode != "R/2" && !logon.sysnr.empty()) *kept_sysnr = LeadingDecimal(logon.sysnr);
  logon.sysnr_number = *kept_sysnr;
  return logon;
}

Result<LogonRequest> PrepareLogon(FileSystem& fs, Console& console, const CallLogger& log,
                                  LogonParameters parameters) {
  LogonRequest request;
  const std::string destination_ini = "SapRfc." + parameters.destination;
  std::string ini_content;
  if (const Status read = fs.ReadFile(destination_ini, &ini_content); !read.ok()) {
    // One that is there but cannot be read is taken as absent, as ever;
    // the log says so, since the logon then goes by the profile instead.
    if (fs.FileSize(destination_ini) >= 0) {
      log.Write(0, destination_ini + " not read", read.message() + ": logon by the profile");
    }
    request.parameters = std::move(parameters);
    return request;
  }
  console.Write("* SapRfc.Ini.......: " + parameters.destination + "<\n");
  // Sensors of other destinations may open in this folder at this moment,
  // and the library reads the folder's one ini file: without the lock another
  // run could replace it between this copy and the logon, which then fails.
  // A lock not had in time (a logon hanging elsewhere) costs only that risk.
  const Status locked = fs.LockFile(kLibraryIniLockFile, kLibraryIniLockWaitMs, &request.ini_lock);
  if (!locked.ok()) log.Write(0, "SapRfc.ini copied unlocked", locked.message());
  // The library must never read a half-written ini file either, so it is
  // replaced in one step, and not at all when it already holds these bytes.
  std::string current;
  const bool same = fs.ReadFile(kLibraryIniFile, &current).ok() && current == ini_content;
  if (!same) {
    const Status replaced = ReplaceFileContents(fs, kLibraryIniFile, ini_content);
    if (!replaced.ok()) {
      log.Write(0, "SapRfc.ini not written", replaced.message());
      return Failure{std::string(kLibraryIniFile) + " could not be written: " + replaced.message()};
    }
  }
  request.parameters = std::move(parameters);
  request.by_destination = true;
  request.ini_content = std::move(ini_content);
  return request;
}

}  // namespace tidewarden
