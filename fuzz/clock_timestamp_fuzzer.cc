// Fuzzes the conversion of the collector's last-write timestamp of
// GET_CPU_ALL into the server date and time, whatever the field holds.
#include <string>

#include "fuzz/fuzz_support.h"
#include "rfc/classic/record_layouts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view timestamp(reinterpret_cast<const char*>(bytes), size);
  std::string date, time;
  tidewarden::ConvertCollectorTimestamp(timestamp, &date, &time);
  // The state line's date stands at a fixed place: always eight characters.
  FUZZ_CHECK(date.size() == 8, date);
  FUZZ_CHECK(time.size() == 8, time);
  // Nor may anything in them split the state line.
  for (char c : date + time) {
    FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, date + " " + time);
  }
  return 0;
}
