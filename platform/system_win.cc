// Clock, console and process end on Windows.
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
  std::int64_t UtcSeconds() override {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<std::int64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) /
               kFileTimeTicksPerSecond -
           kFileTimeSecondsTo1970;
  }
  void ToLocalTime(std::int64_t utc_seconds, LocalDate* date, TimeOfDay* time) override {
    *date = {};
    *time = {};
    // File times end in the year 30828; a moment beyond has no local time.
    if (utc_seconds < -kFileTimeSecondsTo1970 || utc_seconds > kLastFileTimeSecond) return;
    const std::int64_t ticks = (utc_seconds + kFileTimeSecondsTo1970) * kFileTimeTicksPerSecond;
    FILETIME utc{static_cast<DWORD>(ticks & 0xffffffff), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME universal, local;
    if (!::FileTimeToSystemTime(&utc, &universal) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
      return;
    }
    *date = {local.wYear, local.wMonth, local.wDay};
    *time = {local.wHour, local.wMinute, local.wSecond};
  }

 private:
  static constexpr std::int64_t kFileTimeTicksPerSecond = 10000000;
  // From 1601-01-01, where file times begin, to 1970-01-01.
  static constexpr std::int64_t kFileTimeSecondsTo1970 = 11644473600;
  static constexpr std::int64_t kLastFileTimeSecond = 900000000000;
};

// stdout stays in text mode, so the C runtime turns each "\n" into CR LF as
// the monitors expect.
class StdoutConsole : public Console {
 public:
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
};

}  // namespace

Status ReadRandomBytes(std::size_t count, std::string* bytes) {
  std::string read(count, '\0');
  const NTSTATUS status =
      ::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(read.data()), static_cast<ULONG>(count),
                        BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  if (status < 0) return Status::Error("BCryptGenRandom: error " + std::to_string(status));
  *bytes = std::move(read);
  return Status::Ok();
}

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
