// Files the probe writes end their lines the platform's way (CR LF on
// Windows). Tests state expectations with "\n" and convert at the comparison.
#ifndef TIDEWARDEN_TESTS_LINE_ENDS_H_
#define TIDEWARDEN_TESTS_LINE_ENDS_H_

#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace tidewarden {

// `text` written with "\n" line ends, as the platform writes it. A line that
// already ends in CR LF stays as it is, as the profile rewrite keeps it.
inline std::string Native(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      out += kNativeLineEnd;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A file's content with CR LF read back as LF.
inline std::string Lf(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_LINE_ENDS_H_
