// The contract of FileSystem, run over the recording fake and the real file
// system (POSIX natively, Windows in the cross builds under Wine), so that
// tests on the fake prove what the probe does on a real disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/setup_facts.h"
#include "tests/fake_file_system.h"

#ifndef _WIN32
#include "platform/posix_path.h"
#endif

namespace tidewarden {
namespace {

// A file system and a fresh, empty folder in it. Paths are in the probe's
// own form, with "\" separators.
class FakeUnderTest {
 public:
  static constexpr const char* kName = "Fake";
  FileSystem& fs() { return fake_; }
  std::string Folder() const { return "C:\\contract\\"; }
  void MakeFolder(const std::string& name) { fake_.AddDirectory(Folder() + name); }

 private:
  FakeFileSystem fake_ = [] {
    FakeFileSystem fake;
    fake.AddDirectory("C:\\contract\\");
    return fake;
  }();
};

class RealUnderTest {
 public:
  static constexpr const char* kName = "Real";
  RealUnderTest() {
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
      std::filesystem::path candidate = temp / ("tidewarden-contract-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate, error)) folder_ = candidate;
    }
    if (folder_.empty()) ADD_FAILURE() << "cannot create a folder in " << temp;
  }
  ~RealUnderTest() {
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
  }
  FileSystem& fs() { return RealFileSystem(); }
  std::string Folder() const {
    std::string folder = folder_.string();
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return folder + "\\";
  }
  void MakeFolder(const std::string& name) {
    std::error_code error;
    std::filesystem::create_directory(folder_ / name, error);
    ASSERT_FALSE(error) << error.message();
  }

 private:
  std::filesystem::path folder_;
};

template <typename UnderTest>
class FileSystemContractTest : public testing::Test {
 protected:
  FileSystem& fs() { return under_test_.fs(); }
  std::string Path(const std::string& name) const { return under_test_.Folder() + name; }
  std::string Folder() const { return under_test_.Folder(); }
  void MakeFolder(const std::string& name) { under_test_.MakeFolder(name); }

  std::vector<std::string> ListedNames(const std::string& directory) {
    std::vector<DirectoryEntry> entries;
    Status status = fs().ListDirectory(directory, &entries);
    EXPECT_TRUE(status.ok()) << status.message();
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : entries) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
  }

  UnderTest under_test_;
};

struct ImplementationName {
  template <typename T>
  static std::string GetName(int) {
    return T::kName;
  }
};

using Implementations = testing::Types<FakeUnderTest, RealUnderTest>;
TYPED_TEST_SUITE(FileSystemContractTest, Implementations, ImplementationName);

// Bytes that text-mode I/O would change (CR LF, Ctrl-Z, NUL, high bytes)
// must arrive exactly as written.
TYPED_TEST(FileSystemContractTest, WriteAndReadAreBinary) {
  static constexpr char kBytes[] = "line 1\r\nline 2\n\x1a\0 \xff\xe4 end\r";
  const std::string content(kBytes, sizeof kBytes - 1);
  const std::string path = this->Path("PRD.P00");
  ASSERT_TRUE(this->fs().WriteFile(path, content).ok());
  std::string read;
  Status status = this->fs().ReadFile(path, &read);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(read, content);
  EXPECT_EQ(this->fs().FileSize(path), static_cast<std::int64_t>(content.size()));
  EXPECT_TRUE(this->fs().CanOpenForReading(path));
}

TYPED_TEST(FileSystemContractTest, WriteReplacesTheWholeContent) {
  const std::string path = this->Path("PRD.P00");
  ASSERT_TRUE(this->fs().WriteFile(path, "a long first content").ok());
  ASSERT_TRUE(this->fs().WriteFile(path, "short").ok());
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(path, &read).ok());
  EXPECT_EQ(read, "short");
  ASSERT_TRUE(this->fs().WriteFile(path, "").ok());
  EXPECT_EQ(this->fs().FileSize(path), 0);
  EXPECT_TRUE(this->fs().CanOpenForReading(path));
}

TYPED_TEST(FileSystemContractTest, AppendCreatesThenAppends) {
  const std::string path = this->Path("PRD.log");
  ASSERT_TRUE(this->fs().AppendToFile(path, "one\n").ok());
  ASSERT_TRUE(this->fs().AppendToFile(path, "two\r\n").ok());
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(path, &read).ok());
  EXPECT_EQ(read, "one\ntwo\r\n");
  EXPECT_EQ(this->fs().FileSize(path), 9);
}

TYPED_TEST(FileSystemContractTest, ReadRefusesMoreThanMaxBytes) {
  const std::string path = this->Path("big");
  ASSERT_TRUE(this->fs().WriteFile(path, std::string(10000, 'x')).ok());
  std::string read;
  EXPECT_TRUE(this->fs().ReadFile(path, &read, 10000).ok());
  EXPECT_EQ(read.size(), 10000u);
  Status status = this->fs().ReadFile(path, &read, 9999);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message().rfind(path + ": ", 0), 0u) << status.message();
  EXPECT_EQ(read, "");
}

TYPED_TEST(FileSystemContractTest, MissingFile) {
  const std::string path = this->Path("missing.P00");
  std::string read = "stale";
  Status status = this->fs().ReadFile(path, &read);
  EXPECT_FALSE(status.ok());
  // "context: detail", the context being the path as the caller gave it.
  EXPECT_EQ(status.message().rfind(path + ": ", 0), 0u) << status.message();
  EXPECT_EQ(read, "");
  EXPECT_FALSE(this->fs().CanOpenForReading(path));
  EXPECT_EQ(this->fs().FileSize(path), -1);
  EXPECT_TRUE(this->fs().RemoveFile(path).ok()) << "a missing file is no error";
  EXPECT_FALSE(this->fs().CanOpenForReading(""));
  EXPECT_FALSE(this->fs().ReadFile("", &read).ok());
}

TYPED_TEST(FileSystemContractTest, FileInMissingFolderCannotBeWritten) {
  const std::string path = this->Path("no such folder\\PRD.P00");
  EXPECT_FALSE(this->fs().WriteFile(path, "x").ok());
  EXPECT_FALSE(this->fs().AppendToFile(path, "x").ok());
  EXPECT_FALSE(this->fs().CanOpenForReading(path));
}

TYPED_TEST(FileSystemContractTest, RemoveFile) {
  const std::string path = this->Path("Dev_Rfc.Trc");
  ASSERT_TRUE(this->fs().WriteFile(path, "trace").ok());
  ASSERT_TRUE(this->fs().RemoveFile(path).ok());
  EXPECT_FALSE(this->fs().CanOpenForReading(path));
  EXPECT_EQ(this->fs().FileSize(path), -1);
  EXPECT_EQ(this->ListedNames(this->Folder()), std::vector<std::string>{});
}

// A folder named like the profile (or the log) is no file: it is neither
// read, nor written, nor removed.
TYPED_TEST(FileSystemContractTest, FolderWhereAFileIsExpected) {
  this->MakeFolder("PRD.P00");
  const std::string path = this->Path("PRD.P00");
  std::string read = "stale";
  Status status = this->fs().ReadFile(path, &read);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(read, "");
  EXPECT_FALSE(this->fs().CanOpenForReading(path));
  EXPECT_FALSE(this->fs().WriteFile(path, "x").ok());
  EXPECT_EQ(this->ListedNames(this->Folder()), std::vector<std::string>{})
      << "folders are not listed";
}

TYPED_TEST(FileSystemContractTest, FolderHasNoFileSize) {
  this->MakeFolder("PRD.P00.log");
  EXPECT_EQ(this->fs().FileSize(this->Path("PRD.P00.log")), -1);
}

TYPED_TEST(FileSystemContractTest, FolderIsNotAppendedTo) {
  this->MakeFolder("PRD.log");
  EXPECT_FALSE(this->fs().AppendToFile(this->Path("PRD.log"), "x").ok());
}

TYPED_TEST(FileSystemContractTest, FolderIsNotRemovedAsAFile) {
  this->MakeFolder("Dev_Rfc.Trc");
  EXPECT_FALSE(this->fs().RemoveFile(this->Path("Dev_Rfc.Trc")).ok());
  EXPECT_FALSE(this->fs().WriteFile(this->Path("Dev_Rfc.Trc"), "x").ok())
      << "the folder is still there";
}

TYPED_TEST(FileSystemContractTest, TemporaryFileReplacesTheTarget) {
  const std::string target = this->Path("PRD.P00");
  ASSERT_TRUE(this->fs().WriteFile(target, "old").ok());
  std::string temp_path;
  std::unique_ptr<WritableFile> file;
  Status status = this->fs().CreateTempFileBeside(target, &temp_path, &file);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(temp_path.rfind(target + ".", 0), 0u) << temp_path;
  EXPECT_GT(temp_path.size(), target.size() + 5) << "a unique part before .tmp";
  EXPECT_EQ(temp_path.substr(temp_path.size() - 4), ".tmp");
  ASSERT_TRUE(file->Append("new ").ok());
  ASSERT_TRUE(file->Append("content").ok());
  ASSERT_TRUE(file->Sync().ok());
  ASSERT_TRUE(file->Close().ok());

  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(target, &read).ok());
  EXPECT_EQ(read, "old") << "the target is untouched until the replacement";
  ASSERT_TRUE(this->fs().ReadFile(temp_path, &read).ok());
  EXPECT_EQ(read, "new content");

  status = this->fs().ReplaceFile(temp_path, target);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_TRUE(this->fs().ReadFile(target, &read).ok());
  EXPECT_EQ(read, "new content");
  EXPECT_FALSE(this->fs().CanOpenForReading(temp_path));
  EXPECT_EQ(this->ListedNames(this->Folder()), std::vector<std::string>{"PRD.P00"});
}

TYPED_TEST(FileSystemContractTest, ReplaceCreatesAMissingTarget) {
  const std::string target = this->Path("new.P00");
  std::string temp_path;
  std::unique_ptr<WritableFile> file;
  ASSERT_TRUE(this->fs().CreateTempFileBeside(target, &temp_path, &file).ok());
  ASSERT_TRUE(file->Append("first").ok());
  ASSERT_TRUE(file->Close().ok());
  Status status = this->fs().ReplaceFile(temp_path, target);
  ASSERT_TRUE(status.ok()) << status.message();
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(target, &read).ok());
  EXPECT_EQ(read, "first");
  EXPECT_EQ(this->ListedNames(this->Folder()), std::vector<std::string>{"new.P00"});
}

// How a full log is kept as its one previous file: any file over another.
TYPED_TEST(FileSystemContractTest, ReplaceMovesAFileOverAnother) {
  const std::string log = this->Path("PRD.P00.log");
  const std::string previous = this->Path("PRD.P00.log.1");
  ASSERT_TRUE(this->fs().WriteFile(log, "current").ok());
  ASSERT_TRUE(this->fs().WriteFile(previous, "older").ok());
  Status status = this->fs().ReplaceFile(log, previous);
  ASSERT_TRUE(status.ok()) << status.message();
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(previous, &read).ok());
  EXPECT_EQ(read, "current");
  EXPECT_EQ(this->fs().FileSize(log), -1);
  EXPECT_EQ(this->ListedNames(this->Folder()), std::vector<std::string>{"PRD.P00.log.1"});
}

TYPED_TEST(FileSystemContractTest, TemporaryFilesBesideOneTargetAreDistinct) {
  const std::string target = this->Path("PRD.P00");
  std::string first_path, second_path;
  std::unique_ptr<WritableFile> first, second;
  ASSERT_TRUE(this->fs().CreateTempFileBeside(target, &first_path, &first).ok());
  ASSERT_TRUE(this->fs().CreateTempFileBeside(target, &second_path, &second).ok());
  EXPECT_NE(first_path, second_path);
  ASSERT_TRUE(first->Append("1").ok());
  ASSERT_TRUE(second->Append("2").ok());
  ASSERT_TRUE(first->Close().ok());
  ASSERT_TRUE(second->Close().ok());
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(first_path, &read).ok());
  EXPECT_EQ(read, "1");
  ASSERT_TRUE(this->fs().ReadFile(second_path, &read).ok());
  EXPECT_EQ(read, "2");
}

TYPED_TEST(FileSystemContractTest, ReplaceFromAMissingFileFailsAndKeepsTheTarget) {
  const std::string target = this->Path("PRD.P00");
  ASSERT_TRUE(this->fs().WriteFile(target, "old").ok());
  EXPECT_FALSE(this->fs().ReplaceFile(this->Path("PRD.P00.gone.tmp"), target).ok());
  std::string read;
  ASSERT_TRUE(this->fs().ReadFile(target, &read).ok());
  EXPECT_EQ(read, "old");
}

TYPED_TEST(FileSystemContractTest, ListDirectoryNamesFilesWithTheirAge) {
  ASSERT_TRUE(this->fs().WriteFile(this->Path("PRD.P00"), "p").ok());
  ASSERT_TRUE(this->fs().WriteFile(this->Path("PRD.P00.1-0.tmp"), "t").ok());
  ASSERT_TRUE(this->fs().WriteFile(this->Path("Sap Marrowin.Gbl"), "g").ok());
  this->MakeFolder("Custom Sensors");
  EXPECT_EQ(this->ListedNames(this->Folder()),
            (std::vector<std::string>{"PRD.P00", "PRD.P00.1-0.tmp", "Sap Marrowin.Gbl"}));
  std::vector<DirectoryEntry> entries;
  ASSERT_TRUE(this->fs().ListDirectory(this->Folder(), &entries).ok());
  for (const DirectoryEntry& entry : entries) {
    // Just written: no age worth the name, and never in the future.
    EXPECT_GE(entry.age_seconds, 0) << entry.name;
    EXPECT_LT(entry.age_seconds, 600) << entry.name;
  }
}

TYPED_TEST(FileSystemContractTest, ListDirectoryWithoutTrailingSeparator) {
  ASSERT_TRUE(this->fs().WriteFile(this->Path("PRD.P00"), "p").ok());
  std::string folder = this->Folder();
  folder.pop_back();
  EXPECT_EQ(this->ListedNames(folder), std::vector<std::string>{"PRD.P00"});
}

// The lock that keeps runs from replacing each other's library ini file.
TYPED_TEST(FileSystemContractTest, LockIsExclusiveUntilReleased) {
  const std::string path = this->Path("SapRfc.ini.lock");
  std::unique_ptr<FileLock> first, second;
  ASSERT_TRUE(this->fs().LockFile(path, 0, &first).ok());
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(this->fs().CanOpenForReading(path)) << "a lock file is an ordinary file";
  EXPECT_FALSE(this->fs().LockFile(path, 20, &second).ok()) << "held, and stays held";
  EXPECT_EQ(second, nullptr);
  first.reset();
  EXPECT_TRUE(this->fs().LockFile(path, 0, &second).ok()) << "free again once released";
  EXPECT_FALSE(this->fs().LockFile(this->Path("missing\\x.lock"), 0, &first).ok());
}

TYPED_TEST(FileSystemContractTest, ListingAMissingFolderFails) {
  std::vector<DirectoryEntry> entries;
  EXPECT_FALSE(this->fs().ListDirectory(this->Path("missing\\"), &entries).ok());
  EXPECT_TRUE(entries.empty());
}

// Another account's file: the others' rights alone would shut the monitor out.
TEST(NarrowingTest, OwnershipFirstWhenAnotherAccountOwnsTheFile) {
  EXPECT_EQ(PosixNarrowing("/s/PRD.P00", "root", "monitor"),
            "as root: chown 'monitor' '/s/PRD.P00' && chmod go-rwx '/s/PRD.P00'");
  EXPECT_EQ(WindowsNarrowing("P.P00", "Administrators", "SYSTEM", " *S-1-1-0"),
            "as an administrator: icacls \"P.P00\" /setowner \"SYSTEM\" && icacls \"P.P00\" "
            "/grant \"SYSTEM:(M)\" && icacls \"P.P00\" /inheritance:d && icacls \"P.P00\" "
            "/remove:g *S-1-1-0");
}

#ifndef _WIN32
// The POSIX build's reading of the probe's Windows paths (docs/platform.md).
TEST(ToPosixPathTest, WindowsPathsOnPosix) {
  struct {
    const char* probe_path;
    const char* posix_path;
  } cases[] = {
      {"C:\\PRTG_Path.Txt", "/PRTG_Path.Txt"},
      {"c:\\PRTG_Path.Txt", "/PRTG_Path.Txt"},
      {"D:\\Apps\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\PRD.P00",
       "/Apps/PRTG Network Monitor/Custom Sensors/ExeXml/PRD.P00"},
      {"\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\PRD.P00",
       "/Program Files (x86)/PRTG Network Monitor/Custom Sensors/ExeXml/PRD.P00"},
      {"\\", "/"},
      {"C:\\", "/"},
      {"PRD.P00", "PRD.P00"},
      {"sub\\PRD.P00", "sub/PRD.P00"},
      {"sub/PRD.P00", "sub/PRD.P00"},
      {"/srv/prtg/PRD.P00", "/srv/prtg/PRD.P00"},
      {"C:PRD.P00", "PRD.P00"},  // drive-relative: the working directory
      {"1:\\x", "1:/x"},         // no drive letter
      {"\\\\server\\share\\x", "//server/share/x"},
      {"SapRfc.PRD", "SapRfc.PRD"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToPosixPath(c.probe_path), c.posix_path) << c.probe_path;
  }
}
#endif

}  // namespace
}  // namespace tidewarden
