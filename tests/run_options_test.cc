// The options read once from each text that carries them.
#include "driver/run_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tidewarden {
namespace {

// The options a listing pass reads anew from its option text; the command
// line's own stay. "PARALLEL=" and "TIMEOUT=": the first occurrence, up to a
// blank or a comma; a value of another form or out of range counts as
// absent, and the call log learns why.
TEST(ReadOptionTextTest, TypedValues) {
  struct {
    const char* text;
    bool syslog;
    std::optional<std::int32_t> channel;
    std::optional<std::string> host, number;
    int parallel = 1;
    std::optional<double> timeout = std::nullopt;
    std::size_t ignored = 0;
  } cases[] = {
      {"", false, {}, {}, {}},
      {"a,SysLog", true, {}, {}, {}},
      {"SYSLOG", false, {}, {}, {}},
      {"X,SYSLOG,Y", true, {}, {}, {}},
      {"ch=1", false, 1, {}, {}},
      {"CH=,1", false, 0, {}, {}},
      {"CH= 1", false, 1, {}, {}},
      {"CH=12,X", false, 12, {}, {}},
      {"CH=1234", false, 123, {}, {}},
      {"CH=x", false, 0, {}, {}},
      {"#CH=3", false, 3, {}, {}},
      {"x,host=Sap:Eins,No=07 y", false, {}, "Sap:Eins", "07"},
      {",HOST=,NO=", false, {}, "", ""},
      {"PARALLEL=4 TIMEOUT=5", false, {}, {}, {}, 4, 5.0},
      {"parallel=32,x", false, {}, {}, {}, 32},
      {"PARALLEL=1 TIMEOUT=0.1", false, {}, {}, {}, 1, 0.1},
      {"TIMEOUT=3600", false, {}, {}, {}, 1, 3600.0},
      {"TIMEOUT=2,5", false, {}, {}, {}, 1, 2.0},
      {"TIMEOUT=2.5 TIMEOUT=9", false, {}, {}, {}, 1, 2.5},
      {"TIMEOUT=.5", false, {}, {}, {}, 1, 0.5},
      {"TIMEOUT=5.", false, {}, {}, {}, 1, 5.0},
      {"PARALLEL=", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=0", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=33", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=999", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=-1", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=+4", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=4x", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=abc", false, {}, {}, {}, 1, {}, 1},
      {"PARALLEL=1e3", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=0.09", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=3600.5", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=1e3", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=.", false, {}, {}, {}, 1, {}, 1},
      {"TIMEOUT=-1 PARALLEL=0", false, {}, {}, {}, 1, {}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    RunOptions options = ReadCommandLineOptions("ITEM=LogUsage # PARALLEL=8 TIMEOUT=1");
    ReadOptionText(c.text, &options);
    EXPECT_EQ(options.text, c.text);
    EXPECT_EQ(options.syslog, c.syslog);
    EXPECT_EQ(options.channel, c.channel);
    EXPECT_EQ(options.host.host, c.host);
    EXPECT_EQ(options.host.number, c.number);
    EXPECT_TRUE(options.trace);
    EXPECT_EQ(options.item, "LogUsage");
    EXPECT_EQ(options.parallel, c.parallel);
    EXPECT_EQ(options.timeout_seconds.has_value(), c.timeout.has_value());
    if (c.timeout && options.timeout_seconds) {
      EXPECT_NEAR(*options.timeout_seconds, *c.timeout, 1e-9);
    }
    EXPECT_EQ(options.ignored_options.size(), c.ignored);
  }
}

}  // namespace
}  // namespace tidewarden
