// The password scheme of the sensor profiles: a 24-character stored form,
// a 4-character header (check digit, key offset, length) and a 20-character
// body, both combined with the password key table.
#ifndef TIDEWARDEN_PROFILES_PASSWORD_H_
#define TIDEWARDEN_PROFILES_PASSWORD_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace tidewarden {

using PasswordKeyTable = std::array<std::uint8_t, 32>;

// The one key table of the probe and of tidewarden-profile. Stored passwords
// only unscramble with the table they were made with: never change a value.
// All values lie below 0x20, so combining keeps a character within its block
// of 32 and printable stored forms can always be made.
const PasswordKeyTable& PasswordKeys();

enum class PasswordOutcome { kInvalid, kWrong, kText };

struct UnscrambledPassword {
  PasswordOutcome outcome = PasswordOutcome::kInvalid;
  std::string text;  // the password when outcome is kText
};

inline constexpr std::size_t kStoredPasswordLength = 24;
inline constexpr std::size_t kMaxPasswordLength = 20;

// A "Password...:" value "env:NAME" takes the password from the environment
// variable NAME of the run (1 to 56 letters, digits and underscores), so
// that a monitor's credential store can hand it over. No stored form begins
// with "env:": its first character never decodes to a digit.
inline constexpr std::string_view kPasswordVariablePrefix = "env:";
inline constexpr std::size_t kMaxPasswordVariableName = 56;

// NAME of an "env:NAME" value; nullopt for any other value (a stored form,
// or "env:" with a name that breaks the rules, which is then an invalid
// stored form).
std::optional<std::string> PasswordVariable(std::string_view value);

// Whether a password from the environment can be passed to a library with
// room for `room` characters; when not, why, for the log (never the value).
// Only printable ASCII passes, as for a stored password.
Status CheckEnvironmentPassword(std::string_view password, std::size_t room);

// Invalid: not exactly 24 characters, or a header that does not decode to
// four digits. Wrong: the check digit does not match the clear text. Text:
// the password, at most 20 characters (empty for a stored length of 00).
UnscrambledPassword UnscramblePassword(std::string_view stored, const PasswordKeyTable& keys);

// The stored form of a 20-byte clear text (the password followed by filler;
// a zero byte is left out when unscrambling) under key offset `key_offset`
// (0 to 9) and the stored length `length` (0 to 99), with the check digit
// made to match. Makes no promise that the result is printable: it is the
// building block of ScramblePassword and lets tests make stored forms of any
// byte value.
// REQUIRES: clear_text.size() == 20, 0 <= key_offset <= 9, 0 <= length <= 99.
std::string EncodeStoredPassword(std::string_view clear_text, int key_offset, int length,
                                 const PasswordKeyTable& keys);

// Makes the stored form of `password` for a profile: 24 characters of
// printable ASCII without blanks (0x21 to 0x7E), so no editor strips or
// mangles it, that UnscramblePassword turns back into `password`. `seed`
// picks the key offset and the filler among those that keep the stored form
// printable, so equal passwords need not look alike. Fails with a message
// for the user saying why the password cannot be stored (empty, more than 20
// characters, a character other than printable ASCII, or no key offset or
// filler that keeps the stored form printable).
Result<std::string> ScramblePassword(std::string_view password, const PasswordKeyTable& keys,
                                     std::uint32_t seed);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_PASSWORD_H_
