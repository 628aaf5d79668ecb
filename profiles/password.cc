// The password scheme: unscrambling for the probe, scrambling for the tool.
#include "profiles/password.h"

#include <algorithm>
#include <random>
#include <vector>

namespace tidewarden {
namespace {

constexpr std::size_t kHeaderLength = 4;
constexpr std::size_t kBodyLength = 20;
constexpr int kMaxKeyOffset = 9;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool CountsForCheck(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsStorable(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

// The clear text takes the body bytes alternately from the front and from
// the back: clear position p (0-based) comes from body position BodyIndex(p).
std::size_t BodyIndex(std::size_t clear_position) {
  const std::size_t pair = clear_position / 2;
  return clear_position % 2 == 0 ? pair : kBodyLength - 1 - pair;
}

// Key byte for body position i (0-based) under key offset k: byte k + i + 1
// counted from 1.
std::uint8_t BodyKey(const PasswordKeyTable& keys, int key_offset, std::size_t body_index) {
  return keys[static_cast<std::size_t>(key_offset) + body_index];
}

int CheckDigit(std::string_view clear_text) {
  unsigned sum = 0;
  for (char c : clear_text) {
    const auto u = static_cast<unsigned char>(c);
    if (CountsForCheck(u)) sum += u;
  }
  return static_cast<int>(sum % 10);
}

}  // namespace

const PasswordKeyTable& PasswordKeys() {
  static const PasswordKeyTable keys = {0x03, 0x05, 0x1B, 0x0E, 0x11, 0x07, 0x1D, 0x02,
                                        0x19, 0x0C, 0x15, 0x0A, 0x1F, 0x04, 0x17, 0x09,
                                        0x12, 0x06, 0x1C, 0x01, 0x18, 0x0B, 0x14, 0x0F,
                                        0x1A, 0x03, 0x16, 0x08, 0x1E, 0x0D, 0x10, 0x11};
  return keys;
}

std::optional<std::string> PasswordVariable(std::string_view value) {
  if (!value.starts_with(kPasswordVariablePrefix)) return std::nullopt;
  const std::string_view name = value.substr(kPasswordVariablePrefix.size());
  if (name.empty() || name.size() > kMaxPasswordVariableName) return std::nullopt;
  for (char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && !IsDigit(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
  }
  return std::string(name);
}

Status CheckEnvironmentPassword(std::string_view password, std::size_t room) {
  for (std::size_t i = 0; i < password.size(); ++i) {
    const auto c = static_cast<unsigned char>(password[i]);
    if (c < 0x20 || c > 0x7E) {
      return Status::Error("character " + std::to_string(i + 1) +
                           " is no printable ASCII character");
    }
  }
  if (password.size() > room) {
    return Status::Error(std::to_string(password.size()) +
                         " characters, more than the library's room of " + std::to_string(room));
  }
  return Status::Ok();
}

UnscrambledPassword UnscramblePassword(std::string_view stored, const PasswordKeyTable& keys) {
  UnscrambledPassword result;
  if (stored.size() != kStoredPasswordLength) return result;
  int header[kHeaderLength];
  for (std::size_t i = 0; i < kHeaderLength; ++i) {
    const auto c = static_cast<unsigned char>(static_cast<unsigned char>(stored[i]) ^ keys[i]);
    if (!IsDigit(c)) return result;
    header[i] = c - '0';
  }
  const int check_digit = header[0];
  const int key_offset = header[1];
  const std::size_t length = static_cast<std::size_t>(header[2] * 10 + header[3]);

  unsigned char body[kBodyLength];
  for (std::size_t i = 0; i < kBodyLength; ++i) {
    body[i] = static_cast<unsigned char>(stored[kHeaderLength + i]) ^ BodyKey(keys, key_offset, i);
  }
  std::string clear_text;
  for (std::size_t p = 0; p < kBodyLength; ++p) {
    const unsigned char c = body[BodyIndex(p)];
    if (c != 0) clear_text.push_back(static_cast<char>(c));
  }
  if (CheckDigit(clear_text) != check_digit) {
    result.outcome = PasswordOutcome::kWrong;
    return result;
  }
  result.outcome = PasswordOutcome::kText;
  result.text = clear_text.substr(0, std::min(length, clear_text.size()));
  return result;
}

std::string EncodeStoredPassword(std::string_view clear_text, int key_offset, int length,
                                 const PasswordKeyTable& keys) {
  std::string stored(kStoredPasswordLength, '\0');
  const int digits[kHeaderLength] = {CheckDigit(clear_text), key_offset, length / 10, length % 10};
  for (std::size_t i = 0; i < kHeaderLength; ++i) {
    stored[i] = static_cast<char>(('0' + digits[i]) ^ keys[i]);
  }
  for (std::size_t p = 0; p < kBodyLength; ++p) {
    const std::size_t b = BodyIndex(p);
    stored[kHeaderLength + b] =
        static_cast<char>(static_cast<unsigned char>(clear_text[p]) ^ BodyKey(keys, key_offset, b));
  }
  return stored;
}

namespace {

// Whether `password` can be stored at all, whatever the keys.
Status CheckStorableText(std::string_view password) {
  if (password.empty()) return Status::Error("The password is empty.");
  if (password.size() > kMaxPasswordLength) {
    return Status::Error("The password has " + std::to_string(password.size()) +
                         " characters; at most 20 can be stored.");
  }
  for (std::size_t i = 0; i < password.size(); ++i) {
    const auto c = static_cast<unsigned char>(password[i]);
    if (c < 0x20 || c > 0x7E) {
      return Status::Error("Character " + std::to_string(i + 1) +
                           " of the password is no printable ASCII character (blank to ~); "
                           "only those can be stored.");
    }
  }
  return Status::Ok();
}

// Whether `digit` at header position `i` stays printable once keyed.
bool HeaderStorable(const PasswordKeyTable& keys, std::size_t i, int digit) {
  return IsStorable(static_cast<unsigned char>(('0' + digit) ^ keys[i]));
}

// The key offsets under which the offset digit and every character of
// `password` stay printable.
std::vector<int> StorableKeyOffsets(std::string_view password, const PasswordKeyTable& keys) {
  std::vector<int> offsets;
  for (int k = 0; k <= kMaxKeyOffset; ++k) {
    if (!HeaderStorable(keys, 1, k)) continue;
    bool fits = true;
    for (std::size_t p = 0; p < password.size() && fits; ++p) {
      const std::size_t b = BodyIndex(p);
      fits = IsStorable(static_cast<unsigned char>(password[p]) ^ BodyKey(keys, k, b));
    }
    if (fits) offsets.push_back(k);
  }
  return offsets;
}

// The characters that stay printable at clear position `p` once keyed.
std::vector<unsigned char> FillerCandidates(const PasswordKeyTable& keys, int key_offset,
                                            std::size_t p) {
  std::vector<unsigned char> candidates;
  const std::uint8_t key = BodyKey(keys, key_offset, BodyIndex(p));
  for (unsigned c = 0x21; c <= 0x7E; ++c) {
    if (IsStorable(static_cast<unsigned char>(c ^ key))) {
      candidates.push_back(static_cast<unsigned char>(c));
    }
  }
  return candidates;
}

// The password and its filler up to the body's length. The filler is
// ignored by the unscrambling but counts in the check digit: it is chosen so
// that the header stays printable.
Result<std::string> FillClearText(std::string_view password, const PasswordKeyTable& keys,
                                  int key_offset, std::mt19937& random) {
  std::string clear_text(password);
  for (std::size_t p = password.size(); p < kBodyLength; ++p) {
    const std::vector<unsigned char> candidates = FillerCandidates(keys, key_offset, p);
    clear_text.push_back(static_cast<char>(candidates[random() % candidates.size()]));
  }
  if (HeaderStorable(keys, 0, CheckDigit(clear_text))) return clear_text;
  if (password.size() == kBodyLength) {
    return Failure{
        "This 20-character password cannot be stored: its check digit would become a "
        "blank or a control character in the stored form. Change a character or use at "
        "most 19 characters."};
  }
  std::vector<unsigned char> candidates = FillerCandidates(keys, key_offset, password.size());
  std::shuffle(candidates.begin(), candidates.end(), random);
  for (unsigned char c : candidates) {
    clear_text[password.size()] = static_cast<char>(c);
    if (HeaderStorable(keys, 0, CheckDigit(clear_text))) return clear_text;
  }
  return Failure{"This password cannot be stored printably. Change a character."};
}

}  // namespace

Result<std::string> ScramblePassword(std::string_view password, const PasswordKeyTable& keys,
                                     std::uint32_t seed) {
  if (Status storable = CheckStorableText(password); !storable.ok()) return FailureOf(storable);
  const int length = static_cast<int>(password.size());
  if (!HeaderStorable(keys, 2, length / 10) || !HeaderStorable(keys, 3, length % 10)) {
    return Failure{"A password of " + std::to_string(length) +
                   " characters cannot be stored printably."};
  }
  const std::vector<int> offsets = StorableKeyOffsets(password, keys);
  if (offsets.empty()) {
    return Failure{
        "This password cannot be stored: with every key offset one of its characters would "
        "become a blank or a control character in the stored form. Change a character."};
  }

  std::mt19937 random(seed);
  const int key_offset = offsets[random() % offsets.size()];
  const Result<std::string> clear_text = FillClearText(password, keys, key_offset, random);
  if (!clear_text.ok()) return clear_text;

  std::string result = EncodeStoredPassword(*clear_text, key_offset, length, keys);
  const UnscrambledPassword back = UnscramblePassword(result, keys);
  if (back.outcome != PasswordOutcome::kText || back.text != password ||
      !std::all_of(result.begin(), result.end(),
                   [](char c) { return IsStorable(static_cast<unsigned char>(c)); })) {
    return Failure{"Internal fault: the stored form does not give the password back."};
  }
  return result;
}

}  // namespace tidewarden
