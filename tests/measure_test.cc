// The state line cycle of a sensor profile: first run, changes on the same
// server day, no change, a new day, a total that drops, a failed rewrite.
#include "collect/measure.h"

#include <gtest/gtest.h>

#include <memory>

#include "driver/documents.h"
#include "output/result_document.h"
#include "tests/fake_file_system.h"
#include "tests/fake_rfc_library.h"
#include "tests/fake_system.h"
#include "tests/line_ends.h"

namespace tidewarden {
namespace {

using Op = FakeFileSystem::Op;

class MeasureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeRfc::Reset();
    sap_ = std::make_unique<FakeSapLibrary>(fs_, console_);
    ASSERT_TRUE(sap_->sap.Prepare(CallLogger{}).ok());
    FakeRfc::Get().lastcollwrt = "Wed Dec  7 10:05:00 2022";
    Totals("1843221", "17", "5120", "1.310.720", "123");
  }
  void Totals(const char* writes, const char* busy, const char* rollbacks, const char* size,
              const char* alloc) {
    FakeRfc::Get().dbora_fields = {{"LOGWRITES", writes}, {"WAIT_BUSY", busy},
                                   {"ROLLBACKS", rollbacks}, {"LOGSIZE", size},
                                   {"LOGALLOC", alloc}};
  }
  SystemOutcome Measure(const ProfileLines* lines) {
    MeasureInput input{sap_->sap, fs_, console_, CallLogger{}, LogonParameters{}, lines,
                       "PRD.P00"};
    input.logon.destination = "PRD";
    return MeasureSystem(input);
  }
  // One measurement over the profile as it is on the fake disk; the
  // document as the single-system run makes it.
  MeasureEnd Collect() {
    lines_.lines.clear();
    std::string content = fs_.Content("PRD.P00");
    std::size_t start = 0;
    while (start < content.size()) {
      std::size_t end = content.find('\n', start);
      if (end == std::string::npos) end = content.size();
      lines_.lines.push_back(content.substr(start, end - start));
      start = end + 1;
    }
    document_.Clear();
    const SystemOutcome outcome = Measure(&lines_);
    if (outcome.end == MeasureEnd::kMeasured) {
      SetLoggingDocument(document_, "PRD", outcome.figures);
    } else if (outcome.end == MeasureEnd::kRewriteFailed) {
      document_.Append("Error 1016: ReWriting of Profile PRD.P00 failed !");
    }
    return outcome.end;
  }
  std::string Channels(const char* w, const char* b, const char* r, const char* u) {
    return std::string("\n<Result><Channel>LogWrites</Channel>\n<Value>") + w +
           "</Value></Result>\n\n<Result><Channel>WaitBusy</Channel>\n<Value>" + b +
           "</Value></Result>\n\n<Result><Channel>RollBacks</Channel>\n<Value>" + r +
           "</Value></Result>\n\n<Result><Channel>LogUsage</Channel>\n<Unit>Custom</Unit>\n"
           "<CustomUnit>PerCent</CustomUnit>\n<Value>" + u + "</Value></Result>\n";
  }

  FakeFileSystem fs_;
  StringConsole console_;
  ResultDocument document_;
  std::unique_ptr<FakeSapLibrary> sap_;
  ProfileLines lines_;
};

TEST_F(MeasureTest, FirstRunAddsTheStateLine) {
  fs_.Add("PRD.P00", "Destination: PRD\n* comment\n");
  ASSERT_EQ(Collect(), MeasureEnd::kMeasured);
  EXPECT_EQ(Lf(fs_.Content("PRD.P00")),
            "Destination: PRD\n* comment\n"
            "# Olg Date=20221207 10:05:00 Writes=1843221 WaitBusy=17 RollBacks=5120\n");
  EXPECT_EQ(document_.text(),
            "\n<Prtg>\n\n<Text>(PRD) Logging: LogWrites=0, WaitBusy=0, RollBacks=0, "
            "LogUsage=0% </Text>\n" + Channels("0", "0", "0", "0") + "\n</Prtg>\n");
}

TEST_F(MeasureTest, SameDayChangeReportsDifferencesAndKeepsHistory) {
  fs_.Add("PRD.P00",
          "a\n# Olx Date=20221207 09:00:00 Writes=1 WaitBusy=1 RollBacks=1\n"
          "# Olg Date=20221207 10:00:00 Writes=600000 WaitBusy=17 RollBacks=5118\nz\n");
  Totals("1843221", "17", "5120", "900", "27");
  ASSERT_EQ(Collect(), MeasureEnd::kMeasured);
  EXPECT_EQ(Lf(fs_.Content("PRD.P00")),
            "a\nz\n# Olg Date=20221207 10:05:00 Writes=1843221 WaitBusy=17 RollBacks=5120\n"
            "# Olx Date=20221207 10:00:00 Writes=600000 WaitBusy=17 RollBacks=5118\n");
  EXPECT_EQ(document_.text(),
            "\n<Prtg>\n\n<Text>(PRD) Logging: LogWrites=1.243.221, WaitBusy=0, RollBacks=2, "
            "LogUsage=3% </Text>\n" + Channels("1243221", "0", "2", "3") + "\n</Prtg>\n");
}

TEST_F(MeasureTest, UnchangedTotalsLeaveTheProfileAlone) {
  const std::string profile =
      "a\n# Olg Date=20221207 09:00:00 Writes=1843221 WaitBusy=17 RollBacks=5120\n";
  fs_.Add("PRD.P00", profile);
  ASSERT_EQ(Collect(), MeasureEnd::kMeasured);
  EXPECT_TRUE(fs_.writes.empty());
  EXPECT_EQ(fs_.Content("PRD.P00"), profile);
  EXPECT_NE(document_.text().find("LogWrites=0, WaitBusy=0, RollBacks=0"), std::string::npos);
}

TEST_F(MeasureTest, NewServerDayStartsAfresh) {
  fs_.Add("PRD.P00", "# Olg Date=20221206 23:59:00 Writes=5 WaitBusy=5 RollBacks=5\n");
  ASSERT_EQ(Collect(), MeasureEnd::kMeasured);
  EXPECT_EQ(Lf(fs_.Content("PRD.P00")),
            "# Olg Date=20221207 10:05:00 Writes=1843221 WaitBusy=17 RollBacks=5120\n"
            "# Olx Date=20221206 23:59:00 Writes=5 WaitBusy=5 RollBacks=5\n");
  EXPECT_NE(document_.text().find("LogWrites=0, WaitBusy=0, RollBacks=0"), std::string::npos);
}

TEST_F(MeasureTest, ADroppedTotalWrapsAround) {
  fs_.Add("PRD.P00", "# Olg Date=20221207 09:00:00 Writes=1843321 WaitBusy=17 RollBacks=5120\n");
  ASSERT_EQ(Collect(), MeasureEnd::kMeasured);
  EXPECT_NE(document_.text().find("LogWrites=4294.967.196,"), std::string::npos);
  EXPECT_NE(document_.text().find("<Value>4294967196</Value>"), std::string::npos);
  EXPECT_NE(fs_.Content("PRD.P00").find("# Olg Date=20221207 10:05:00 Writes=1843221 "),
            std::string::npos);
}

TEST_F(MeasureTest, EveryFailingRewriteStepReports1016AndKeepsTheProfile) {
  const std::string profile = "User.......: X\n";
  for (Op op : {Op::kCreateTemp, Op::kTempAppend, Op::kTempSync, Op::kTempClose, Op::kReplace}) {
    fs_ = FakeFileSystem();
    fs_.Add("PRD.P00", profile);
    fs_.Fail(op);
    EXPECT_EQ(Collect(), MeasureEnd::kRewriteFailed);
    EXPECT_EQ(document_.text(), "Error 1016: ReWriting of Profile PRD.P00 failed !");
    EXPECT_EQ(fs_.Content("PRD.P00"), profile);
    EXPECT_EQ(fs_.Paths(), std::vector<std::string>{"PRD.P00"}) << static_cast<int>(op);
  }
}

TEST_F(MeasureTest, StaleTemporaryFilesOfKilledRunsAreRemoved) {
  fs_.Add("PRD.P00", "x\n");
  fs_.Add("PRD.P00.99-0.tmp", "half", 7200);
  fs_.Add("PRD.P00.98-0.tmp", "running", 10);
  Collect();
  EXPECT_FALSE(fs_.Exists("PRD.P00.99-0.tmp"));
  EXPECT_TRUE(fs_.Exists("PRD.P00.98-0.tmp"));
}

TEST_F(MeasureTest, ListingRunPrintsOneChannelPerItem) {
  struct {
    const char* item;
    const char* printed;
  } cases[] = {
      {"LogUsage",
       "\n<Result><Channel>PRD</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent"
       "</CustomUnit>\n<Value>3</Value></Result>\n"},
      {"LogWrites", "\n<Result><Channel>PRD</Channel>\n<Value>0</Value></Result>\n"},
      {"RollBacks", "\n<Result><Channel>PRD</Channel>\n<Value>0</Value></Result>\n"},
      {"logusage", ""},
      {"Other", ""},
  };
  Totals("1", "2", "3", "900", "27");
  for (const auto& c : cases) {
    console_.output.clear();
    const SystemOutcome outcome = Measure(nullptr);
    EXPECT_EQ(outcome.end, MeasureEnd::kMeasured);
    PrintListingChannel(console_, document_, c.item, "PRD", outcome.figures);
    EXPECT_EQ(console_.output, c.printed) << c.item;
    EXPECT_EQ(document_.text(), "");
    EXPECT_TRUE(fs_.writes.empty());
  }
}

TEST(IsOracleTest, FirstThreeCharactersWithLetterCase) {
  EXPECT_TRUE(IsOracle("ORACLE    "));
  EXPECT_TRUE(IsOracle("ORA"));
  for (const char* name : {"DB6", "ADABAS D", "MSSQL", "ora", "          ", "", "OR"}) {
    EXPECT_FALSE(IsOracle(name)) << name;
  }
}

}  // namespace
}  // namespace tidewarden
