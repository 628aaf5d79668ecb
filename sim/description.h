// The description file of the simulated SAP systems ("SapSim.txt"): the
// systems the library serves, their logons, answers and injected faults.
// docs/simulator.md describes the format for users.
#ifndef TIDEWARDEN_SIM_DESCRIPTION_H_
#define TIDEWARDEN_SIM_DESCRIPTION_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tidewarden::sim {

inline constexpr const char* kDescriptionFileName = "SapSim.txt";

// How numbers are written into character fields.
enum class NumberStyle {
  kRight,    // right-aligned digits, as the database monitor shows them
  kGrouped,  // right-aligned with "." every three digits
  kLeft,     // left-aligned digits
};

// What one field or parameter answers.
struct Value {
  enum class Kind {
    kText,     // written as given, left-aligned and blank-padded
    kNumber,   // `start`, written in the system's number style
    kGrowing,  // `start` at the epoch, growing by `rate_milli`/1000 per `rate_period` seconds
    kClock,    // the host clock (`utc` or this machine's local time) + `offset` seconds
  };
  Kind kind = Kind::kText;
  std::string text;
  std::int64_t start = 0;
  std::int64_t rate_milli = 0;
  std::int64_t rate_period = 1;
  bool utc = false;
  std::int64_t offset = 0;
};

// A fault injected into one target (the open, a function module, or one of
// RfcInstallStructure, ItCreate, ItDelete).
struct Fault {
  enum class Kind {
    kFailure,       // result code 1
    kException,     // result code 2 with `name`
    kSysException,  // result code 3 with `name`
    kCode,          // result code `code`
    kFatal,         // the error handler is called
    kRefuse,        // open: no connection; the other targets: the call fails
  };
  Kind kind = Kind::kFailure;
  int code = 1;
  std::string name;     // exception name
  std::string object;   // RfcInstallStructure, ItCreate, ItDelete: the structure or table; "" = all
  std::string message;  // the text written to the trace and to RfcLastError
  bool at_call = false;  // function modules: RfcCall answers instead of RfcReceive
  // kSysException from "message": the NetWeaver library's RFC_ABAP_MESSAGE
  // (an E, A or X message); the classic library knows only code 3.
  bool abap_message = false;
};

struct System {
  std::string name;
  int line = 0;  // of its section header
  std::string host;
  int sysnr = -1;  // -1: not given
  std::string gwhost;
  std::string gwservice;
  std::string client;
  std::string user;
  std::string password;
  std::vector<std::string> languages;  // upper case; empty: every language
  // Its SNC name: the system then takes only logons over SNC to that
  // partner name. "" = no SNC required.
  std::string snc_partnername;
  NumberStyle numbers = NumberStyle::kRight;
  std::int64_t epoch = 0;  // Unix seconds at which growing totals stand at their start
  // Answers by "<structure or function module>.<field or parameter>", e.g.
  // "TST04.LOGWRITES", "RFCSI.RFCDBSYS", "GET_CPU_ALL.LASTCOLLWRT".
  std::map<std::string, Value> values;
  // By target: "open", a function module's name, "RfcInstallStructure",
  // "ItCreate", "ItDelete".
  std::map<std::string, Fault> faults;
  // Seconds before the answer, by target: "open" or a function module's name.
  std::map<std::string, double> delays;
};

struct Description {
  std::vector<System> systems;
  std::string call_log;  // file name or path; "" = no call log
  // One line per problem, "SapSim.txt(12): ...", in file order.
  std::vector<std::string> errors;

  // Host names compare without regard to letter case. nullptr if none.
  const System* FindByHost(std::string_view host, int sysnr) const;
  const System* FindByGateway(std::string_view gwhost, std::string_view gwservice) const;

 private:
  // "HOST/sysnr" to the first system with them; built at the first lookup.
  mutable std::map<std::string, std::size_t> by_host_;
  mutable bool indexed_ = false;
};

// Parses a description. Never fails: lines it cannot use are reported in
// `errors` and ignored. `file_time` (Unix seconds) is the default epoch.
Description ParseDescription(std::string_view text, std::string_view file_label,
                             std::int64_t file_time);

// Where a value goes: the element or parameter it answers.
struct ValueTarget {
  std::string key;  // "TST04.LOGWRITES"
  int type = 0;
  unsigned width = 0;
};

// The target of a description key such as "LOGWRITES", "GLOBAL.LOGWRITES",
// "RFCHOST" or "LASTCOLLWRT"; false when there is none.
bool FindValueTarget(std::string_view key, ValueTarget* target);

// The number a numeric value stands at, `now` in Unix seconds.
std::int64_t NumberAt(const Value& value, std::int64_t epoch, std::int64_t now);

// The value as written into a field of `type` and `width` bytes (blank-padded
// to exactly `width`). Numbers too long for the field come out as SAP writes
// them: "*" followed by their last digits.
std::string FormatValue(const Value& value, int type, unsigned width, NumberStyle style,
                        std::int64_t epoch, std::int64_t now);

// Broken-down time of Unix seconds, in UTC or in this machine's local time.
struct CivilTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  int weekday = 4;  // 0 = Sunday
};
CivilTime ToCivil(std::int64_t seconds, bool utc);
// "Tue Nov 18 09:05:00 2025": the operating-system collector's timestamp.
std::string CollectorTimestamp(const CivilTime& t);

}  // namespace tidewarden::sim

#endif  // TIDEWARDEN_SIM_DESCRIPTION_H_
