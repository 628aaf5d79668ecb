// The console on standard output, the same on every operating system: on
// Windows stdout stays in text mode, so the C runtime turns each "\n" into
// CR LF as the monitors expect.
#include <cstdio>

#include "platform/system.h"

namespace tidewarden {
namespace {

class StdoutConsole : public Console {
 public:
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
};

}  // namespace

Console& StandardOutput() { return NeverDestroyed<StdoutConsole>(); }

}  // namespace tidewarden
