// What the platform's Windows files share: a handle closed with its owner,
// and the ANSI code page's text (the probe's paths and names) as UTF-16.
#ifndef TIDEWARDEN_PLATFORM_WIN32_H_
#define TIDEWARDEN_PLATFORM_WIN32_H_

#include <windows.h>

#include <string>

namespace tidewarden {

class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() { Reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  BOOL Reset() {
    BOOL ok = TRUE;
    if (valid()) ok = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

inline std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

}  // namespace tidewarden

#endif  // TIDEWARDEN_PLATFORM_WIN32_H_
