// The logon guard: a logon SAP refused is not repeated every minute. SAP
// locks a user after a few failed logons in a row, and a monitor starts the
// probe every minute, so a wrong password would lock the monitoring user
// (and everything sharing it) within minutes.
//
// One record file in the profile's folder, shared by every profile there,
// holds one record per SAP user: the system as the logon names it, the
// client and the user. A record keeps the last refusal's time, how many
// refusals came in a row, the library's message and a salted keyed hash of
// the refused password, never the password.
#ifndef TIDEWARDEN_COLLECT_LOGON_GUARD_H_
#define TIDEWARDEN_COLLECT_LOGON_GUARD_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/call_log.h"
#include "platform/file_system.h"
#include "platform/system.h"
#include "rfc/logon_request.h"
#include "rfc/sap_library.h"

namespace tidewarden {

inline constexpr const char* kLogonRecordFile = "RefusedLogons.txt";
// Held while the record file is read, changed and replaced.
inline constexpr const char* kLogonRecordLockFile = "RefusedLogons.txt.lock";
inline constexpr int kLogonRecordLockWaitMs = 5000;
// After the first and the second refusal in a row; after the third the
// logon waits for another password.
inline constexpr std::int64_t kLogonHoldSeconds = 3600;
inline constexpr int kRefusalsHeldForGood = 3;
inline constexpr std::size_t kRefusalMessageRoom = 200;

// The SAP user a logon is for.
struct LogonKey {
  std::string system;  // "ASHOST=SAPBAD01 SYSNR=30", "MSHOST=... R3NAME=... GROUP=..."
  std::string client;
  std::string user;
  bool operator==(const LogonKey&) const = default;
};

struct LogonRecord {
  LogonKey key;
  std::int64_t time = 0;    // of the last refusal, UTC seconds since the epoch
  int count = 0;            // refusals in a row
  std::string salt;         // hexadecimal, random per record
  std::string fingerprint;  // HMAC-SHA-256 of the password under the salt, hexadecimal
  std::string message;      // the library's, its first line, at most 200 characters
};

// The SAP user of a logon: by parameters the host (or route) and system
// number; by destination the keys of its SapRfc.ini entry that name the
// system (router, host and number, or message server, system id and group).
// Host names and users compare without letter case, as SAP compares them.
LogonKey MakeLogonKey(const LogonRequest& request);

// The records of a record file; nullopt when it is damaged.
std::optional<std::vector<LogonRecord>> ParseLogonRecords(std::string_view text);
std::string FormatLogonRecords(const std::vector<LogonRecord>& records);

// The first line of a library message, cut to kRefusalMessageRoom
// characters, with no tab or control character left.
std::string RefusalMessageLine(std::string_view message);

std::string PasswordFingerprint(std::string_view salt, std::string_view password);

// Whether the record holds back a logon with the same password at `now`.
// A refusal time in the future counts as now.
bool HoldsLogon(const LogonRecord& record, std::int64_t now);

// " - logon not repeated: refused N times, last at <date> <time> (<message>)".
std::string HeldLogonText(const LogonRecord& record, const LocalDate& date, const TimeOfDay& time);

// What the guard found before one logon; kept until its outcome is known.
struct GuardedLogon {
  LogonKey key;
  std::string password;
  // The record for the key, when the file holds one.
  std::optional<LogonRecord> record;
  // Set when the logon is held: the 1011 message's suffix.
  std::string held;
  // Held while a run retries after a hold ran out.
  std::unique_ptr<FileLock> retry_lock;
};

// The guard's file work for one folder, on one thread.
class LogonGuard {
 public:
  // `rights_from`: the profile whose access rights the record file takes.
  // With `holds` false (the doctor's --logon) nothing is held back. With
  // `records` false (the doctor) the guard only looks: it writes no record
  // and takes no retry lock, so a hold that ran out lets the logon through
  // as the next run would.
  LogonGuard(FileSystem& fs, Clock& clock, const std::string& directory, std::string rights_from,
             bool holds = true, bool records = true);

  // Looks the logon's SAP user up before the logon; a held logon is written
  // to the call log with its reason.
  GuardedLogon Check(const LogonRequest& request, const CallLogger& log);

  // After the logon: a refusal by SAP is recorded; a logon made removes
  // the key's record.
  void Remember(const GuardedLogon& guarded, const LogonRefused* refused, bool logged_on,
                const CallLogger& log);

  // The local date and time of a record, for the doctor.
  std::string LocalTimeText(std::int64_t utc_seconds);

 private:
  // The file's records; empty (and logged) when it is damaged or unreadable.
  std::vector<LogonRecord> Read(const CallLogger& log);
  // Reads the records under the file's lock, lets `change` change them,
  // and writes them back when it returns true (removes the file once empty).
  void Update(const CallLogger& log, const std::function<bool(std::vector<LogonRecord>&)>& change);
  std::string RetryLockPath(const LogonKey& key) const;
  // The record for guarded.key, read anew.
  void LookUp(GuardedLogon& guarded, const CallLogger& log);
  // Takes the retry of a logon whose hold ran out, unless another run has
  // it or has since recorded a new refusal; whether it was taken.
  bool TakeRetry(GuardedLogon& guarded, const CallLogger& log);

  FileSystem& fs_;
  Clock& clock_;
  std::string directory_;
  std::string rights_from_;
  bool holds_;
  bool records_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_COLLECT_LOGON_GUARD_H_
