// The password scheme of the sensor profiles: a 24-character stored form,
// a 4-character header (check digit, key offset, length) and a 20-character
// body, both combined with the password key table.
#ifndef TIDEWARDEN_PROFILES_PASSWORD_H_
#define TIDEWARDEN_PROFILES_PASSWORD_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

UnscrambledPassword UnscramblePassword(std::string_view stored, const PasswordKeyTable& keys);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PROFILES_PASSWORD_H_
