// Start-up of the real probe: the command line's first checks.
#include <gtest/gtest.h>

#include "tests/e2e/probe_runner.h"

namespace tidewarden::e2e {
namespace {

constexpr const char* kMissingProfileArgument =
    "<Prtg>\n"
    "<Error>1</Error>\n"
    "<Text>Error 1001: Parameter for Profile-Name is missing !</Text>\n"
    "</Prtg>\n";

TEST(StartUpE2eTest, NoArgumentPrintsError1001AndExits2) {
  WorkDir dir;
  RunResult r = Probe().Run(dir, {});
  EXPECT_EQ(r.out, Text(kMissingProfileArgument)) << r.err;
  EXPECT_EQ(r.exit_code, 2);
  // Nothing may be written before a profile has been found.
  EXPECT_EQ(dir.Files(), std::vector<std::string>{});
}

// A run that ends before its first remote step never needs the RFC library,
// so a probe installed without it still answers the monitor properly.
TEST(StartUpE2eTest, NoArgumentNeedsNoRfcLibrary) {
  WorkDir dir;
  Probe probe = Probe().CopyInto(dir, "bin", /*with_rfc_library=*/false);
  RunResult r = probe.Run(dir, {});
  EXPECT_EQ(r.out, Text(kMissingProfileArgument)) << r.err;
  EXPECT_EQ(r.exit_code, 2);
}

}  // namespace
}  // namespace tidewarden::e2e
