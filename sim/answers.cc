// What a described system answers: defaults for every field the probe
// reads, the logon check, and the reading of the description file.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>

#include "rfc/classic/saprfc.h"
#include "sim/sim_core.h"

namespace tidewarden::sim {
namespace {

// Spaces only: a logon field is a fixed-length field padded with blanks.
std::string TrimSpaces(std::string s) {
  s = TrimRight(std::move(s));
  s.erase(0, s.find_first_not_of(' ') == std::string::npos ? s.size() : s.find_first_not_of(' '));
  return s;
}

Value TextValue(std::string text) {
  Value v;
  v.text = std::move(text);
  return v;
}

Value NumberValue(std::int64_t n) {
  Value v;
  v.kind = Value::Kind::kNumber;
  v.start = n;
  return v;
}

Value ClockValue() {
  Value v;
  v.kind = Value::Kind::kClock;
  return v;
}

// What every healthy simulated system answers alike.
const std::map<std::string, Value>& FixedDefaults() {
  static const std::map<std::string, Value> kFixed = {
      {"GET_CPU_ALL.ACTIVEFLAG", NumberValue(1)},
      {"GET_CPU_ALL.DETAILSCOLL", NumberValue(1)},
      {"GET_CPU_ALL.F_CPU_ALL_READ", TextValue("X")},
      {"GET_CPU_ALL.INTERVAL", NumberValue(10)},
      {"GET_CPU_ALL.LASTCOLLINT", NumberValue(10)},
      {"GET_CPU_ALL.LASTCOLLWRT", ClockValue()},
      {"GET_CPU_ALL.NORMCOLLINT", NumberValue(10)},
      {"GET_CPU_ALL.OP_SYSTEM", TextValue("Windows NT")},
      {"RFC_SYSTEM_INFO.CURRENT_RESOURCES", NumberValue(3)},
      {"RFC_SYSTEM_INFO.DIALOG_USER_TYPE", TextValue("A")},
      {"RFC_SYSTEM_INFO.MAXIMAL_RESOURCES", NumberValue(5)},
      {"RFC_SYSTEM_INFO.RFC_LOGIN_COMPLETE", TextValue("X")},
      {"RFCSI.RFCPROTO", TextValue("011")},
      {"RFCSI.RFCCHARTYP", TextValue("1100")},
      {"RFCSI.RFCINTTYP", TextValue("LIT")},
      {"RFCSI.RFCFLOTYP", TextValue("IE3")},
      {"RFCSI.RFCDBSYS", TextValue("ORACLE")},
      {"RFCSI.RFCSAPRL", TextValue("46C")},
      {"RFCSI.RFCMACH", TextValue("  560")},
      {"RFCSI.RFCOPSYS", TextValue("Windows NT")},
      {"RFCSI.RFCTZONE", TextValue("     0")},
      {"RFCSI.RFCKERNRL", TextValue("46D")},
      {"TST04.DB_THREAD", NumberValue(1)},
      {"TST04.CURR_TIME", ClockValue()},
      {"TST04.CURR_DATE", ClockValue()},
      {"TST04.DB_UP_TIME", TextValue("060000")},
      {"TST04.DB_UP_DATE", TextValue("20250101")},
      {"TST04.THREAD_STA", TextValue("OPEN")},
      {"TST04.VERSION", TextValue("9.2.0.8.0")},
      {"TST04.ARCHIVER", TextValue("STARTED")},
      {"TST04.BUFSIZE", NumberValue(1048576)},
      {"TST04.BUFQUAL", TextValue("  98.7")},
      {"TST04.DICTSIZE", NumberValue(65536)},
      {"TST04.LOGSIZE", NumberValue(1310720)},
      {"TST04.LOGALLOC", NumberValue(65536)},
      {"TST04.COMMITS", NumberValue(250000)},
      {"TST04.ROLLBACKS", NumberValue(5118)},
      {"TST04.LOGWRITES", NumberValue(1843001)},
      {"TST04.WAIT_BUSY", NumberValue(17)},
      {"TST04.CPU_COUNT", NumberValue(4)},
  };
  return kFixed;
}

// What a healthy simulated system answers where its description is silent.
Value DefaultValue(const System& s, const std::string& key, int type) {
  if (auto it = FixedDefaults().find(key); it != FixedDefaults().end()) return it->second;
  enum class From { kDestination, kHost, kName, kElapsed };
  static const std::map<std::string, From> kFromSystem = {
      {"RFCSI.RFCDEST", From::kDestination}, {"RFCSI.RFCHOST", From::kHost},
      {"RFCSI.RFCDBHOST", From::kHost},      {"TST04.DB_SERVER", From::kHost},
      {"TST04.SAPDBHOST", From::kHost},      {"RFCSI.RFCSYSID", From::kName},
      {"RFCSI.RFCDATABS", From::kName},      {"TST04.DB_NAME", From::kName},
      {"TST04.DB_INSTANC", From::kName},     {"TST04.ELAPSED_TI", From::kElapsed},
  };
  auto from = kFromSystem.find(key);
  if (from != kFromSystem.end()) {
    switch (from->second) {
      case From::kDestination: {
        char sysnr[16];
        std::snprintf(sysnr, sizeof sysnr, "%02d", s.sysnr >= 0 ? s.sysnr : 0);
        return TextValue(HostOf(s) + "_" + s.name + "_" + sysnr);
      }
      case From::kHost:
        return TextValue(HostOf(s));
      case From::kName:
        return TextValue(s.name);
      case From::kElapsed: {
        Value v;
        v.kind = Value::Kind::kGrowing;
        v.rate_milli = 1000;  // seconds since the epoch
        return v;
      }
    }
  }
  // Other character fields of the database monitor hold numbers.
  if (type == TYPINT || type == TYPINT2 || (type == TYPC && key.starts_with("TST04."))) {
    return NumberValue(0);
  }
  return TextValue("");
}

}  // namespace

std::int64_t SimulatedNow(const std::function<std::int64_t()>& clock) {
  if (clock) return clock();
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string HostOf(const System& s) { return s.host.empty() ? s.gwhost : s.host; }

// The file's bytes. C stdio rather than iostreams: a library that uses no
// stream leaves the C++ runtime's locale start-up out of every process
// that loads it.
bool ReadWholeFile(const std::string& path, std::string* content) {
  content->clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content->append(buffer, n);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

Value AnswerValue(const System& system, const std::string& key, int type) {
  auto it = system.values.find(key);
  if (it != system.values.end()) return it->second;
  // The global record repeats the instance's figures unless told otherwise.
  if (key.starts_with("GST04.")) {
    std::string instance_key = "TST04." + key.substr(6);
    auto instance = system.values.find(instance_key);
    if (instance != system.values.end()) return instance->second;
    return DefaultValue(system, instance_key, type);
  }
  return DefaultValue(system, key, type);
}

bool PasswordMatches(const System& system, const std::string& password) {
  return !system.password.empty() && TrimRight(password) == system.password;
}

std::string LogonRefusal(const System& system, const std::string& client, const std::string& user,
                         const std::string& password, const std::string& language) {
  if (TrimSpaces(client) != system.client) {
    return "Client " + TrimSpaces(client) + " is not available in this system";
  }
  if (Upper(TrimRight(user)) != Upper(system.user) || system.user.empty() ||
      !PasswordMatches(system, password)) {
    return "Name or password is incorrect (repeat logon)";
  }
  std::string lang = Upper(TrimSpaces(language));
  if (!system.languages.empty() && !lang.empty() &&
      std::find(system.languages.begin(), system.languages.end(), lang) == system.languages.end()) {
    return "Language " + lang + " is not installed";
  }
  return "";
}

std::optional<Description> LoadDescription(const std::string& path, std::int64_t now) {
  std::string text;
  if (!ReadWholeFile(path, &text)) return std::nullopt;
  std::int64_t file_time = now;
  std::error_code ec;
  auto written = std::filesystem::last_write_time(path, ec);
  if (!ec) {
    file_time = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::file_clock::to_sys(written).time_since_epoch())
                    .count();
  }
  std::string label = std::filesystem::path(path).filename().string();
  return ParseDescription(text, label, file_time);
}

}  // namespace tidewarden::sim
