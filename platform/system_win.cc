// Clock, console and process end on Windows.
#include <windows.h>

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
};

// stdout stays in text mode, so the C runtime turns each "\n" into CR LF as
// the monitors expect.
class StdoutConsole : public Console {
 public:
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), stdout); }
  void Flush() override { std::fflush(stdout); }
};

// The wide environment is the one Windows keeps; the narrow one of the C
// runtime is a copy converted once at start-up, with best-fit look-alikes.
class WindowsEnvironment : public EnvironmentVariables {
 public:
  std::optional<std::string> Value(const std::string& name) override {
    std::wstring wide_name;
    const int name_length =
        ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    wide_name.resize(static_cast<std::size_t>(name_length));
    ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide_name.data(),
                          name_length);
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

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}

Console& StandardOutput() {
  static StdoutConsole console;
  return console;
}

EnvironmentVariables& ProcessEnvironment() {
  static WindowsEnvironment environment;
  return environment;
}

void EndProcess(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace tidewarden
