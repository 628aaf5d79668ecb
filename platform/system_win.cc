// Clock, environment and process end on Windows.
#include "platform/win32.h"
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

// The wide environment is the one Windows keeps; the narrow one of the C
// runtime is a copy converted once at start-up, with best-fit look-alikes.
class WindowsEnvironment : public EnvironmentVariables {
 public:
  std::optional<std::string> Value(const std::string& name) override {
    const std::wstring wide_name = Wide(name);
    std::wstring value(64, L'\0');
    for (;;) {
      ::SetLastError(ERROR_SUCCESS);
      const DWORD n = ::GetEnvironmentVariableW(wide_name.c_str(), value.data(),
                                                static_cast<DWORD>(value.size()));
      if (n == 0) {
        if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
        return std::string();
      }
      if (n < value.size()) {
        value.resize(n);
        break;
      }
      value.assign(n, L'\0');  // n counts the terminator when the room was short
    }
    // No best fit: a character the code page lacks must not turn into a
    // printable one that a password check would pass.
    const char kLost[] = "\x7f";
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* lost = kLost;
    int length = ::WideCharToMultiByte(CP_ACP, flags, value.data(), static_cast<int>(value.size()),
                                       nullptr, 0, lost, nullptr);
    if (length == 0 && !value.empty()) {
      // An ANSI code page of UTF-8 takes neither; it loses no character.
      flags = 0;
      lost = nullptr;
      length = ::WideCharToMultiByte(CP_ACP, flags, value.data(), static_cast<int>(value.size()),
                                     nullptr, 0, lost, nullptr);
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, value.data(), static_cast<int>(value.size()), text.data(),
                          length, lost, nullptr);
    return text;
  }
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

Clock& SystemClock() { return NeverDestroyed<WindowsClock>(); }

EnvironmentVariables& ProcessEnvironment() { return NeverDestroyed<WindowsEnvironment>(); }

void EndProcess(int code) {
  std::fflush(stdout);
  // Not ExitProcess (nor _Exit, which calls it): that runs every DLL's
  // detach handler, the RFC library's among them, under threads still in it.
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(code));
  std::_Exit(code);  // not reached
}

}  // namespace tidewarden
