#include "rfc/library_choice.h"

#include <gtest/gtest.h>

#include "tests/fake_file_system.h"

namespace tidewarden {
namespace {

class NoSymbols : public SharedLibrary {
 public:
  void* Symbol(const char*) override { return nullptr; }
};

TEST(LibraryChoiceTest, OwnFolderFirstClassicBeforeNetWeaver) {
  const auto candidates = RfcLibraryCandidates("/opt/probe/");
  ASSERT_EQ(candidates.size(), 4u);
  const std::string classic = ClassicRfcLibraryFileName();
  const std::string netweaver = NetWeaverRfcLibraryFileName();
  EXPECT_EQ(candidates[0].path, "/opt/probe/" + classic);
  EXPECT_EQ(candidates[1].path, "/opt/probe/" + netweaver);
  EXPECT_EQ(candidates[2].path, classic);
  EXPECT_EQ(candidates[3].path, netweaver);
  EXPECT_EQ(candidates[1].kind, RfcLibraryKind::kNetWeaver);
  EXPECT_EQ(RfcLibraryCandidates("").size(), 2u);
}

// Every candidate is tried, a library without the functions passed over,
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
  EXPECT_EQ(tried.size(), 4u);
  for (const std::string& path : tried) {
    EXPECT_NE(fatal->record.message.find(path + ": "), std::string::npos) << fatal->record.message;
  }
  EXPECT_NE(fatal->record.message.find(tried[1] + ": lacks the function RfcGetVersion"),
            std::string::npos);
  EXPECT_NE(fatal->operation.find(NetWeaverRfcLibraryFileName()), std::string::npos);
}

}  // namespace
}  // namespace tidewarden
