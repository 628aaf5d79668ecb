#include "collect/logon_guard.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>

#include "base/sha256.h"
#include "base/text.h"
#include "platform/replace_file.h"
#include "rfc/ini_entry.h"

namespace tidewarden {
namespace {

constexpr std::size_t kSaltBytes = 16;
constexpr const char* kRecordFileHeader[] = {
    "# SAP logons refused, per system, client and user: the probe does not repeat them",
    "# (docs/profiles.md, \"Refused logons\"). Remove a line, or the file, to let the",
    "# logon go at once. Fields, tab-separated: time (UTC seconds), refusals in a row,",
    "# system, client, user, salt, password fingerprint, message."};

// A field of one record line: no tab, line end or other control character.
std::string Cleaned(std::string_view text) {
  std::string cleaned(text);
  for (char& c : cleaned) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  const std::size_t first = cleaned.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return cleaned.substr(first, cleaned.find_last_not_of(' ') - first + 1);
}

// Up to 18 digits, nothing else: no sign, no blank.
bool ReadCount(std::string_view text, std::int64_t* value) {
  const char* end = text.data() + text.size();
  return text.size() <= 18 && !text.starts_with('-') &&
         std::from_chars(text.data(), end, *value) == std::from_chars_result{end, std::errc()};
}

bool IsHex(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

std::string SystemNumberText(std::int32_t number) {
  return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number);
}

std::string DateTimeText(const LocalDate& date, const TimeOfDay& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day,
                time.hour, time.minute, time.second);
  return text;
}

bool SamePassword(const LogonRecord& record, std::string_view password) {
  return PasswordFingerprint(record.salt, password) == record.fingerprint;
}

}  // namespace

LogonKey MakeLogonKey(const LogonRequest& request) {
  const LogonParameters& logon = request.parameters;
  LogonKey key;
  key.client = Cleaned(logon.client);
  key.user = UpperCase(Cleaned(logon.user));
  if (!request.by_destination) {
    key.system = "ASHOST=" + UpperCase(Cleaned(logon.hostname)) +
                 " SYSNR=" + SystemNumberText(logon.sysnr_number);
    return key;
  }
  if (const auto entry = FindIniEntry(request.ini_content, logon.destination)) {
    for (const char* name : {"SAPROUTER", "ASHOST", "SYSNR", "MSHOST", "MSSERV", "R3NAME", "SYSID",
                             "GROUP", "GWHOST", "GWSERV"}) {
      const auto value = entry->find(name);
      if (value == entry->end() || Cleaned(value->second).empty()) continue;
      if (!key.system.empty()) key.system += ' ';
      key.system += std::string(name) + "=" + UpperCase(Cleaned(value->second));
    }
  }
  // An entry that names no system is refused before SAP sees it, so this
  // key never gets a record; it only keeps one from matching another.
  if (key.system.empty()) key.system = "DEST=" + UpperCase(Cleaned(logon.destination));
  return key;
}

std::optional<std::vector<LogonRecord>> ParseLogonRecords(std::string_view text) {
  std::vector<LogonRecord> records;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() != 8) return std::nullopt;
    LogonRecord record;
    std::int64_t count = 0;
    if (!ReadCount(fields[0], &record.time) || !ReadCount(fields[1], &count) || count < 1 ||
        count > 1000000 || !IsHex(fields[5]) || !IsHex(fields[6])) {
      return std::nullopt;
    }
    record.count = static_cast<int>(count);
    record.key = {std::string(fields[2]), std::string(fields[3]), std::string(fields[4])};
    record.salt = fields[5];
    record.fingerprint = fields[6];
    record.message = fields[7];
    records.push_back(std::move(record));
  }
  return records;
}

std::string FormatLogonRecords(const std::vector<LogonRecord>& records) {
  std::string text;
  auto line = [&text](std::string_view content) {
    text.append(content);
    text.append(kNativeLineEnd);
  };
  for (const char* header : kRecordFileHeader) line(header);
  for (const LogonRecord& record : records) {
    line(std::to_string(record.time) + "\t" + std::to_string(record.count) + "\t" +
         Cleaned(record.key.system) + "\t" + Cleaned(record.key.client) + "\t" +
         Cleaned(record.key.user) + "\t" + record.salt + "\t" + record.fingerprint + "\t" +
         Cleaned(record.message));
  }
  return text;
}

std::string RefusalMessageLine(std::string_view message) {
  std::string line = Cleaned(message.substr(0, message.find_first_of("\r\n")));
  if (line.size() > kRefusalMessageRoom) line.resize(kRefusalMessageRoom);
  return line;
}

std::string PasswordFingerprint(std::string_view salt, std::string_view password) {
  return HexText(HmacSha256(salt, password));
}

bool HoldsLogon(const LogonRecord& record, std::int64_t now) {
  if (record.count >= kRefusalsHeldForGood) return true;
  const std::int64_t refused = std::min(record.time, now);
  return now - refused < kLogonHoldSeconds;
}

std::string HeldLogonText(const LogonRecord& record, const LocalDate& date, const TimeOfDay& time) {
  return " - logon not repeated: refused " + std::to_string(record.count) + " times, last at " +
         DateTimeText(date, time) + " (" + record.message + ")";
}

LogonGuard::LogonGuard(FileSystem& fs, Clock& clock, const std::string& directory,
                       std::string rights_from, bool holds, bool records)
    : fs_(fs),
      clock_(clock),
      directory_(directory),
      rights_from_(std::move(rights_from)),
      holds_(holds),
      records_(records) {}

GuardedLogon LogonGuard::Check(const LogonRequest& request, const CallLogger& log) {
  GuardedLogon guarded;
  guarded.key = MakeLogonKey(request);
  guarded.password = request.parameters.password;
  LookUp(guarded, log);
  // Another password is tried at once: it may be the corrected one.
  if (!holds_ || !guarded.record || !SamePassword(*guarded.record, guarded.password)) {
    return guarded;
  }
  const std::int64_t now = clock_.UtcSeconds();
  if (guarded.record->time > now) {
    // A refusal in the future (a clock set back since) counts as one now,
    // and is written so: the hour then runs from here, not from a moment
    // that may lie years ahead.
    guarded.record->time = now;
    if (records_) {
      Update(log, [&guarded, now](std::vector<LogonRecord>& records) {
        for (LogonRecord& record : records) {
          if (record.key == guarded.key) record.time = std::min(record.time, now);
        }
        return true;
      });
    }
  }
  // When the hold ran out, one run retries; the runs beside it wait for its
  // outcome in their next minute.
  const bool held = HoldsLogon(*guarded.record, now) || (records_ && !TakeRetry(guarded, log));
  if (held) {
    LocalDate date;
    TimeOfDay time;
    clock_.ToLocalTime(guarded.record->time, &date, &time);
    guarded.held = HeldLogonText(*guarded.record, date, time);
    log.Write(0, "RfcOpenConnection not called",
              "user " + guarded.key.user + ", client " + guarded.key.client + ", " +
                  guarded.key.system + guarded.held);
  }
  return guarded;
}

void LogonGuard::LookUp(GuardedLogon& guarded, const CallLogger& log) {
  guarded.record.reset();
  for (LogonRecord& record : Read(log)) {
    if (record.key == guarded.key) guarded.record = std::move(record);
  }
}

bool LogonGuard::TakeRetry(GuardedLogon& guarded, const CallLogger& log) {
  std::unique_ptr<FileLock> lock;
  if (!fs_.LockFile(RetryLockPath(guarded.key), 0, &lock).ok()) return false;
  guarded.retry_lock = std::move(lock);
  // Read again, since the run that had the retry may have recorded its
  // refusal meanwhile; under the record file's lock too: its writer holds
  // it while it replaces the file, and a replacement that is not atomic
  // (Wine's) would otherwise show no file at all, and let a second logon
  // through.
  std::unique_ptr<FileLock> records_lock;
  const Status locked =
      fs_.LockFile(directory_ + kLogonRecordLockFile, kLogonRecordLockWaitMs, &records_lock);
  if (!locked.ok()) log.Write(0, "logon record read without its lock", locked.message());
  LookUp(guarded, log);
  if (guarded.record && SamePassword(*guarded.record, guarded.password) &&
      HoldsLogon(*guarded.record, clock_.UtcSeconds())) {
    guarded.retry_lock.reset();
    return false;
  }
  return true;
}

void LogonGuard::Remember(const GuardedLogon& guarded, const LogonRefused* refused, bool logged_on,
                          const CallLogger& log) {
  if (!guarded.held.empty() || !records_) return;
  const bool by_sap = refused != nullptr && refused->by_sap;
  // A logon made with no record on file costs nothing here.
  if (!by_sap && !(logged_on && guarded.record)) return;
  LogonRecord record;
  if (by_sap) {
    std::string salt;
    const Status random = ReadRandomBytes(kSaltBytes, &salt);
    if (!random.ok()) {
      log.Write(0, "logon refusal not recorded", random.message());
      return;
    }
    record.key = guarded.key;
    record.time = clock_.UtcSeconds();
    record.message = RefusalMessageLine(refused->message);
    record.salt = HexText(salt);
    record.fingerprint = PasswordFingerprint(record.salt, guarded.password);
  }
  Update(log, [&](std::vector<LogonRecord>& records) {
    // A key written twice (by hand) counts as its last line, as in Check.
    int count = 0;
    const std::size_t erased = std::erase_if(records, [&](const LogonRecord& r) {
      if (r.key == guarded.key) count = r.count;
      return r.key == guarded.key;
    });
    if (!by_sap) return erased > 0;
    record.count = count + 1;
    records.push_back(std::move(record));
    return true;
  });
}

void LogonGuard::Update(const CallLogger& log,
                        const std::function<bool(std::vector<LogonRecord>&)>& change) {
  std::unique_ptr<FileLock> lock;
  const Status locked =
      fs_.LockFile(directory_ + kLogonRecordLockFile, kLogonRecordLockWaitMs, &lock);
  if (!locked.ok()) {
    log.Write(0, "logon record not updated", locked.message());
    return;
  }
  std::vector<LogonRecord> records = Read(log);
  if (!change(records)) return;
  const std::string path = directory_ + kLogonRecordFile;
  const Status written =
      records.empty() ? fs_.RemoveFile(path)
                      : ReplaceFileContents(fs_, path, FormatLogonRecords(records), rights_from_);
  if (!written.ok()) log.Write(0, "logon record not written", written.message());
}

std::string LogonGuard::LocalTimeText(std::int64_t utc_seconds) {
  LocalDate date;
  TimeOfDay time;
  clock_.ToLocalTime(utc_seconds, &date, &time);
  return DateTimeText(date, time);
}

std::vector<LogonRecord> LogonGuard::Read(const CallLogger& log) {
  const std::string path = directory_ + kLogonRecordFile;
  if (fs_.FileSize(path) < 0) return {};
  std::string text;
  // Too big to be the guard's, it is no record file of any use either.
  const Status read = fs_.ReadFile(path, &text, 1024 * 1024);
  if (!read.ok()) {
    log.Write(0, "logon record file unreadable", read.message() + ": taken as empty");
    return {};
  }
  auto records = ParseLogonRecords(text);
  if (!records) {
    log.Write(0, "logon record file damaged", path + ": taken as empty");
    return {};
  }
  return std::move(*records);
}

std::string LogonGuard::RetryLockPath(const LogonKey& key) const {
  const std::string digest =
      HexText(Sha256(key.system + "\t" + key.client + "\t" + key.user)).substr(0, 16);
  return directory_ + "RefusedLogons." + digest + ".lock";
}

}  // namespace tidewarden
