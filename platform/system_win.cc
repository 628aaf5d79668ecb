// Clock, console and process end on Windows.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/system.h"

namespace tidewarden {
namespace {

class WindowsClock : public Clock {
 public:
  TimeOfDay LocalTimeOfDay() override {
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
  }
};

// stdout stays in text mode, so the C runtime turns each "\n" into CR LF as
// the monitors expect.
class StdoutConsole : public Console {
 public:
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
};

}  // namespace

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}

Console& StandardOutput() {
  static StdoutConsole console;
  return console;
}

void EndProcess(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace tidewarden
