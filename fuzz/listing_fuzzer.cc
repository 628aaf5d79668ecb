// Fuzzes the listing read of GLOBAL and ITEM runs (global and item profile,
// global sensor key, record options) and then the whole listing run over the
// systems it names, with their profiles.
#include <fuzzer/FuzzedDataProvider.h>

#include "driver/run.h"
#include "fuzz/fuzz_support.h"
#include "profiles/listing.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"

namespace tidewarden::fuzz {
namespace {

void FuzzOne(FuzzedDataProvider& data) {
  const bool global_run = data.ConsumeBool();
  std::string options = data.ConsumeRandomLengthString(300);
  std::string system_profile = data.ConsumeRandomLengthString(4000);
  std::string listing_profile = data.ConsumeRemainingBytesAsString();

  ProfileLocation location;
  location.name = global_run ? "SAP Marrowin.Gbl" : "Marrowin.Prf";
  location.path = location.name;
  FakeFileSystem fs;
  fs.Add(location.path, listing_profile);
  fs.Add("PRD.P00", SoundProfile());
  fs.Add("QAS.P00", system_profile);

  std::string sensor_key = options.substr(0, options.find(' '));
  for (char& c : sensor_key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  ListingValues values;
  values.item = "LogUsage";
  const Status read = ReadListing(fs, location, global_run, sensor_key, options, &values);
  FUZZ_CHECK(values.server_listing.size() <= kMaxServerListing, "listing room");
  FUZZ_CHECK(values.server_listing.empty() || values.server_listing.back() == '#' ||
                 !values.server_listing_cut,
             "a cut listing ends inside an entry");
  FUZZ_CHECK(values.item.size() <= 90, "item room");
  FUZZ_CHECK(values.record_options.value_or("").size() <= 127, "option room");
  if (!read.ok()) FUZZ_CHECK(read.message().compare(0, 6, "Error ") == 0, read.message());

  // The whole run, as the monitor would start it.
  FakeRfc::Reset();
  FakeRfc::Get().dbora_fields = {{"LOGSIZE", "900"}, {"LOGALLOC", "27"}};
  FixedClock clock;
  StringConsole console;
  FakeSapLibrary source(fs, console);
  Platform platform{fs, clock, console, source.sap};
  std::vector<std::string> args = {"tidewarden", global_run ? "GLOBAL" : "X"};
  if (!global_run) options = "ITEM=" + options;
  args.push_back(options);
  const int code = Run(platform, args);
  CheckRunEnding(code, console.output);
  // A listing run keeps no state.
  FUZZ_CHECK(fs.Content("PRD.P00") == SoundProfile(), "a listing run wrote a profile");
  FUZZ_CHECK(fs.Content("QAS.P00") == system_profile, "a listing run wrote a profile");
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
