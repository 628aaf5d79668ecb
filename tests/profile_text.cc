#include "tests/profile_text.h"

#include <gtest/gtest.h>

#include "profiles/password.h"

namespace tidewarden {

std::string StoredPassword(std::string_view clear_text, std::uint32_t seed) {
  std::string stored;
  EXPECT_EQ(ScramblePassword(std::string(clear_text), PasswordKeys(), seed, &stored), std::nullopt);
  return stored;
}

}  // namespace tidewarden
