// Clock, environment and process end on POSIX.
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
  std::int64_t UtcSeconds() override { return static_cast<std::int64_t>(std::time(nullptr)); }
  void ToLocalTime(std::int64_t utc_seconds, LocalDate* date, TimeOfDay* time) override {
    const std::time_t moment = static_cast<std::time_t>(utc_seconds);
    struct tm local;
    if (::localtime_r(&moment, &local) == nullptr) {
      *date = {};
      *time = {};
      return;
    }
    *date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    *time = {local.tm_hour, local.tm_min, local.tm_sec};
  }
};

// The probe never changes its environment, so getenv is safe from any thread.
class PosixEnvironment : public EnvironmentVariables {
 public:
  std::optional<std::string> Value(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }
};

}  // namespace

// Through stdio, not iostreams: those would add most of a megabyte of the
// C++ runtime to a probe started every minute.
Status ReadRandomBytes(std::size_t count, std::string* bytes) {
  std::FILE* source = std::fopen("/dev/urandom", "rb");
  std::string read(count, '\0');
  const bool whole = source != nullptr && std::fread(read.data(), 1, count, source) == count;
  if (source != nullptr) std::fclose(source);
  if (!whole) return Status::Error("/dev/urandom: cannot be read");
  *bytes = std::move(read);
  return Status::Ok();
}

Clock& SystemClock() { return NeverDestroyed<PosixClock>(); }

EnvironmentVariables& ProcessEnvironment() { return NeverDestroyed<PosixEnvironment>(); }

void EndProcess(int code) {
  std::fflush(stdout);
  std::_Exit(code);
}

}  // namespace tidewarden
