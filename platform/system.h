// Clock, console and process: the rest of what the probe needs from the
// operating system besides files.
#ifndef TIDEWARDEN_PLATFORM_SYSTEM_H_
#define TIDEWARDEN_PLATFORM_SYSTEM_H_

#include <string>
#include <string_view>

namespace tidewarden {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimeOfDay LocalTimeOfDay() = 0;
};

// Standard output. On Windows it is a text stream: each "\n" reaches the
// reader as CR LF, which is what the monitors expect.
class Console {
 public:
  virtual ~Console() = default;
  virtual void Write(std::string_view text) = 0;
  virtual void Flush() = 0;
};

// The real implementations of this platform.
Clock& SystemClock();
Console& StandardOutput();

// Ends the process at once with `code`, after flushing standard output,
// without static destructors or libraries' detach handlers. Only for the RFC
// library's error handler, which must not return into the library, and for
// a run that left a thread inside the library.
[[noreturn]] void EndProcess(int code);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_SYSTEM_H_
