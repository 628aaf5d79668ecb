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

// Never destroyed: a thread the run left behind may still use them while
// the process ends.
Clock& SystemClock() {
  static Clock* clock = new WindowsClock;
  return *clock;
}

Console& StandardOutput() {
  static Console* console = new StdoutConsole;
  return *console;
}

void EndProcess(int code) {
  std::fflush(stdout);
  // Not ExitProcess (nor _Exit, which calls it): that runs every DLL's
  // detach handler, the RFC library's among them, under threads still in it.
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  std::_Exit(code);  // not reached
}

}  // namespace tidewarden
