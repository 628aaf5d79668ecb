// Fuzzes the simulated SAP system's readers: the description file
// "SapSim.txt" with every value it can answer, the connect strings of
// RfcOpenEx and the destinations of "SapRfc.ini".
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/fuzz_support.h"
#include "sim/connect_string.h"
#include "sim/description.h"

namespace tidewarden::fuzz {
namespace {

// The field a description value answers, found again from its map key.
bool TargetOf(const std::string& key, sim::ValueTarget* target) {
  const std::size_t dot = key.find('.');
  if (dot == std::string::npos) return false;
  const std::string name = key.substr(dot + 1);
  for (const std::string& candidate : {"DBORA." + name, "GLOBAL." + name, "RFCSI." + name, name}) {
    if (sim::FindValueTarget(candidate, target) && target->key == key) return true;
  }
  return false;
}

void FuzzOne(FuzzedDataProvider& data) {
  // Times as a machine's clock and file times give them: the library never
  // sees others.
  constexpr std::int64_t kYear9999 = 253402300799;
  const std::int64_t file_time = data.ConsumeIntegralInRange<std::int64_t>(0, kYear9999);
  const std::int64_t now = data.ConsumeIntegralInRange<std::int64_t>(0, kYear9999);
  const std::string ini = data.ConsumeRandomLengthString(2000);
  const std::string destination = data.ConsumeRandomLengthString(20);
  const std::string text = data.ConsumeRemainingBytesAsString();

  const sim::Description description = sim::ParseDescription(text, "SapSim.txt", file_time);
  for (const sim::System& system : description.systems) {
    for (const auto& [key, value] : system.values) {
      sim::ValueTarget target;
      if (!TargetOf(key, &target)) continue;
      const std::string formatted =
          sim::FormatValue(value, target.type, target.width, system.numbers, system.epoch, now);
      FUZZ_CHECK(formatted.size() == target.width, key + " = " + formatted);
    }
    description.FindByHost(system.host, system.sysnr);
    description.FindByGateway(system.gwhost, system.gwservice);
  }
  const sim::CivilTime civil = sim::ToCivil(now, true);
  FUZZ_CHECK(sim::CollectorTimestamp(civil).size() >= 24, "timestamp");

  const sim::ConnectString connect = sim::ParseConnectString(text);
  // The call log never shows a password: every PASSWD= word is masked.
  for (std::size_t at = connect.masked.find("PASSWD="); at != std::string::npos;
       at = connect.masked.find("PASSWD=", at + 1)) {
    if (at > 0 && connect.masked[at - 1] != ' ') continue;
    FUZZ_CHECK(connect.masked.compare(at + 7, 1, "<") == 0, connect.masked);
  }
  sim::IniDestination entry;
  std::string error;
  sim::FindIniDestination(ini, destination, &entry, &error);
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
