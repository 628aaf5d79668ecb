// Fuzzes tidewarden-profile's readers: "check" over any profile file and
// "scramble" over any password typed at it. A stored form it makes must
// give the password back.
#include <fuzzer/FuzzedDataProvider.h>

#include <sstream>

#include "fuzz/fuzz_support.h"
#include "profiles/password.h"
#include "profile_tool/profile_tool.h"
#include "tests/fake_file_system.h"

namespace tidewarden::fuzz {
namespace {

void FuzzOne(FuzzedDataProvider& data) {
  const std::string password = data.ConsumeRandomLengthString(40);
  const std::uint32_t seed = data.ConsumeIntegral<std::uint32_t>();
  const std::string profile = data.ConsumeRemainingBytesAsString();

  FakeFileSystem fs;
  fs.Add("PRD.P00", profile);
  std::istringstream no_input;
  std::ostringstream out, err;
  const int code = RunProfileTool({"check", "PRD.P00"}, no_input, out, err, fs, seed);
  FUZZ_CHECK(code == kToolSuccess || code == kToolFailure, "exit code");
  FUZZ_CHECK(fs.Content("PRD.P00") == profile, "check changed the profile");

  if (const Result<std::string> stored = ScramblePassword(password, PasswordKeys(), seed);
      stored.ok()) {
    const UnscrambledPassword back = UnscramblePassword(*stored, PasswordKeys());
    FUZZ_CHECK(back.outcome == PasswordOutcome::kText && back.text == password, password);
  }
  std::istringstream typed(password + "\n");
  std::ostringstream scrambled, scramble_err;
  RunProfileTool({"scramble"}, typed, scrambled, scramble_err, fs, seed);
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
