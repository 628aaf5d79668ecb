// Clock, console and process: the rest of what the probe needs from the
// operating system besides files.
#ifndef TIDEWARDEN_PLATFORM_SYSTEM_H_
#define TIDEWARDEN_PLATFORM_SYSTEM_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/file_system.h"

namespace tidewarden {

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct LocalDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual TimeOfDay LocalTimeOfDay() = 0;
  // Seconds since 1970-01-01 00:00 UTC.
  virtual std::int64_t UtcSeconds() = 0;
  // The local date and time of a moment in UtcSeconds' count.
  virtual void ToLocalTime(std::int64_t utc_seconds, LocalDate* date, TimeOfDay* time) = 0;
};

// Standard output. On Windows it is a text stream: each "\n" reaches the
// reader as CR LF, which is what the monitors expect.
class Console {
 public:
  virtual ~Console() = default;
  virtual void Write(std::string_view text) = 0;
  virtual void Flush() = 0;
};

// A console that keeps what is written to it, for lines printed later or
// elsewhere (a listing's channel, the "* SapRfc.Ini" line) and for tests.
class StringConsole : public Console {
 public:
  void Write(std::string_view text) override { output.append(text); }
  void Flush() override {}
  std::string Take() { return std::exchange(output, std::string()); }

  std::string output;
};

// Fills *bytes with `count` bytes from the operating system's
// cryptographic random source (/dev/urandom, the Windows system RNG).
Status ReadRandomBytes(std::size_t count, std::string* bytes);

// The environment variables of the run, read only.
class EnvironmentVariables {
 public:
  virtual ~EnvironmentVariables() = default;
  // The value of the variable `name`, nullopt when it is not set. On Windows
  // the wide environment converted to the ANSI code page, as file names are;
  // a character that code page lacks comes back as the byte 0x7F (DEL), never
  // as a look-alike, so no check for printable text lets it pass.
  virtual std::optional<std::string> Value(const std::string& name) = 0;
};

// The real implementations of this platform.
Clock& SystemClock();
Console& StandardOutput();
EnvironmentVariables& ProcessEnvironment();

// The one object of type T, made on first use and never destroyed: a thread
// the run left behind may still use it while the process ends.
template <typename T>
T& NeverDestroyed() {
  static T* object = new T;
  return *object;
}

// Ends the process at once with `code`, after flushing standard output,
// without static destructors or libraries' detach handlers. Only for the RFC
// library's error handler, which must not return into the library, and for
// a run that left a thread inside the library.
[[noreturn]] void EndProcess(int code);

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_SYSTEM_H_
