// Fuzzes the scan of the RFC library's trace file "Dev_Rfc.Trc": the error
// text it finds, and the error document built with it in every output mode,
// which no trace text may break or add a channel to.
#include <fuzzer/FuzzedDataProvider.h>

#include "fuzz/fuzz_support.h"
#include "output/result_document.h"
#include "rfc/classic/trace_file.h"
#include "tests/fake_file_system.h"

namespace tidewarden::fuzz {
namespace {

std::size_t Count(const std::string& text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

void FuzzOne(FuzzedDataProvider& data) {
  const std::string modes[] = {"EXEXML", "Vantrel", "Corvane", "Draxholm", "Pellard"};
  std::string mode = modes[data.ConsumeIntegralInRange<int>(0, 4)];
  const std::string trace = data.ConsumeRemainingBytesAsString();

  const std::string text = LastTraceErrorText(trace);
  // Pieces of at most 99 characters, the text starting at their 13th or 16th.
  FUZZ_CHECK(text.size() <= 87, "captured " + std::to_string(text.size()) + " characters");

  FakeFileSystem fs;
  fs.Add("Dev_Rfc.Trc", trace);
  ResultDocument document({mode, std::nullopt});
  document.Append("Error 1014: RFC-Failure raised !");
  document.Append(TraceFileErrorText(fs));
  document.SetErrorDocumentFromAppended();
  const std::string& out = document.text();
  FUZZ_CHECK(out.size() <= ResultDocument::kRoom, "document room");
  // The error document has the same XML form in every output mode.
  FUZZ_CHECK(Count(out, "<Text>") == 1 && Count(out, "</Text>") == 1, out);
  FUZZ_CHECK(Count(out, "<Prtg>") == 1 && Count(out, "</Prtg>") == 1, out);
  FUZZ_CHECK(Count(out, "<Result>") == 0 && Count(out, "<Error>") == 1, out);
}

}  // namespace
}  // namespace tidewarden::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  tidewarden::fuzz::FuzzOne(data);
  return 0;
}
