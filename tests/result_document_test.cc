#include "output/result_document.h"

#include <gtest/gtest.h>

#include <string>

namespace tidewarden {
namespace {

class ResultDocumentTest : public ::testing::Test {
 protected:
  ResultDocument Make(const std::string& mode, std::optional<std::int32_t> channel = {}) {
    return ResultDocument({mode, channel});
  }
};

struct FormCase {
  const char* mode;
  const char* begin;
  const char* open;
  const char* close;
  const char* end;
};

TEST_F(ResultDocumentTest, FragmentsOfEveryForm) {
  const FormCase cases[] = {
      {"EXEXML", "\n<Prtg>\n", "\n<Text>", "</Text>\n", "\n</Prtg>\n"},
      {"Vantrel", "\n<Prtg>\n", "\n<Text>", "</Text>\n", "\n</Prtg>\n"},
      {"Corvane", "\n<Prtg>\n", "\n<Text>", "</Text>\n", "\n</Prtg>\n"},
      {"Draxholm", "", "\n# ", "", "\n"},
      {"Pellard", "", "\n# ", "", "\n"},
  };
  for (const FormCase& c : cases) {
    SCOPED_TRACE(c.mode);
    ResultDocument doc = Make(c.mode);
    doc.Append("junk before");
    doc.BeginDocument();
    EXPECT_EQ(doc.text(), c.begin);
    doc.OpenText();
    EXPECT_EQ(doc.text(), std::string(c.begin) + c.open);
    doc.Append("line");
    doc.CloseText();
    EXPECT_EQ(doc.text(), std::string(c.begin) + c.open + "line" + c.close);
    doc.EndDocument();
    EXPECT_EQ(doc.text(), std::string(c.begin) + c.open + "line" + c.close + c.end);
  }
}

TEST_F(ResultDocumentTest, ErrorDocumentIsTheSameInEveryMode) {
  for (const char* mode : {"EXEXML", "Vantrel", "Corvane", "Draxholm", "Pellard"}) {
    ResultDocument doc = Make(mode, 1);
    doc.BeginDocument();
    doc.SetErrorDocument("Error 1001: Parameter for Profile-Name is missing !");
    EXPECT_EQ(doc.text(),
              "<Prtg>\n<Error>1</Error>\n<Text>Error 1001: Parameter for Profile-Name is missing "
              "!</Text>\n</Prtg>\n")
        << mode;
  }
}

struct ChannelCase {
  const char* mode;
  std::optional<std::int32_t> channel;
  const char* name;
  const char* value;
  const char* unit;
  const char* expected;
};

TEST_F(ResultDocumentTest, FirstChannelInEveryForm) {
  const ChannelCase cases[] = {
      {"EXEXML",
       {},
       "LogUsage",
       "3",
       "PerCent",
       "\n<Result><Channel>LogUsage</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent"
       "</CustomUnit>\n<Value>3</Value></Result>\n"},
      {"Corvane",
       {},
       "LogWrites",
       "12",
       "",
       "\n<Result><Channel>LogWrites</Channel>\n<Value>12</Value></Result>\n"},
      {"Draxholm",
       {},
       "LogUsage",
       "3",
       "PerCent",
       "\n\nMessage.LogUsage: LogUsage (%)\nStatistic.LogUsage: 3"},
      {"Draxholm",
       {},
       "Resp",
       "7",
       "TimeResponse",
       "\n\nMessage.Resp: Resp (mSec)\nStatistic.Resp: 7"},
      {"Draxholm",
       {},
       "PRD 01:a.b.c",
       "0",
       "",
       "\n\nMessage.PRD_01_a_b.c: PRD 01:a.b.c (#)\nStatistic.PRD_01_a_b.c: 0"},
      {"Pellard", {}, "LogUsage", "3", "PerCent", "\n> LogUsage: 3 %"},
      {"Pellard", {}, "LogWrites", "5", "", "\n> LogWrites: 5 #"},
      {"Pellard", 1, "LogUsage", "3", "PerCent", "3"},
      {"Pellard", 2, "LogUsage", "3", "PerCent", ""},
      {"Pellard", 0, "LogUsage", "3", "PerCent", ""},
      {"EXEXML", 2, "LogWrites", "12", "",
       "\n<Result><Channel>LogWrites</Channel>\n<Value>12</Value></Result>\n"},
  };
  for (const ChannelCase& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.channel.value_or(-1)) + " " + c.name);
    ResultDocument doc = Make(c.mode, c.channel);
    doc.AddChannel(c.name, c.value, c.unit);
    EXPECT_EQ(doc.text(), c.expected);
    EXPECT_EQ(doc.channel_counter(), 1);
  }
}

TEST_F(ResultDocumentTest, PellardSelectsByChannelNumber) {
  for (const std::int32_t channel : {12, 123, 0, 3}) {
    SCOPED_TRACE(channel);
    ResultDocument doc = Make("Pellard", channel);
    std::string expected;
    for (int i = 1; i <= 130; ++i) {
      doc.AddChannel("C", std::to_string(i), "");
      if (i == channel) expected = std::to_string(i);
    }
    EXPECT_EQ(doc.text(), expected);
  }
}

TEST_F(ResultDocumentTest, PellardWithChannelSelectionDropsTheTextPart) {
  ResultDocument doc = Make("Pellard", 2);
  doc.BeginDocument();
  doc.OpenText();
  doc.Append("(PRD) Logging: ...");
  doc.CloseText();
  doc.AddChannel("LogWrites", "1", "");
  doc.AddChannel("WaitBusy", "2", "");
  doc.AddChannel("RollBacks", "3", "");
  doc.EndDocument();
  EXPECT_EQ(doc.text(), "2\n");
}

TEST_F(ResultDocumentTest, DraxholmStopsAfterTenChannels) {
  ResultDocument doc = Make("Draxholm");
  for (int i = 1; i <= 10; ++i) doc.AddChannel("C", "1", "");
  const std::string ten = doc.text();
  doc.AddChannel("Eleven", "11", "");
  doc.AddChannel("Twelve", "12", "");
  EXPECT_EQ(doc.text(), ten);
  EXPECT_EQ(doc.channel_counter(), 12);
  doc.EndDocument();
  EXPECT_EQ(doc.text(), ten + "\n");
}

TEST_F(ResultDocumentTest, XmlTextsAreEscaped) {
  ResultDocument doc = Make("EXEXML");
  doc.BeginDocument();
  doc.OpenText();
  doc.Append("a & b </Text><Result>x</Result>");
  doc.CloseText();
  doc.AddChannel("R&D <1>", "5", "a<b");
  EXPECT_EQ(doc.text(),
            "\n<Prtg>\n\n<Text>a &amp; b &lt;/Text&gt;&lt;Result&gt;x&lt;/Result&gt;</Text>\n"
            "\n<Result><Channel>R&amp;D &lt;1&gt;</Channel>\n<Unit>Custom</Unit>\n"
            "<CustomUnit>a&lt;b</CustomUnit>\n<Value>5</Value></Result>\n");
}

TEST_F(ResultDocumentTest, TextFormsAreNotEscaped) {
  ResultDocument doc = Make("Pellard");
  doc.AddChannel("R&D", "5", "");
  EXPECT_EQ(doc.text(), "\n> R&D: 5 #");
}

TEST_F(ResultDocumentTest, ErrorDocumentEscapesAppendedFailureTexts) {
  for (const char* mode : {"EXEXML", "Pellard"}) {
    ResultDocument doc = Make(mode);
    doc.Clear();
    doc.Append("Error 1014: RFC-Failure raised !");
    doc.Append(" - </Text><Result>evil</Result> & more");
    doc.SetErrorDocumentFromAppended();
    EXPECT_EQ(doc.text(),
              "<Prtg>\n<Error>1</Error>\n<Text>Error 1014: RFC-Failure raised ! - "
              "&lt;/Text&gt;&lt;Result&gt;evil&lt;/Result&gt; &amp; more</Text>\n</Prtg>\n")
        << mode;
  }
}

TEST_F(ResultDocumentTest, RoomIsNeverExceeded) {
  ResultDocument doc = Make("EXEXML");
  doc.BeginDocument();
  doc.OpenText();
  doc.Append(std::string(5000, 'x'));
  EXPECT_EQ(doc.text().size(), ResultDocument::kRoom);
  doc.CloseText();
  doc.AddChannel("LogWrites", "1", "");
  EXPECT_EQ(doc.text().size(), ResultDocument::kRoom);
}

TEST_F(ResultDocumentTest, LongErrorMessageKeepsClosingTags) {
  ResultDocument doc = Make("EXEXML");
  doc.SetErrorDocument(std::string(4090, 'y') + "&&&&");
  EXPECT_LE(doc.text().size(), ResultDocument::kRoom);
  EXPECT_EQ(doc.text().substr(0, 30), "<Prtg>\n<Error>1</Error>\n<Text>");
  EXPECT_EQ(doc.text().substr(doc.text().size() - 16), "</Text>\n</Prtg>\n");
  // Cut before an entity, never through one.
  ResultDocument amp = Make("EXEXML");
  std::string message(4040, 'z');
  message += std::string(10, '&');
  amp.SetErrorDocument(message);
  const std::string& text = amp.text();
  std::string body = text.substr(30, text.size() - 30 - 16);
  EXPECT_EQ(body.size() % 1, 0u);
  std::size_t last_amp = body.rfind('&');
  ASSERT_NE(last_amp, std::string::npos);
  EXPECT_EQ(body.substr(last_amp), "&amp;");
}

}  // namespace
}  // namespace tidewarden
