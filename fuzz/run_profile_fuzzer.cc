// Fuzzes whole single-system runs over any sensor profile and any totals the
// database answers: the run ends with a document, and a rewritten profile
// keeps every line the admin wrote, with one state line and at most one
// history line. A second run over the result must read it again.
#include <fuzzer/FuzzedDataProvider.h>

#include "driver/run.h"
#include "fuzz/fuzz_support.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"

namespace tidewarden::fuzz {
namespace {

int RunProbe(FakeFileSystem& fs, StringConsole& console, const std::vector<std::string>& args) {
  FixedClock clock;
  FakeSapLibrary source(fs, console);
  Platform platform{fs, clock, console, source.sap};
  return Run(platform, args);
}

void FuzzOne(FuzzedDataProvider& data) {
  FakeRfc::Reset();
  FakeRfc& rfc = FakeRfc::Get();
  for (const char* field : {"LOGWRITES", "WAIT_BUSY", "ROLLBACKS", "LOGSIZE", "LOGALLOC"}) {
    rfc.dbora_fields[field] = data.ConsumeRandomLengthString(16);
  }
  rfc.lastcollwrt = data.ConsumeRandomLengthString(26);
  const bool with_sound_entry = data.ConsumeBool();
  std::string profile = data.ConsumeRemainingBytesAsString();
  if (with_sound_entry) profile = SoundProfile() + profile;

  FakeFileSystem fs;
  fs.Add("PRD.P00", profile);
  StringConsole console;
  const int first = RunProbe(fs, console, {"tidewarden", "PRD"});
  FUZZ_CHECK(first == 0 || first == 2, "exit code " + std::to_string(first));
  const std::string after = fs.Content("PRD.P00");
  FUZZ_CHECK(fs.Paths().size() == 1, "a file was left beside the profile");
  if (after == profile) return;
  FUZZ_CHECK(first == 0, "a failed run changed the profile");
  std::string why = CheckRewrittenProfile(profile, after);
  FUZZ_CHECK(why.empty(), why + "\nbefore: " + Escaped(profile) + "\nafter: " + Escaped(after));

  // The next run reads what this one wrote and changes nothing but state.
  StringConsole again;
  const int second = RunProbe(fs, again, {"tidewarden", "PRD"});
  FUZZ_CHECK(second == 0, "the run after a rewrite failed: " + again.output);
  why = CheckRewrittenProfile(profile, fs.Content("PRD.P00"));
  FUZZ_CHECK(why.empty(), "second run: " + why);
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
