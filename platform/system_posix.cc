// Clock, console and process end on POSIX.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/system.h"

namespace tidewarden {
namespace {

class PosixClock : public Clock {
 public:
  TimeOfDay LocalTimeOfDay() override {
    std::time_t now = std::time(nullptr);
    struct tm local;
    if (::localtime_r(&now, &local) == nullptr) return {};
    return {local.tm_hour, local.tm_min, local.tm_sec};
  }
};

class StdoutConsole : public Console {
 public:
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
};

}  // namespace

// Never destroyed: a thread the run left behind may still use them while
// the process ends.
Clock& SystemClock() {
  static Clock* clock = new PosixClock;
  return *clock;
}

Console& StandardOutput() {
  static Console* console = new StdoutConsole;
  return *console;
}

void EndProcess(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace tidewarden
