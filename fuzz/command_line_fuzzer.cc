// Fuzzes the command line: start-up, the name rules, the output-mode
// markers and every option (ITEM=, GLOBAL key, CH=, ,HOST=, ,NO=, ,SYSLOG,
// trace characters), as whole runs on the fake file system against the
// scripted library.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "driver/run.h"
#include "fuzz/fuzz_support.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"

namespace tidewarden::fuzz {
namespace {

int RunOnce(FuzzedDataProvider& data) {
  FakeRfc::Reset();
  FakeRfc::Get().dbora_fields = {{"LOGWRITES", "1.000"},
                                 {"WAIT_BUSY", "5"},
                                 {"ROLLBACKS", "7"},
                                 {"LOGSIZE", "900"},
                                 {"LOGALLOC", "27"}};
  FakeFileSystem fs;
  FixedClock clock;
  StringConsole console;
  const std::string profile = SoundProfile();
  fs.Add("PRD.P00", profile);
  fs.Add("C:\\Sensors\\PRD.P00", profile);
  fs.Add("Marrowin.Prf", "# Gsng: x         : PRD.P00#QAS.P00#\n");
  fs.Add("QAS.P00", profile);
  fs.Add("SAP Marrowin.Gbl",
         "# GSNG: LOGW01    : PRD.P00#\n"
         "# GSNX: LOGW01    : Item=LogUsage,Host,Sensor=\"SAP Tidewarden\"\n");
  // Which sibling modes' markers are there.
  const std::uint8_t markers = data.ConsumeIntegral<std::uint8_t>();
  const char* names[] = {"Vantrel.Mrk", "Draxholm.Mrk", "Pellard.Mrk", "Corvane.Mrk"};
  for (int i = 0; i < 4; ++i) {
    if (markers & (1u << i))
      fs.Add((markers & 0x10) ? std::string("C:\\Sensors\\") + names[i] : names[i], "");
  }
  std::vector<std::string> args = {"C:\\Probe\\tidewarden.exe"};
  const int count = data.ConsumeIntegralInRange<int>(0, 4);
  for (int i = 0; i < count; ++i) {
    args.push_back(i + 1 == count ? data.ConsumeRemainingBytesAsString()
                                  : data.ConsumeRandomLengthString(20000));
  }
  FakeSapLibrary source(fs, console);
  Platform platform{fs, clock, console, source.sap};
  const int code = Run(platform, args);
  CheckRunEnding(code, console.output);
  FUZZ_CHECK(!console.output.empty(), "nothing printed");
  // Whatever the options, the sensor profile keeps its lines.
  for (const char* path : {"PRD.P00", "C:\\Sensors\\PRD.P00"}) {
    if (fs.Content(path) != profile) {
      const std::string why = CheckRewrittenProfile(profile, fs.Content(path));
      FUZZ_CHECK(why.empty(), why);
    }
  }
  return 0;
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  return tidewarden::fuzz::RunOnce(data);
}
