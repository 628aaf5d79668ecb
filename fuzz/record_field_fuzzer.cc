// Fuzzes the conversions of the figures: a TST04 field into a number, a
// previous total out of the state line, the usage and the grouped text, and
// the new profile made from the old lines.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "collect/logging_figures.h"
#include "rfc/classic/record_layouts.h"
#include "fuzz/fuzz_support.h"

namespace tidewarden::fuzz {
namespace {

// The leading decimal number as the C library reads it, in 32 bits with
// wrap-around: written independently of the probe's, to compare.
std::uint32_t Reference(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<std::uint64_t>(text[i] - '0')) & 0xFFFFFFFFu;
  }
  return negative ? static_cast<std::uint32_t>(0u - value) : static_cast<std::uint32_t>(value);
}

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void FuzzOne(FuzzedDataProvider& data) {
  const std::string field = data.ConsumeBytesAsString(14);
  std::string dotless = field.substr(0, field.find('\0'));
  if (dotless.size() > 3) std::erase(dotless, '.');
  FUZZ_CHECK(static_cast<std::uint32_t>(ConvertRecordField(field)) == Reference(dotless), field);

  const std::string key = data.PickValueInArray({"Writes=", "WaitBusy=", "RollBacks="});
  const std::string state_line = data.ConsumeRandomLengthString(300);
  const std::int32_t total = ReadStateTotal(state_line, key);
  if (state_line.find(key) == std::string::npos) FUZZ_CHECK(total == 0, state_line);

  const std::int32_t alloc = data.ConsumeIntegral<std::int32_t>();
  const std::int32_t size = data.ConsumeIntegral<std::int32_t>();
  LogUsage(alloc, size);  // UBSan watches the arithmetic

  const std::string digits = std::to_string(data.ConsumeIntegral<std::uint32_t>());
  const std::string grouped = GroupThousands(digits);
  std::string back = grouped;
  std::erase(back, '.');
  FUZZ_CHECK(back == digits && AllDigits(back), grouped);

  const std::string before = data.ConsumeRemainingBytesAsString();
  ProfileLines lines;
  lines.lines = WholeLines(before);
  const std::string rewritten =
      RewrittenProfile(lines, "# Olg Date=20251118 09:05:00 Writes=1 WaitBusy=2 RollBacks=3",
                       lines.FindLine(kStateLinePrefix), "\n");
  const std::string why = CheckRewrittenProfile(before, rewritten);
  FUZZ_CHECK(why.empty(), why);
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
