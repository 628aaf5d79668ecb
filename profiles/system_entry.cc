// Reading the system entry of a sensor profile into the connection parameters.
#include "profiles/system_entry.h"

#include "base/text.h"
#include "profiles/line_reader.h"

namespace tidewarden {
namespace {

using Fields = std::array<EntryField, 11>;

constexpr std::size_t kUserField = 3;
constexpr std::size_t kPasswordField = 4;
constexpr std::size_t kDisplayHostWidth = 47;

// Fields whose value in this profile was longer than the field's width.
using Overlong = std::array<bool, 11>;

enum class PasswordLine { kNone, kInvalid, kWrong };

// Key recognition: stores the value of a known entry line in its field, and
// marks the line in *given (when given).
PasswordLine ApplyEntryLine(std::string_view line, const PasswordKeyTable& keys,
                            EnvironmentVariables& environment, ConnectionParameters* parameters,
                            Overlong* overlong, EntryLinesGiven* given = nullptr) {
  const std::optional<EntryLine> entry = SplitEntryLine(line);
  if (!entry) return PasswordLine::kNone;
  const Fields& fields = EntryFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (entry->label != fields[i].label) continue;
    if (given != nullptr) given->set(i);
    std::string& field = parameters->*fields[i].field;
    if (i == kPasswordField) {
      if (entry->value.empty()) {
        field.clear();
        parameters->password_variable.clear();
        return PasswordLine::kNone;
      }
      // A variable that is not set empties the password: the system never
      // logs on with one an earlier system left.
      if (auto variable = PasswordVariable(entry->value)) {
        field = environment.Value(*variable).value_or("");
        parameters->password_variable = std::move(*variable);
        return PasswordLine::kNone;
      }
      UnscrambledPassword password = UnscramblePassword(entry->value, keys);
      if (password.outcome == PasswordOutcome::kInvalid) return PasswordLine::kInvalid;
      if (password.outcome == PasswordOutcome::kWrong) return PasswordLine::kWrong;
      field = std::move(password.text);
      parameters->password_variable.clear();
      return PasswordLine::kNone;
    }
    std::string value = i == kUserField ? UpperCase(entry->value) : entry->value;
    // The logon data is not guessed at: a value without room, in its field
    // or in the line, is kept cut but fails the checks (a cut host name
    // would log on somewhere else).
    (*overlong)[i] = entry->cut || value.size() > fields[i].width;
    if (value.size() > fields[i].width) value.resize(fields[i].width);
    field = std::move(value);
    if (i == kHostnameEntry) parameters->display_host = field.substr(0, kDisplayHostWidth);
    return PasswordLine::kNone;
  }
  return PasswordLine::kNone;
}

enum class EntryFault { kNone, kUserMissing, kPasswordMissing, kInvalidParameters };

// *invalid, when given, receives the index of the field a 1003 is about.
EntryFault CheckParameters(const ConnectionParameters& parameters, const Overlong& overlong,
                           std::size_t* invalid = nullptr) {
  if (parameters.user.empty()) return EntryFault::kUserMissing;
  if (parameters.password.empty()) return EntryFault::kPasswordMissing;
  const Fields& fields = EntryFields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if ((parameters.*fields[i].field).size() < fields[i].minimum_length || overlong[i]) {
      if (invalid != nullptr) *invalid = i;
      return EntryFault::kInvalidParameters;
    }
  }
  return EntryFault::kNone;
}

// The numbered message of the first fault: a bad stored password before the
// checks of the whole entry.
Status EntryStatus(PasswordLine password, EntryFault fault, const std::string& profile_name) {
  switch (password) {
    case PasswordLine::kInvalid:
      return Status::Error("Error 1004: Invalid Password in Profile " + profile_name + " found...");
    case PasswordLine::kWrong:
      return Status::Error("Error 1005: Wrong Password in Profile " + profile_name + " found...");
    case PasswordLine::kNone:
      break;
  }
  switch (fault) {
    case EntryFault::kUserMissing:
      return Status::Error("Error 1006: Username in Profile " + profile_name + " is missing...");
    case EntryFault::kPasswordMissing:
      return Status::Error("Error 1007: Password in Profile " + profile_name + " is missing...");
    case EntryFault::kInvalidParameters:
      return Status::Error("Error 1003: Invalid Parameter(s) at " + profile_name + " found...");
    case EntryFault::kNone:
      break;
  }
  return Status::Ok();
}

}  // namespace

const std::array<EntryField, 11>& EntryFields() {
  static const Fields fields = {{
      {"Extcompany.:", &ConnectionParameters::extcompany, 63, 2},
      {"Destination:", &ConnectionParameters::destination, 11, 3},
      {"Client.....:", &ConnectionParameters::client, 11, 3},
      {"User.......:", &ConnectionParameters::user, 47, 2},
      {"Password...:", &ConnectionParameters::password, 31, 2},
      {"Language...:", &ConnectionParameters::language, 31, 1},
      {"Mode.......:", &ConnectionParameters::mode, 31, 3},
      {"Hostname...:", &ConnectionParameters::hostname, 47, 2},
      {"Sysnr......:", &ConnectionParameters::sysnr, 31, 2},
      {"Gwhost.....:", &ConnectionParameters::gwhost, 61, 2},
      {"Gwservice..:", &ConnectionParameters::gwservice, 31, 2},
  }};
  return fields;
}

Status ReadSystemEntry(std::string_view content, const std::string& profile_name,
                       const PasswordKeyTable& keys, EnvironmentVariables& environment,
                       ConnectionParameters* parameters, ProfileLines* lines) {
  // The rewrite gives back every line whole, however long: a pass of its own
  // without the entry reader's line room.
  lines->lines.clear();
  LineReader whole_lines(content, 0);
  std::string line;
  while (whole_lines.Next(&line)) lines->lines.push_back(line);
  // The file goes back to the editor that wrote it as it came.
  if (content.starts_with("\xEF\xBB\xBF")) {
    if (lines->lines.empty()) lines->lines.emplace_back();
    lines->lines.front().insert(0, "\xEF\xBB\xBF");
  }

  Overlong overlong{};
  LineReader reader(content, kSingleProfileLineRoom);
  while (reader.Next(&line)) {
    const PasswordLine password = ApplyEntryLine(line, keys, environment, parameters, &overlong);
    if (password != PasswordLine::kNone)
      return EntryStatus(password, EntryFault::kNone, profile_name);
  }
  return EntryStatus(PasswordLine::kNone, CheckParameters(*parameters, overlong), profile_name);
}

std::optional<InvalidField> FindInvalidField(std::string_view content, const PasswordKeyTable& keys,
                                             EnvironmentVariables& environment) {
  ConnectionParameters parameters;
  Overlong overlong{};
  LineReader reader(content, kSingleProfileLineRoom);
  std::string line;
  while (reader.Next(&line)) {
    if (ApplyEntryLine(line, keys, environment, &parameters, &overlong) != PasswordLine::kNone) {
      return std::nullopt;
    }
  }
  std::size_t i = 0;
  if (CheckParameters(parameters, overlong, &i) != EntryFault::kInvalidParameters) {
    return std::nullopt;
  }
  const EntryField& field = EntryFields()[i];
  return InvalidField{&field, overlong[i], (parameters.*field.field).size()};
}

Status ReadSystemEntryForPass(std::string_view content, const std::string& profile_name,
                              const PasswordKeyTable& keys, EnvironmentVariables& environment,
                              ConnectionParameters* parameters, EntryLinesGiven* given) {
  if (given != nullptr) given->reset();
  Overlong overlong{};
  PasswordLine first_bad_password = PasswordLine::kNone;
  LineReader reader(content, kPassProfileLineRoom);
  std::string line;
  // A bad stored password fails the system but leaves Password as it was,
  // and the rest of the profile is still read.
  while (reader.Next(&line)) {
    const PasswordLine password =
        ApplyEntryLine(line, keys, environment, parameters, &overlong, given);
    if (first_bad_password == PasswordLine::kNone) first_bad_password = password;
  }
  return EntryStatus(first_bad_password, CheckParameters(*parameters, overlong), profile_name);
}

}  // namespace tidewarden
