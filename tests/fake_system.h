// The clock and the console of a test: a clock that says what it is told,
// a console that keeps what it was given.
#ifndef TIDEWARDEN_TESTS_FAKE_SYSTEM_H_
#define TIDEWARDEN_TESTS_FAKE_SYSTEM_H_

#include <string>
#include <string_view>

#include "platform/system.h"

namespace tidewarden {

class FixedClock : public Clock {
 public:
  explicit FixedClock(TimeOfDay time = {9, 14, 3}) : time_(time) {}
  TimeOfDay LocalTimeOfDay() override { return time_; }
  void Set(TimeOfDay time) { time_ = time; }

 private:
  TimeOfDay time_;
};

class RecordingConsole : public Console {
 public:
  void Write(std::string_view text) override { output.append(text); }
  void Flush() override {}
  std::string output;
};

}  // namespace tidewarden

#endif  // TIDEWARDEN_TESTS_FAKE_SYSTEM_H_
