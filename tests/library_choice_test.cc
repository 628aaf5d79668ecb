#include "rfc/library_choice.h"

#include <gtest/gtest.h>

#include "platform/library_imports.h"
#include "tests/fake_file_system.h"

namespace tidewarden {
namespace {

class NoSymbols : public SharedLibrary {
 public:
  void* Symbol(const char*) override { return nullptr; }
};

// Every candidate is tried, the probe's folder first and the classic library
// before the NetWeaver one; a library without the functions is passed over,
// and the report names each with its reason and the folder to install into.
TEST(LibraryChoiceTest, NoCandidateLoadsIsFatalAndNamesEveryCandidate) {
  FakeFileSystem fs;
  std::vector<std::string> tried;
  ChosenSapLibrary library(
      "/opt/probe/tidewarden", fs, StandardOutput(),
      [&tried](const RfcLibraryCandidate& candidate) -> Result<std::unique_ptr<SharedLibrary>> {
        tried.push_back(candidate.path);
        if (tried.size() == 2) return std::make_unique<NoSymbols>();
        return Failure{"not there"};
      });
  auto prepared = library.Prepare(CallLogger{});
  ASSERT_FALSE(prepared.ok());
  const FatalFailure* fatal = &prepared.error();
  const std::string folder = OwnExecutableDirectory();
  const std::string classic = ClassicRfcLibraryFileName();
  const std::string netweaver = NetWeaverRfcLibraryFileName();
  EXPECT_EQ(tried,
            (std::vector<std::string>{folder + classic, folder + netweaver, classic, netweaver}));
  for (const std::string& path : tried) {
    EXPECT_NE(fatal->record.message.find(path + ": "), std::string::npos) << fatal->record.message;
  }
  EXPECT_NE(fatal->record.message.find(tried[1] + ": lacks the function RfcGetVersion"),
            std::string::npos);
}

// A library that is there but lacks DLLs names them, and the Visual C++
// runtime a missing one belongs to, of the library's width.
TEST(LibraryChoiceTest, UnloadableImportsNameTheRuntime) {
  EXPECT_EQ(VisualCppRuntimeOf("msvcp120.dll"), "Visual C++ 2013");
  EXPECT_EQ(VisualCppRuntimeOf("VCRUNTIME140_1.dll"), "Visual C++ 2015-2022");
  EXPECT_EQ(VisualCppRuntimeOf("icuuc50.dll"), "");
  EXPECT_EQ(DescribeUnloadableImports({{"icuuc50.dll", "MSVCR120.dll", "MSVCP120.dll"}, true}),
            "; of the DLLs it imports, these do not load: icuuc50.dll, MSVCR120.dll, MSVCP120.dll "
            "(the Visual C++ 2013 runtime (x64, for MSVCR120.dll) may be missing)");
  EXPECT_EQ(DescribeUnloadableImports({}), "");
}

}  // namespace
}  // namespace tidewarden
