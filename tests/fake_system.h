// The clock and the console of a test: a clock that says what it is told,
// a console that keeps what it was given.
#ifndef TIDEWARDEN_TESTS_FAKE_SYSTEM_H_
#define TIDEWARDEN_TESTS_FAKE_SYSTEM_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/system.h"

namespace tidewarden {

class FixedClock : public Clock {
 public:
  explicit FixedClock(TimeOfDay time = {9, 14, 3}) : time_(time) {}
  TimeOfDay LocalTimeOfDay() override { return time_; }
  void Set(TimeOfDay time) { time_ = time; }
  // Local time is UTC here, and every moment falls on one day.
  std::int64_t UtcSeconds() override { return utc_seconds; }
  void ToLocalTime(std::int64_t seconds, LocalDate* date, TimeOfDay* time) override {
    *date = {2025, 12, 9};
    *time = {static_cast<int>(seconds % 86400 / 3600), static_cast<int>(seconds % 3600 / 60),
             static_cast<int>(seconds % 60)};
  }
  std::int64_t utc_seconds = 1765270800;  // 2025-12-09 09:00:00

 private:
  TimeOfDay time_;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_FAKE_SYSTEM_H_
