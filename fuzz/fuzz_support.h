// What every harness shares: a failed property stops the fuzzer with the
// reason, a sound sensor profile to start from, and the checks of a
// rewritten profile.
#ifndef TIDEWARDEN_FUZZ_FUZZ_SUPPORT_H_
#define TIDEWARDEN_FUZZ_FUZZ_SUPPORT_H_

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace tidewarden::fuzz {

// A broken property is a finding like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(condition, what)                                                               \
  do {                                                                                            \
    if (!(condition)) {                                                                           \
      std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d): %s\n", #condition, __FILE__, __LINE__, \
                   std::string(what).c_str());                                                    \
      std::abort();                                                                               \
    }                                                                                             \
  } while (0)

// The lines of `content` as the rewrite keeps them: split at LF, a CR
// before it or a lone CR at the very end removed; a byte order mark at the
// start stays on the first line.
std::vector<std::string> WholeLines(std::string_view content);

// The text with every byte outside printable ASCII as \xNN, for messages.
std::string Escaped(std::string_view text);

// A profile that passes every check of the system entry (destination PRD).
std::string SoundProfile();

// A run ends with exit code 0 or 2, and a failed one (2) with the whole
// error document, however long its text.
void CheckRunEnding(int code, const std::string& output);

// Checks a profile the probe rewrote from `before`: every line that was no
// state or history line is there once and in order, then exactly one state
// line and at most one history line, nothing else. Returns "" when it holds,
// else the reason.
std::string CheckRewrittenProfile(std::string_view before, std::string_view after);

}  // namespace tidewarden::fuzz

#endif  // TIDEWARDEN_FUZZ_FUZZ_SUPPORT_H_
