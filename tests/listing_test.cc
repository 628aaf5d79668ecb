// The listing read of GLOBAL and ITEM runs, on the fake file system.
#include "profiles/listing.h"

#include <gtest/gtest.h>

#include "driver/run_settings.h"
#include "tests/fake_file_system.h"
#include "tests/status_text.h"

namespace tidewarden {
namespace {

const char kGlobalPath[] = "C:\\Sensors\\SAP Marrowin.Gbl";
const char kItemPath[] = "C:\\Sensors\\Marrowin.Prf";

const std::string kTag = "Sensor=\"SAP Tidewarden\"";

struct Outcome {
  std::optional<std::string> message;
  ListingValues values;
  // The options of the pass: the record's, or else the command line's.
  std::string verbatim;
};

Outcome Global(const std::string& profile, const std::string& second_argument) {
  FakeFileSystem fs;
  fs.Add(kGlobalPath, profile);
  Outcome outcome;
  ProfileLocation location{"SAP Marrowin.Gbl", "C:\\Sensors\\", kGlobalPath, "stale"};
  outcome.message =
      MessageOf(ReadListing(fs, location, true, ReadCommandLineOptions(second_argument).sensor_key,
                            second_argument, &outcome.values));
  outcome.verbatim = outcome.values.record_options.value_or("command line");
  return outcome;
}

Outcome Item(const std::string& profile, const std::string& item) {
  FakeFileSystem fs;
  fs.Add(kItemPath, profile);
  Outcome outcome;
  outcome.values.item = item;
  ProfileLocation location{"Marrowin.Prf", "C:\\Sensors\\", kItemPath, "stale"};
  outcome.message =
      MessageOf(ReadListing(fs, location, false, ReadCommandLineOptions("ITEM=" + item).sensor_key,
                            "ITEM=" + item, &outcome.values));
  outcome.verbatim = outcome.values.record_options.value_or("command line");
  return outcome;
}

const std::string kExample =
    "# GSNG: LOGW01    : PRD.P00#QAS.P00#\r\n"
    "# GSNG: LOGW01    : DEV.P00#\r\n"
    "# GSNX: LOGW01    : Item=LogWrites,Host,Sensor=\"SAP Tidewarden\"\r\n"
    "# GSNG: USAGE     : PRD.P00#\r\n"
    "# GSNX: USAGE     : Item=LogUsage,Sensor=\"SAP Tidewarden\"\r\n";

TEST(ReadListingTest, GlobalExample) {
  Outcome o = Global(kExample, "LOGW01");
  ASSERT_EQ(o.message, std::nullopt);
  EXPECT_EQ(o.values.server_listing, "PRD.P00#QAS.P00#DEV.P00#");
  EXPECT_EQ(o.values.item, "LogWrites");
  EXPECT_EQ(o.values.naming, ChannelNaming::kHost);
  EXPECT_EQ(o.verbatim, " Item=LogWrites,Host");
  EXPECT_FALSE(o.values.server_listing_cut);

  Outcome usage = Global(kExample, "usage");
  ASSERT_EQ(usage.message, std::nullopt);
  EXPECT_EQ(usage.values.server_listing, "PRD.P00#");
  EXPECT_EQ(usage.values.item, "LogUsage");
  EXPECT_EQ(usage.values.naming, ChannelNaming::kProfile);
}

TEST(ReadListingTest, GlobalKeysAndRecords) {
  struct {
    const char* name;
    std::string profile;
    std::string second_argument;
    std::string listing;
    std::string item;
    ChannelNaming naming;
    std::string verbatim;
  } cases[] = {
      {"key and prefix in any letter case",
       "# Gsng: LogW01    : A.P00#\n# gsnx: logw01    : Item=X,Sid," + kTag + "\n", "logw01",
       "A.P00#", "X", ChannelNaming::kSid, " Item=X,Sid"},
      {"key compared on 10 characters",
       "# GSNG: LOGWRITES0: A.P00#\n# GSNG: LOGWRITES02 B.P00#\n# GSNG: LOGWRITES1: C#\n"
       "# GSNX: LOGWRITES0: Item=Y," +
           kTag + "\n",
       "LOGWRITES01", "A.P00#B.P00#", "Y", ChannelNaming::kProfile, " Item=Y"},
      {"key is the first word of the options",
       "# GSNG: K1        : A#\n# GSNX: K1        : Item=Z," + kTag + "\n", "K1 #,SYSLOG", "A#",
       "Z", ChannelNaming::kProfile, " Item=Z"},
      {"Profile flag and item",
       "# GSNG: K         : A#\n# GSNX: K         : Item=WaitBusy,Profile," + kTag + "\n", "K",
       "A#", "WaitBusy", ChannelNaming::kProfile, " Item=WaitBusy,Profile"},
      {"colons become blanks",
       "# GSNG: K         : A#\n# GSNX: K         :Item=Log:Usage,Alias," + kTag + ",x:y\n", "K",
       "A#", "Log Usage", ChannelNaming::kAlias, "Item=Log Usage,Alias"},
      {"later flag in test order wins",
       "# GSNG: K         : A#\n"
       "# GSNX: K         : Item=I,Sid,Profile,Host," +
           kTag + "\n",
       "K", "A#", "I", ChannelNaming::kSid, " Item=I,Sid,Profile,Host"},
      {"last record gives item and options, flags add up",
       "# GSNG: K         : A#\n# GSNX: K         : Item=First,Host," + kTag +
           "\n"
           "# GSNX: K         : Item=Second," +
           kTag + "\n",
       "K", "A#", "Second", ChannelNaming::kHost, " Item=Second"},
      {"flags anywhere in the line",
       "# GSNG: K         : A#\n# GSNX: K         : Item=I," + kTag + ",Alias\n", "K", "A#", "I",
       ChannelNaming::kAlias, " Item=I"},
      {"listing line ending before character 21 adds nothing",
       "# GSNG: K         :\n# GSNG: K         : \n# GSNG: K         : A#\n"
       "# GSNX: K         : Item=I," +
           kTag + "\n",
       "K", "A#", "I", ChannelNaming::kProfile, " Item=I"},
      {"entry without closing #",
       "# GSNG: K         : A#B\n# GSNX: K         : Item=I," + kTag + "\n", "K", "A#B", "I",
       ChannelNaming::kProfile, " Item=I"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome o = Global(c.profile, c.second_argument);
    ASSERT_EQ(o.message, std::nullopt);
    EXPECT_EQ(o.values.server_listing, c.listing);
    EXPECT_EQ(o.values.item, c.item);
    EXPECT_EQ(o.values.naming, c.naming);
    EXPECT_EQ(o.verbatim, c.verbatim);
  }
}

TEST(ReadListingTest, MessagesInTheOrderOfTheTable) {
  const std::string listing = "# GSNG: K         : A.P00#\n";
  const std::string record = "# GSNX: K         : Item=I," + kTag + "\n";
  const std::string e1025 = "Error 1025: Global Server Listing missing...";
  const std::string e1026 = "Error 1026: Global Item Idenification missing...";
  const std::string e1029 = "Error 1029: Invalid Sensor-Allocation...";
  struct {
    const char* name;
    std::string profile;
    std::string second_argument;
    std::optional<std::string> message;
  } cases[] = {
      {"other program's tag, even before a good record",
       listing + "# GSNX: K         : Item=I,Sensor=\"SAP Othertool\"\n" + record, "K", e1029},
      {"tag in other letter case",
       listing + "# GSNX: K         : Item=I,sensor=\"SAP Tidewarden\"\n", "K", e1029},
      {"1029 before 1030 and 1025", "# GSNX: K         : Item=I\n", "K", e1029},
      {"no record for the key", listing + record, "OTHER",
       "Error 1030: Global Sensor OTHER not found..."},
      {"1030 names the argument as typed", listing + record, "other #",
       "Error 1030: Global Sensor other # not found..."},
      {"no second argument", listing + record, "", "Error 1030: Global Sensor (none) not found..."},
      {"record without listing", record, "K", e1025},
      {"listing of another key", "# GSNG: L         : A.P00#\n" + record, "K", e1025},
      {"record without Item=", listing + "# GSNX: K         : Host," + kTag + "\n", "K", e1026},
      {"1025 before 1026", "# GSNX: K         : " + kTag + "\n", "K", e1025},
      {"sound", listing + record, "K", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Global(c.profile, c.second_argument).message, c.message);
  }
}

TEST(ReadListingTest, ItemRun) {
  const std::string profile =
      "# Gsng: anything  : PRD.P00#\r\n"
      "# GSNG: LOGW01    : NOT.P00#\r\n"
      "# gsng: LOGW01    : NOT.P00#\r\n"
      "# GSNX: LOGW01    : Item=Other,Sid," +
      kTag +
      "\r\n"
      "# Gsng:           : QAS.P00#\r\n";
  Outcome o = Item(profile, "LogUsage");
  ASSERT_EQ(o.message, std::nullopt);
  EXPECT_EQ(o.values.server_listing, "PRD.P00#QAS.P00#");
  EXPECT_EQ(o.values.item, "LogUsage");
  EXPECT_EQ(o.values.naming, ChannelNaming::kProfile);
  EXPECT_EQ(o.verbatim, "command line");

  EXPECT_EQ(Item(profile, "").message, "Error 1026: Global Item Idenification missing...");
  EXPECT_EQ(Item("# GSNG: x         : PRD.P00#\n", "").message,
            "Error 1025: Global Server Listing missing...");
}

TEST(ReadListingTest, ProfileIsReadAgainFromTheDisk) {
  FakeFileSystem fs;  // the profile vanished since the search found it
  ListingValues values;
  values.item = "LogUsage";
  ProfileLocation item{"Marrowin.Prf", "C:\\Sensors\\", kItemPath, "# Gsng: x         : A#\n"};
  EXPECT_EQ(ReadListing(fs, item, false, "ITEM=LOGUSAGE", "ITEM=LogUsage", &values).message(),
            "Error 1024: ProFile Marrowin.Prf is missing...");
  ProfileLocation global{"SAP Marrowin.Gbl", "C:\\Sensors\\", kGlobalPath, kExample};
  EXPECT_EQ(ReadListing(fs, global, true, "LOGW01", "LOGW01", &values).message(),
            "Error 10x1: ProFile SAP Marrowin.Gbl is missing...");
  ASSERT_EQ(fs.reads.size(), 2u);
  EXPECT_EQ(fs.reads[0], kItemPath);
  EXPECT_EQ(fs.reads[1], kGlobalPath);
}

TEST(ReadListingTest, ListingLinesHaveRoomFor199Characters) {
  // The rest of a 250-character line is a line of its own, no listing line.
  std::string entries;
  for (int i = 0; i < 25; ++i) entries += "S" + std::to_string(100 + i) + ".P00#";  // 9 each
  const std::string line = "# Gsng: x         : " + entries;  // 20 + 225 characters
  Outcome o = Item(line + "\n", "LogUsage");
  ASSERT_EQ(o.message, std::nullopt);
  EXPECT_EQ(o.values.server_listing, entries.substr(0, 179));
}

TEST(ReadListingTest, ServerListingKeepsWholeEntriesWithinItsRoom) {
  std::string profile;
  std::string all;
  for (int i = 0; i < 300; ++i) {
    const std::string entry = "SYS" + std::to_string(1000 + i) + ".P00#";  // 12 characters
    profile += "# Gsng: x         : " + entry + "\n";
    all += entry;
  }
  Outcome o = Item(profile, "LogUsage");
  ASSERT_EQ(o.message, std::nullopt);
  EXPECT_EQ(o.values.server_listing, all.substr(0, 170 * 12));  // 2040 of 2047
  EXPECT_TRUE(o.values.server_listing_cut);

  // Exactly 2047 characters fit whole; one more drops the last entry.
  std::string exact;
  for (int i = 0; i < 11; ++i) exact += "# Gsng: x         : " + std::string(178, 'a') + "#\n";
  Outcome fits = Item(exact + "# Gsng: x         : " + std::string(77, 'b') + "#\n", "I");
  ASSERT_EQ(fits.message, std::nullopt);
  EXPECT_EQ(fits.values.server_listing.size(), 2047u);
  EXPECT_FALSE(fits.values.server_listing_cut);
  Outcome over = Item(exact + "# Gsng: x         : " + std::string(78, 'b') + "#\n", "I");
  ASSERT_EQ(over.message, std::nullopt);
  EXPECT_EQ(over.values.server_listing.size(), 11u * 179);
  EXPECT_TRUE(over.values.server_listing_cut);
}

TEST(ReadListingTest, LongRecordTextCutsOnlyTheOptions) {
  const std::string options = "Item=LogUsage," + std::string(130, 'o');
  Outcome o =
      Global("# GSNG: K         : A#\n# GSNX: K         : " + options + "," + kTag + "\n", "K");
  ASSERT_EQ(o.message, std::nullopt);  // the tag beyond character 127 still counts
  EXPECT_EQ(o.values.item, "LogUsage");
  EXPECT_EQ(o.verbatim, (" " + options).substr(0, kMaxRecordOptionText));
}

}  // namespace
}  // namespace tidewarden
