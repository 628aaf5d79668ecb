#include "rfc/library_choice.h"

#include <gtest/gtest.h>

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
  ChosenSapLibrary library("/opt/probe/tidewarden", fs, StandardOutput(),
                           [&tried](const RfcLibraryCandidate& candidate,
                                    std::string* error) -> std::unique_ptr<SharedLibrary> {
                             tried.push_back(candidate.path);
                             if (tried.size() == 2) return std::make_unique<NoSymbols>();
                             *error = "not there";
                             return nullptr;
                           });
  auto fatal = library.Prepare(CallLogger{});
  ASSERT_TRUE(fatal.has_value());
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

}  // namespace
}  // namespace tidewarden
