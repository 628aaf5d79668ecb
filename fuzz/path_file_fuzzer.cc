// Fuzzes the profile search with the monitor's path file "C:\PRTG_Path.Txt"
// and any profile argument: the name rules, the base folder lines, the
// folders appended to it and the room of the paths.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/fuzz_support.h"
#include "profiles/profile_search.h"
#include "profiles/profile_location.h"
#include "tests/fake_file_system.h"

namespace tidewarden::fuzz {
namespace {

void FuzzOne(FuzzedDataProvider& data) {
  const std::string argument = data.ConsumeRandomLengthString(400);
  const std::string folder = data.ConsumeRandomLengthString(300);
  const std::string path_file = data.ConsumeRemainingBytesAsString();

  ProfileLocation location;
  bool global_run = false;
  if (!ApplyNameRules(argument, &location, &global_run).ok()) return;
  FUZZ_CHECK(location.name.size() <= kMaxProfileName, "name room");
  FUZZ_CHECK(location.path.size() <= kMaxProfilePath, "path room");
  FUZZ_CHECK(location.path == location.directory + location.name, "path");

  FakeFileSystem fs;
  fs.Add(kPrtgPathFile, path_file);
  // The profile where the path file's folder may lead, and in the working
  // directory, which must not be tried when the path file exists.
  fs.Add(folder + location.name, "profile");
  fs.Add(folder + "PRTG Network Monitor\\Custom Sensors\\ExeXml\\" + location.name, "profile");
  fs.Add(folder + "Custom Sensors\\ExeXml\\" + location.name, "profile");
  fs.Add(location.name, "working directory");
  const Status found = SearchProfile(fs, &location);
  if (!found.ok()) {
    FUZZ_CHECK(found.message() == "Error 1002: Profile " + location.name + " is missing...",
               found.message());
    return;
  }
  FUZZ_CHECK(location.path == location.directory + location.name, "path");
  FUZZ_CHECK(location.path.size() <= kMaxProfilePath, "path room");
  FUZZ_CHECK(location.content == "profile", "read a profile the path file does not lead to");
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
