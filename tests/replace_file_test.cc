#include "platform/replace_file.h"

#include <gtest/gtest.h>

#include "tests/fake_file_system.h"

namespace tidewarden {
namespace {

using Op = FakeFileSystem::Op;

TEST(ReplaceFileContentsTest, ReplacesAndLeavesNoTemporaryFile) {
  FakeFileSystem fs;
  fs.Add("dir\\PRD.P00", "old");
  ASSERT_TRUE(ReplaceFileContents(fs, "dir\\PRD.P00", "new").ok());
  EXPECT_EQ(fs.Content("dir\\PRD.P00"), "new");
  EXPECT_EQ(fs.Paths(), std::vector<std::string>{"dir\\PRD.P00"});
}

TEST(ReplaceFileContentsTest, EveryFailingStepKeepsTheOriginal) {
  for (Op op : {Op::kCreateTemp, Op::kTempAppend, Op::kTempSync, Op::kTempClose, Op::kReplace}) {
    FakeFileSystem fs;
    fs.Add("PRD.P00", "old");
    fs.Fail(op);
    EXPECT_FALSE(ReplaceFileContents(fs, "PRD.P00", "new").ok());
    EXPECT_EQ(fs.Content("PRD.P00"), "old");
    EXPECT_EQ(fs.Paths(), std::vector<std::string>{"PRD.P00"}) << static_cast<int>(op);
  }
}

TEST(RemoveStaleTempFilesTest, OnlyOldTemporaryFilesOfThisProfile) {
  FakeFileSystem fs;
  fs.Add("d\\PRD.P00", "p");
  fs.Add("d\\PRD.P00.123-0.tmp", "old", 7200);
  fs.Add("d\\PRD.P00.124-0.tmp", "young", 60);
  fs.Add("d\\QAS.P00.1-0.tmp", "other profile", 7200);
  fs.Add("d\\PRD.P00.tmp", "too short", 7200);
  fs.Add("d\\PRD.P00.log", "log", 7200);
  RemoveStaleTempFiles(fs, "d\\PRD.P00");
  EXPECT_EQ(fs.removed, std::vector<std::string>{"d\\PRD.P00.123-0.tmp"});
}

}  // namespace
}  // namespace tidewarden
