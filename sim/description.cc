// Reads the description of the simulated systems. Every problem becomes one
// readable line for the trace file; nothing in the text can stop the library.
#include "sim/description.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "rfc/classic/saprfc.h"
#include "sim/interfaces.h"
#include "sim/sim_core.h"

namespace tidewarden::sim {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) { return Upper(a) == Upper(b); }

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// For messages: the text with control characters shown as "?", cut at 40.
std::string Printable(std::string_view s) {
  std::string out;
  for (char c : s.substr(0, 40)) {
    out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? '?' : c;
  }
  if (s.size() > 40) out += "...";
  return out;
}

// Digits into a non-negative number; false on overflow or no digits.
bool ParseCount(std::string_view s, std::int64_t* out) {
  if (!AllDigits(s)) return false;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *out);
  return ec == std::errc() && end == s.data() + s.size();
}

// "12", "0.5", "2.125": thousandths. False when malformed or too large.
bool ParseMilli(std::string_view s, std::int64_t* milli) {
  std::size_t dot = s.find('.');
  std::string_view whole = s.substr(0, dot);
  std::string_view fraction = dot == std::string_view::npos ? "" : s.substr(dot + 1);
  std::int64_t w = 0;
  if (whole.empty() && fraction.empty()) return false;
  if (!whole.empty() && !ParseCount(whole, &w)) return false;
  if (dot != std::string_view::npos &&
      (fraction.empty() || fraction.size() > 3 || !AllDigits(fraction))) {
    return false;
  }
  if (w > 1'000'000'000'000) return false;
  std::int64_t f = 0;
  for (std::size_t i = 0; i < 3; ++i) f = f * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
  *milli = w * 1000 + f;
  return true;
}

// Unix seconds of a UTC date and time.
std::int64_t FromCivilUtc(int year, int month, int day, int hour, int minute, int second) {
  // A day past the month's end runs on into the next month.
  const std::chrono::sys_days date = std::chrono::year_month_day(
      std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
      std::chrono::day(static_cast<unsigned>(day)));
  return std::int64_t{date.time_since_epoch().count()} * 86400 + hour * 3600 + minute * 60 + second;
}

// The parser's state while it walks the lines.
class Parser {
 public:
  Parser(std::string_view label, std::int64_t file_time) : label_(label), file_time_(file_time) {}

  Description Parse(std::string_view text) {
    int line_number = 0;
    while (!text.empty()) {
      std::size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
      ++line_number;
      line_ = line_number;
      ParseLine(Trim(line));
    }
    Finish();
    return std::move(description_);
  }

 private:
  void Error(const std::string& message) {
    description_.errors.push_back(std::string(label_) + "(" + std::to_string(line_) +
                                  "): " + message);
  }

  void ParseLine(std::string_view line) {
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    if (line.front() == '[') {
      StartSystem(line);
      return;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      Error("\"" + Printable(line) +
            "\" is neither \"key = value\" nor a [SYSTEM] header: ignored");
      return;
    }
    std::string_view key = Trim(line.substr(0, eq));
    std::string_view value = Trim(line.substr(eq + 1));
    if (key.empty()) {
      Error("a line without a key before \"=\": ignored");
      return;
    }
    if (skipping_) return;
    if (current_ == nullptr) {
      GlobalKey(key, value);
    } else {
      SystemKey(key, value);
    }
  }

  void StartSystem(std::string_view line) {
    current_ = nullptr;
    skipping_ = true;
    auto skip = [this](const std::string& why) { Error(why + ": its lines are ignored"); };
    if (line.back() != ']' || line.size() < 3) {
      return skip("a system header is \"[NAME]\", not \"" + Printable(line) + "\"");
    }
    std::string_view name = Trim(line.substr(1, line.size() - 2));
    bool printable = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
      return static_cast<unsigned char>(c) > 0x20 && c != 0x7f && c != '[' && c != ']';
    });
    if (!printable) {
      return skip("system name \"" + Printable(name) +
                  "\" must be one word of printable characters");
    }
    for (const System& s : description_.systems) {
      if (EqualsNoCase(s.name, name)) {
        return skip("a second system [" + std::string(name) + "] (the first is in line " +
                    std::to_string(s.line) + ")");
      }
    }
    skipping_ = false;
    System system;
    system.name = std::string(name);
    system.line = line_;
    system.numbers = default_numbers_;
    system.epoch = default_epoch_;
    description_.systems.push_back(std::move(system));
    current_ = &description_.systems.back();
  }

  void GlobalKey(std::string_view key, std::string_view value) {
    if (EqualsNoCase(key, "calllog")) {
      description_.call_log = Unquote(value);
    } else if (EqualsNoCase(key, "numbers")) {
      ParseNumbers(value, &default_numbers_);
    } else if (EqualsNoCase(key, "epoch")) {
      ParseEpoch(value, &default_epoch_);
    } else {
      Error("\"" + Printable(key) +
            "\" before the first [SYSTEM] header: only calllog, numbers and epoch go there");
    }
  }

  void SystemKey(std::string_view key, std::string_view value) {
    static const std::pair<const char*, std::string System::*> kTexts[] = {
        {"HOST", &System::host},
        {"GWHOST", &System::gwhost},
        {"GWSERVICE", &System::gwservice},
        {"CLIENT", &System::client},
        {"USER", &System::user},
        {"PASSWORD", &System::password},
        {"SNC_PARTNERNAME", &System::snc_partnername},
    };
    System& s = *current_;
    std::string upper = Upper(key);
    for (const auto& [name, text] : kTexts) {
      if (upper == name) {
        s.*text = Unquote(value);
        return;
      }
    }
    if (upper == "SYSNR") {
      if (value.size() <= 2 && AllDigits(value)) {
        s.sysnr = std::stoi(std::string(value));
      } else {
        Error("sysnr \"" + Printable(value) + "\" is not a system number 00 to 99: ignored");
      }
    } else if (upper == "LANGUAGES") {
      ParseLanguages(value, &s.languages);
    } else if (upper == "NUMBERS") {
      ParseNumbers(value, &s.numbers);
    } else if (upper == "EPOCH") {
      ParseEpoch(value, &s.epoch);
    } else if (upper == "CALLLOG") {
      Error("calllog belongs before the first [SYSTEM] header: ignored");
    } else if (upper.starts_with("FAULT.")) {
      ParseFault(upper.substr(6), value);
    } else if (upper.starts_with("DELAY.")) {
      ParseDelay(upper.substr(6), value);
    } else {
      ParseAnswer(upper, value);
    }
  }

  static std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      return std::string(value.substr(1, value.size() - 2));
    }
    return std::string(value);
  }

  void ParseNumbers(std::string_view value, NumberStyle* style) {
    for (auto [name, named] : {std::pair{"right", NumberStyle::kRight},
                               {"grouped", NumberStyle::kGrouped},
                               {"left", NumberStyle::kLeft}}) {
      if (!EqualsNoCase(value, name)) continue;
      *style = named;
      return;
    }
    Error("numbers \"" + Printable(value) + "\" is none of right, grouped, left: ignored");
  }

  void ParseEpoch(std::string_view value, std::int64_t* epoch) {
    std::int64_t seconds = 0;
    int y, mo, d, h, mi, s;
    char tail;
    std::string v(value);
    if (EqualsNoCase(value, "file")) {
      *epoch = file_time_;
    } else if (ParseCount(value, &seconds)) {
      *epoch = seconds;
    } else if (v.size() == 19 &&
               std::sscanf(v.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s,
                           &tail) == 6 &&
               mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && s < 60) {
      *epoch = FromCivilUtc(y, mo, d, h, mi, s);
    } else {
      Error("epoch \"" + Printable(value) +
            "\" is none of: file, Unix seconds, \"YYYY-MM-DD hh:mm:ss\" (UTC): ignored");
    }
  }

  void ParseLanguages(std::string_view value, std::vector<std::string>* languages) {
    languages->clear();
    std::string v(value);
    std::replace(v.begin(), v.end(), ',', ' ');
    for (const std::string& word : Words(v)) {
      if (word.size() > 2) {
        Error("language \"" + Printable(word) + "\" is longer than two characters: ignored");
      } else {
        languages->push_back(Upper(word));
      }
    }
  }

  static bool IsFunctionTarget(std::string_view target) { return FindFunction(target) != nullptr; }

  // The target as the fault map spells it; "" when there is no such target.
  static std::string FaultTarget(const std::string& target_upper) {
    for (const char* target : {"open", "RfcInstallStructure", "ItCreate", "ItDelete"}) {
      if (Upper(target) == target_upper) return target;
    }
    return IsFunctionTarget(target_upper) ? target_upper : "";
  }

  static std::vector<std::string> Words(std::string_view rest) {
    std::vector<std::string> words;
    while (!(rest = Trim(rest)).empty()) {
      std::size_t end = rest.find_first_of(" \t");
      words.emplace_back(rest.substr(0, end));
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    return words;
  }

  // A function module's fault of the kind `kind` into *fault: "", or why
  // the words name none.
  static std::string FunctionFault(const std::string& kind, const std::vector<std::string>& words,
                                   Fault* fault) {
    if (kind == "FAILURE" && words.size() == 1) {
      fault->kind = Fault::Kind::kFailure;
      fault->code = RFC_FAILURE;
    } else if (kind == "EXCEPTION" && words.size() == 2) {
      fault->kind = Fault::Kind::kException;
      fault->code = RFC_EXCEPTION;
      fault->name = words[1];
    } else if ((kind == "SYSEXCEPTION" || kind == "MESSAGE") && words.size() <= 2) {
      fault->kind = Fault::Kind::kSysException;
      fault->code = RFC_SYS_EXCEPTION;
      fault->abap_message = kind == "MESSAGE";
      fault->name = words.size() == 2     ? words[1]
                    : fault->abap_message ? "MESSAGE_TYPE_X"
                                          : "SYSTEM_FAILURE";
    } else if (kind == "CODE" && words.size() == 2) {
      std::int64_t code = 0;
      bool negative = words[1].starts_with('-');
      if (!ParseCount(negative ? std::string_view(words[1]).substr(1) : words[1], &code) ||
          code > 2147483647) {
        return "the code must be a whole number";
      }
      fault->kind = Fault::Kind::kCode;
      fault->code = static_cast<int>(negative ? -code : code);
      if (fault->code == RFC_OK) return "code 0 is success, not a fault";
    } else if (kind == "FATAL" && words.size() == 1) {
      fault->kind = Fault::Kind::kFatal;
    } else {
      return "a function module takes \"failure\", \"exception NAME\", \"sysexception [NAME]\", "
             "\"code N\" or \"fatal\", each with \"at call\" if wanted";
    }
    return "";
  }

  // "KIND [ARGUMENT] [at call] [: message]" into a fault of `target`.
  void ParseFault(const std::string& target_upper, std::string_view value) {
    const std::string target = FaultTarget(target_upper);
    if (target.empty()) {
      Error("fault." + Printable(target_upper) +
            ": no such target (open, GET_CPU_ALL, RFC_SYSTEM_INFO, DB_ORA_MAIN_LIST, "
            "RfcInstallStructure, ItCreate, ItDelete): ignored");
      return;
    }
    Fault fault;
    std::size_t colon = value.find(':');
    if (colon != std::string_view::npos) {
      fault.message = std::string(Trim(value.substr(colon + 1)));
      value = Trim(value.substr(0, colon));
    }
    std::vector<std::string> words = Words(value);
    if (words.size() >= 2 && EqualsNoCase(words[words.size() - 2], "at") &&
        EqualsNoCase(words.back(), "call")) {
      fault.at_call = true;
      words.resize(words.size() - 2);
    }
    auto bad = [&](const std::string& why) {
      Error("fault." + target + " = \"" + Printable(value) + "\": " + why + ": ignored");
    };
    if (words.empty()) return bad("no fault kind");
    std::string kind = Upper(words[0]);
    bool is_function = IsFunctionTarget(target);
    if (target == "open") {
      if (kind == "REFUSE" && words.size() == 1) {
        fault.kind = Fault::Kind::kRefuse;
      } else if (kind == "FATAL" && words.size() == 1) {
        fault.kind = Fault::Kind::kFatal;
      } else {
        return bad("an open takes \"refuse\" or \"fatal\"");
      }
    } else if (!is_function) {
      if (kind != "FAIL" || words.size() > 2) return bad("this target takes \"fail [NAME]\"");
      fault.kind = Fault::Kind::kRefuse;
      if (words.size() == 2) fault.object = words[1];
    } else if (std::string why = FunctionFault(kind, words, &fault); !why.empty()) {
      return bad(why);
    }
    if (fault.at_call && !is_function) return bad("\"at call\" is for function modules");
    if (fault.at_call &&
        (fault.kind == Fault::Kind::kException || fault.kind == Fault::Kind::kSysException)) {
      return bad("exceptions come with the answer, not at the call");
    }
    if (fault.name.size() > 30) return bad("names are at most 30 characters");
    current_->faults[target] = std::move(fault);
  }

  void ParseDelay(const std::string& target_upper, std::string_view value) {
    std::string target = target_upper == "OPEN"    ? "open"
                         : target_upper == "CLOSE" ? "close"
                                                   : target_upper;
    if (target != "open" && target != "close" && !IsFunctionTarget(target)) {
      Error("delay." + Printable(target_upper) +
            ": no such target (open, close, GET_CPU_ALL, RFC_SYSTEM_INFO, DB_ORA_MAIN_LIST): "
            "ignored");
      return;
    }
    std::int64_t milli = 0;
    if (!ParseMilli(value, &milli) || milli > 86'400'000) {
      Error("delay." + target + " = \"" + Printable(value) +
            "\" is not a number of seconds up to 86400: ignored");
      return;
    }
    current_->delays[target] = static_cast<double>(milli) / 1000.0;
  }

  void ParseAnswer(const std::string& key_upper, std::string_view value) {
    ValueTarget target;
    if (!FindValueTarget(key_upper, &target)) {
      Error("\"" + Printable(key_upper) +
            "\" is no keyword and no field of RFCSI, TST04 (GLOBAL. for GST04) or "
            "parameter of GET_CPU_ALL/RFC_SYSTEM_INFO: ignored");
      return;
    }
    Value v;
    std::string why;
    if (!ParseValue(value, target, &v, &why)) {
      Error(key_upper + " = \"" + Printable(value) + "\": " + why + ": ignored");
      return;
    }
    current_->values[target.key] = std::move(v);
  }

  static bool ParseValue(std::string_view text, const ValueTarget& target, Value* v,
                         std::string* why) {
    bool integer_target = target.type == TYPINT || target.type == TYPINT2;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      v->kind = Value::Kind::kText;
      v->text = std::string(text.substr(1, text.size() - 2));
    } else if (AllDigits(text)) {
      v->kind = Value::Kind::kNumber;
      if (!ParseCount(text, &v->start)) return *why = "number too large", false;
    } else if (ParseGrowing(text, v)) {
      // kGrowing set by ParseGrowing.
    } else if (ParseClock(text, v)) {
      bool clock_target = target.type == TYPDATE || target.type == TYPTIME ||
                          target.key == "GET_CPU_ALL.LASTCOLLWRT";
      if (!clock_target) {
        return *why = "clock values go only into dates, times and LASTCOLLWRT", false;
      }
    } else {
      v->kind = Value::Kind::kText;
      v->text = std::string(text);
    }
    if (integer_target) {
      if (v->kind != Value::Kind::kNumber && v->kind != Value::Kind::kGrowing) {
        return *why = "an integer parameter takes a number", false;
      }
      if (v->start > 2147483647) return *why = "more than a 32-bit integer holds", false;
    }
    if (v->kind == Value::Kind::kText && v->text.size() > target.width) {
      *why = "the field holds " + std::to_string(target.width) + " characters, the text has " +
             std::to_string(v->text.size());
      return false;
    }
    return true;
  }

  // "START + RATE/s" (also /min and /h).
  static bool ParseGrowing(std::string_view text, Value* v) {
    std::size_t plus = text.find('+');
    std::size_t slash = text.rfind('/');
    if (plus == std::string_view::npos || slash == std::string_view::npos || slash < plus) {
      return false;
    }
    std::string_view start = Trim(text.substr(0, plus));
    std::string_view rate = Trim(text.substr(plus + 1, slash - plus - 1));
    std::string unit = Upper(Trim(text.substr(slash + 1)));
    std::int64_t per = unit == "S" ? 1 : unit == "MIN" ? 60 : unit == "H" ? 3600 : 0;
    std::int64_t milli = 0;
    if (per == 0 || !ParseCount(start, &v->start) || !ParseMilli(rate, &milli)) return false;
    v->kind = Value::Kind::kGrowing;
    v->rate_milli = milli;
    v->rate_period = per;
    return true;
  }

  // "clock", "clock +3600", "utc -90".
  static bool ParseClock(std::string_view text, Value* v) {
    std::string upper = Upper(text);
    v->utc = upper.starts_with("UTC");
    if (!v->utc && !upper.starts_with("CLOCK")) return false;
    std::string_view rest = Trim(text.substr(v->utc ? 3 : 5));
    v->offset = 0;
    if (!rest.empty()) {
      bool negative = rest.front() == '-';
      if (rest.front() != '+' && !negative) return false;
      std::int64_t offset = 0;
      if (!ParseCount(Trim(rest.substr(1)), &offset) || offset > 100LL * 366 * 86400) return false;
      v->offset = negative ? -offset : offset;
    }
    v->kind = Value::Kind::kClock;
    return true;
  }

  void Finish() {
    line_ = 0;
    for (const System& s : description_.systems) {
      std::string where = label_ + "(" + std::to_string(s.line) + "): [" + s.name + "] ";
      if ((s.host.empty() || s.sysnr < 0) && s.gwhost.empty()) {
        description_.errors.push_back(where +
                                      "has neither host and sysnr nor gwhost: no open reaches it");
      }
      if (s.client.empty() || s.user.empty() || s.password.empty()) {
        description_.errors.push_back(where +
                                      "lacks client, user or password: every logon is refused");
      }
      if (!s.host.empty() && s.sysnr >= 0) {
        const System* first = description_.FindByHost(s.host, s.sysnr);
        if (first != &s) {
          description_.errors.push_back(where + "has the host and system number of [" +
                                        first->name + "]: only that one is reached");
        }
      }
    }
  }

  std::string label_;
  std::int64_t file_time_;
  Description description_;
  System* current_ = nullptr;
  bool skipping_ = false;
  int line_ = 0;
  NumberStyle default_numbers_ = NumberStyle::kRight;
  std::int64_t default_epoch_ = file_time_;
};

}  // namespace

const System* Description::FindByHost(std::string_view host, int sysnr) const {
  // A listing run opens hundreds of systems: look them up by an index.
  if (!indexed_) {
    indexed_ = true;
    for (std::size_t i = 0; i < systems.size(); ++i) {
      const System& s = systems[i];
      if (s.host.empty() || s.sysnr < 0) continue;
      by_host_.try_emplace(Upper(s.host) + "/" + std::to_string(s.sysnr), i);
    }
  }
  auto it = by_host_.find(Upper(host) + "/" + std::to_string(sysnr));
  return it == by_host_.end() ? nullptr : &systems[it->second];
}

const System* Description::FindByGateway(std::string_view gwhost,
                                         std::string_view gwservice) const {
  for (const System& s : systems) {
    if (s.gwhost.empty() || !EqualsNoCase(s.gwhost, gwhost)) continue;
    if (!s.gwservice.empty() && s.gwservice != gwservice) continue;
    return &s;
  }
  return nullptr;
}

Description ParseDescription(std::string_view text, std::string_view file_label,
                             std::int64_t file_time) {
  return Parser(file_label, file_time).Parse(text);
}

bool FindValueTarget(std::string_view key, ValueTarget* target) {
  std::string upper = Upper(key);
  auto element = [&](const char* structure, std::string_view name) {
    const StructureSpec* s = FindStructure(structure);
    int index = FindElement(*s, name);
    if (index < 0) return false;
    const ElementSpec& e = s->elements[static_cast<std::size_t>(index)];
    *target = {std::string(structure) + "." + e.name, e.type, e.length};
    return true;
  };
  auto parameter = [&](const char* function, std::string_view name) {
    const FunctionSpec* f = FindFunction(function);
    const ParameterSpec* p = FindParameter(f->importing, name);
    if (p == nullptr || p->structure != nullptr) return false;
    *target = {std::string(function) + "." + p->name, p->type, p->length};
    return true;
  };
  std::string_view k = upper;
  if (k.starts_with("GLOBAL.")) return element("GST04", k.substr(7));
  if (k.starts_with("DBORA.")) return element("TST04", k.substr(6));
  if (k.starts_with("RFCSI.")) return element("RFCSI", k.substr(6));
  return element("RFCSI", k) || parameter("GET_CPU_ALL", k) || parameter("RFC_SYSTEM_INFO", k) ||
         element("TST04", k);
}

std::int64_t NumberAt(const Value& value, std::int64_t epoch, std::int64_t now) {
  if (value.kind == Value::Kind::kNumber) return value.start;
  if (value.kind != Value::Kind::kGrowing) return 0;
  // Totals stop at 18 digits rather than overflow; no field holds more.
  constexpr std::int64_t kMax = 999'999'999'999'999'999;
  std::int64_t elapsed = std::max<std::int64_t>(0, now - epoch);
  if (value.rate_milli != 0 && elapsed > kMax / value.rate_milli) return kMax;
  std::int64_t grown = elapsed * value.rate_milli / (1000 * value.rate_period);
  return grown > kMax - value.start ? kMax : value.start + grown;
}

std::string FormatValue(const Value& value, int type, unsigned width, NumberStyle style,
                        std::int64_t epoch, std::int64_t now) {
  std::string text;
  bool right = false;
  switch (value.kind) {
    case Value::Kind::kText:
      text = value.text;
      break;
    case Value::Kind::kNumber:
    case Value::Kind::kGrowing: {
      std::string digits = std::to_string(NumberAt(value, epoch, now));
      if (style == NumberStyle::kGrouped) {
        for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ".");
      }
      text = digits;
      right = style != NumberStyle::kLeft;
      if (text.size() > width && width > 0) text = "*" + text.substr(text.size() - width + 1);
      break;
    }
    case Value::Kind::kClock: {
      CivilTime t = ToCivil(now + value.offset, value.utc);
      char buffer[32];
      if (type == TYPDATE) {
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", t.year % 10000, t.month, t.day);
      } else if (type == TYPTIME) {
        std::snprintf(buffer, sizeof buffer, "%02d%02d%02d", t.hour, t.minute, t.second);
      } else {
        std::snprintf(buffer, sizeof buffer, "%s", CollectorTimestamp(t).c_str());
      }
      text = buffer;
      break;
    }
  }
  if (text.size() > width) text.resize(width);
  if (right) {
    text.insert(0, width - text.size(), ' ');
  } else {
    text.resize(width, ' ');
  }
  return text;
}

CivilTime ToCivil(std::int64_t seconds, bool utc) {
  // The local time zone is looked up by the C library on every call; an
  // answer converts the same second many times.
  static std::int64_t cached_seconds = 0;
  static bool cached_valid = false;
  static CivilTime cached;
  if (!utc && cached_valid && cached_seconds == seconds) return cached;
  CivilTime t;
  if (!utc) {
    std::time_t tt = static_cast<std::time_t>(seconds);
    if (static_cast<std::int64_t>(tt) == seconds) {
      if (const std::tm* tm = std::localtime(&tt)) {
        t.year = tm->tm_year + 1900;
        t.month = tm->tm_mon + 1;
        t.day = tm->tm_mday;
        t.hour = tm->tm_hour;
        t.minute = tm->tm_min;
        t.second = tm->tm_sec;
        t.weekday = tm->tm_wday;
        cached = t;
        cached_seconds = seconds;
        cached_valid = true;
        return t;
      }
    }
  }
  std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  std::int64_t rest = seconds - days * 86400;
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest % 3600 / 60);
  t.second = static_cast<int>(rest % 60);
  t.weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  // Civil date from days since 1970-01-01.
  std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (t.month <= 2));
  return t;
}

std::string CollectorTimestamp(const CivilTime& t) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %s %2d %02d:%02d:%02d %04d",
                kDays[(t.weekday % 7 + 7) % 7], kMonths[(t.month + 11) % 12], t.day, t.hour,
                t.minute, t.second, t.year % 10000);
  return buffer;
}

}  // namespace tidewarden::sim
