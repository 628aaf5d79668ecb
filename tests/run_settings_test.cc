#include "driver/run_settings.h"

#include <gtest/gtest.h>

#include "profiles/listing.h"

namespace tidewarden {
namespace {

RunSettings Read(std::vector<std::string> args) {
  args.insert(args.begin(), "C:\\Probe\\tidewarden.exe");
  RunSettings settings;
  ReadCommandLine(args, {9, 4, 3}, &settings);
  return settings;
}

TEST(ReadCommandLineTest, StartTimeAndBanner) {
  RunSettings s = Read({"PRD"});
  EXPECT_EQ(s.start_time, "09:04:03");
  EXPECT_EQ(s.banner_line, "* 09:04:03 SAP Tidewarden Vers 4.3 / 29.08.22");
  EXPECT_EQ(s.program_path, "C:\\Probe\\tidewarden.exe");
}

TEST(ReadCommandLineTest, OptionTexts) {
  struct {
    std::vector<std::string> args;
    std::string verbatim;
    std::string item;
    bool listing;
    bool trace;
    std::string profile;
  } cases[] = {
      {{"PRD"}, "", "", false, false, "PRD"},
      {{"PRD", "a,SysLog", "b", "ignored"}, "a,SysLog b", "", false, false, "PRD"},
      {{"PRD", "item=LogWrites"}, "item=LogWrites", "LogWrites", true, false, "Marrowin.Prf"},
      {{"C:\\x\\PRD", "ITEM=LogWrites,WaitBusy"}, "ITEM=LogWrites,WaitBusy", "LogWrites", true,
       false, "Marrowin.Prf"},
      {{"PRD", "ITEM=Log:Writes"}, "ITEM=Log:Writes", "Log Writes", true, false, "Marrowin.Prf"},
      {{"GLOBAL", "ITEM=LogUsage #"}, "ITEM=LogUsage #", "LogUsage", true, true, "Marrowin.Prf"},
      {{"PRD", "Item=a$b"}, "Item=a$b", "a$b", true, true, "Marrowin.Prf"},
      {{"PRD", "x%"}, "x%", "", false, true, "PRD"},
      {{"PRD", "@"}, "@", "", false, true, "PRD"},
      {{"PRD", "ITEM=,x"}, "ITEM=,x", "", true, false, "Marrowin.Prf"},
  };
  for (const auto& c : cases) {
    RunSettings s = Read(c.args);
    SCOPED_TRACE(c.verbatim);
    EXPECT_EQ(s.options.text, c.verbatim);
    EXPECT_EQ(s.item, c.item);
    EXPECT_EQ(s.options.item.has_value(), c.listing);
    EXPECT_EQ(s.listing_run, c.listing);
    EXPECT_EQ(s.options.trace, c.trace);
    EXPECT_EQ(s.profile_name, c.profile);
  }
}

TEST(ReadCommandLineTest, LongTextsAreCutToTheirRoom) {
  RunSettings s = Read({"PRD", std::string(100, 'a'), std::string(100, 'b')});
  EXPECT_EQ(s.options.text.size(), kMaxOptionText);
  EXPECT_EQ(s.options.text, std::string(100, 'a') + " " + std::string(26, 'b'));
  RunSettings item = Read({"PRD", "ITEM=" + std::string(120, 'x')});
  EXPECT_EQ(item.item, std::string(kMaxItem, 'x'));
}

}  // namespace
}  // namespace tidewarden
