// The numbered messages of failed calls.
#include "driver/documents.h"

#include <gtest/gtest.h>

#include "rfc/classic/saprfc.h"

namespace tidewarden {
namespace {

TEST(CallFailureMessageTest, MessagePerCode) {
  struct {
    RFC_RC code;
    const char* exception;
    const char* expected;
  } cases[] = {
      {RFC_OK, "", ""},
      {RFC_FAILURE, "", "Error 1014: RFC-Failure raised !"},
      {RFC_EXCEPTION, "NO_DATA", "Error 1012: Exception.: NO_DATA"},
      {RFC_EXCEPTION, "", "Error 1012: Exception.: "},
      {RFC_SYS_EXCEPTION, "X", "Error 1013: Sys-Exception raised !"},
      {7, "", "Error 1015: Other Failure raised !"},
      {-1, "", "Error 1015: Other Failure raised !"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallFailureMessage(c.code, c.exception), c.expected) << c.code;
  }
}

}  // namespace
}  // namespace tidewarden
