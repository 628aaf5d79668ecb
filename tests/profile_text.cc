#include "tests/profile_text.h"

#include <gtest/gtest.h>

#include "profiles/password.h"

namespace tidewarden {

std::string StoredPassword(std::string_view clear_text, std::uint32_t seed) {
  const Result<std::string> stored = ScramblePassword(clear_text, PasswordKeys(), seed);
  EXPECT_TRUE(stored.ok());
  return stored.ok() ? *stored : "";
}

}  // namespace tidewarden
