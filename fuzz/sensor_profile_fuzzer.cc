// Fuzzes the sensor profile readers: the single-profile reading with the
// password unscrambling, and the pass reading over the fields an earlier
// system left, plus the stored-password scheme on its own.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "profiles/password.h"
#include "profiles/system_entry.h"

namespace tidewarden::fuzz {
namespace {

void CheckWidths(const ConnectionParameters& parameters) {
  for (const EntryField& field : EntryFields()) {
    FUZZ_CHECK((parameters.*field.field).size() <= field.width, std::string(field.label));
  }
  FUZZ_CHECK(parameters.password.size() <= kMaxPasswordLength, "password");
  FUZZ_CHECK(parameters.display_host.size() <= 47, "display host");
}

// No variable is set: an "env:" password reads as empty, whatever the
// machine's environment holds.
class NoEnvironment : public EnvironmentVariables {
 public:
  std::optional<std::string> Value(const std::string&) override { return std::nullopt; }
};

void FuzzOne(std::string_view content) {
  ConnectionParameters parameters;
  ProfileLines lines;
  NoEnvironment environment;
  const Status read =
      ReadSystemEntry(content, "PRD.P00", PasswordKeys(), environment, &parameters, &lines);
  const std::optional<std::string> message =
      read.ok() ? std::nullopt : std::optional<std::string>(read.message());
  CheckWidths(parameters);
  // Every line is kept whole, whatever the readers' line room.
  FUZZ_CHECK(lines.lines == WholeLines(content), "profile lines");
  if (message) {
    FUZZ_CHECK(message->compare(0, 6, "Error ") == 0, *message);
    const std::string code = message->substr(6, 4);
    FUZZ_CHECK(code >= "1003" && code <= "1007", *message);
  } else {
    FUZZ_CHECK(!parameters.user.empty() && !parameters.password.empty(), "passed without logon");
  }

  // The pass reading over what the previous system left, as in a listing run.
  ConnectionParameters carried = parameters;
  static_cast<void>(
      ReadSystemEntryForPass(content, "PRD.P00", PasswordKeys(), environment, &carried));
  CheckWidths(carried);

  const UnscrambledPassword password = UnscramblePassword(content, PasswordKeys());
  FUZZ_CHECK(password.outcome == PasswordOutcome::kText || password.text.empty(), "no outcome");
  FUZZ_CHECK(password.text.size() <= kMaxPasswordLength, "password length");
  if (content.size() != kStoredPasswordLength) {
    FUZZ_CHECK(password.outcome == PasswordOutcome::kInvalid, "not 24 characters");
  }
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  tidewarden::fuzz::FuzzOne(std::string_view(reinterpret_cast<const char*>(bytes), size));
  return 0;
}
