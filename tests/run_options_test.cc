// The options read once from each text that carries them.
#include "driver/run_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tidewarden {
namespace {

// The options a listing pass reads anew from its option text; the command
// line's own stay.
TEST(ReadOptionTextTest, TypedValues) {
  struct {
    const char* text;
    bool syslog;
    std::optional<std::int32_t> channel;
    std::optional<std::string> host, number;
  } cases[] = {
      {"", false, {}, {}, {}},
      {"a,SysLog", true, {}, {}, {}},
      {"SYSLOG", false, {}, {}, {}},
      {"ch=1", false, 1, {}, {}},
      {"CH=,1", false, 0, {}, {}},
      {"CH= 1", false, 1, {}, {}},
      {"CH=12,X", false, 12, {}, {}},
      {"CH=1234", false, 123, {}, {}},
      {"CH=x", false, 0, {}, {}},
      {"#CH=3", false, 3, {}, {}},
      {"x,host=Sap:Eins,No=07 y", false, {}, "Sap:Eins", "07"},
      {",HOST=,NO=", false, {}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    RunOptions options = ReadCommandLineOptions("ITEM=LogUsage #");
    ReadOptionText(c.text, &options);
    EXPECT_EQ(options.text, c.text);
    EXPECT_EQ(options.syslog, c.syslog);
    EXPECT_EQ(options.channel, c.channel);
    EXPECT_EQ(options.host.host, c.host);
    EXPECT_EQ(options.host.number, c.number);
    EXPECT_TRUE(options.trace);
    EXPECT_EQ(options.item, "LogUsage");
  }
}

}  // namespace
}  // namespace tidewarden
