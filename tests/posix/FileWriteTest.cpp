#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/Exception.h"
#include "platform/TIniFile.h"
#include "platform/posix/FileWrite.h"
#include "tests/support/Immutable.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

const std::string Table = "[Language]\r\nNumber=1\r\nSelect=0\r\n";
const std::string Updated = "[Language]\r\nNumber=2\r\nSelect=0\r\n";

void RaiseNumber(const std::string& Path = ".\\Case.INI") {
  TIniFile Ini(Path);
  Ini.WriteInteger("Language", "Number", 2);
  Ini.UpdateFile();
}

struct stat StatusOf(const char* Path) {
  struct stat Status {};
  ::lstat(Path, &Status);
  return Status;
}

std::vector<std::string> FolderEntries() {
  std::vector<std::string> Names;
  for (const auto& Entry : fs::directory_iterator(".")) Names.push_back(Entry.path().filename());
  std::sort(Names.begin(), Names.end());
  return Names;
}

class FileWriteTest : public testing::Test {
protected:
  TTempFolder Folder;
};

TEST_F(FileWriteTest, ReplacementKeepsModeAndOwnerAndLeavesNothingBehind) {
  WriteBytes("Case.INI", Table);
  ::chmod("Case.INI", 0640);
  const bool Root = ::geteuid() == 0;
  if (Root) {
    ASSERT_EQ(::chown("Case.INI", 65534, 65534), 0);
  }
  const struct stat Before = StatusOf("Case.INI");
  RaiseNumber();
  const struct stat After = StatusOf("Case.INI");
  EXPECT_EQ(ReadBytes("Case.INI"), Updated);
  EXPECT_EQ(After.st_mode, Before.st_mode);
  EXPECT_EQ(After.st_uid, Before.st_uid);
  EXPECT_EQ(After.st_gid, Before.st_gid);
  EXPECT_NE(After.st_ino, Before.st_ino) << "expected a new file renamed into place";
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Case.INI"});
}

TEST_F(FileWriteTest, SymbolicLinkStaysAndItsTargetIsUpdated) {
  fs::create_directory("real");
  WriteBytes("real/target.ini", Table);
  fs::create_symlink("real/target.ini", "Case.INI");
  RaiseNumber();
  EXPECT_TRUE(fs::is_symlink("Case.INI"));
  EXPECT_EQ(ReadBytes("real/target.ini"), Updated);
}

TEST_F(FileWriteTest, HardLinksAllSeeTheUpdate) {
  WriteBytes("Case.INI", Table);
  fs::create_hard_link("Case.INI", "Other.INI");
  RaiseNumber();
  EXPECT_EQ(ReadBytes("Case.INI"), Updated);
  EXPECT_EQ(ReadBytes("Other.INI"), Updated);
  EXPECT_EQ(StatusOf("Case.INI").st_ino, StatusOf("Other.INI").st_ino);
}

TEST_F(FileWriteTest, WriteOfTheSameValueTouchesNothing) {
  WriteBytes("Case.INI", Updated);
  const struct timespec Old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, "Case.INI", Old, 0), 0);
  const struct stat Before = StatusOf("Case.INI");
  RaiseNumber();
  const struct stat After = StatusOf("Case.INI");
  EXPECT_EQ(After.st_mtim.tv_sec, Before.st_mtim.tv_sec);
  EXPECT_EQ(After.st_ino, Before.st_ino);
}

TEST_F(FileWriteTest, ReleasedWithoutUpdateFileLeavesTheFileAsItWas) {
  WriteBytes("Case.INI", Table);
  {
    TIniFile Ini(".\\Case.INI");
    Ini.WriteInteger("Language", "Number", 2);
    Ini.WriteString("Language", "Descrip2", "Russian");
  }
  EXPECT_EQ(ReadBytes("Case.INI"), Table);
}

TEST_F(FileWriteTest, LeftoverOfAKilledRunIsRemoved) {
  WriteBytes("Case.INI", Table);
  WriteBytes(TemporaryPrefix("Case.INI") + "12345", "half");
  RaiseNumber();
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Case.INI"});
}

TEST_F(FileWriteTest, UnwritableFilesRaiseAtTheWriteAndStayUnchanged) {
  WriteBytes("Case.INI", Table);
  ::chmod("Case.INI", 0444);  // no write bit: read-only even to root
  EXPECT_THROW(RaiseNumber(), EIniFileException);
  EXPECT_EQ(ReadBytes("Case.INI"), Table);
  ::chmod("Case.INI", 0644);

  if (!SetImmutable("Case.INI", true)) GTEST_SKIP() << "immutable files not supported here";
  EXPECT_THROW(RaiseNumber(), EIniFileException);
  SetImmutable("Case.INI", false);
  EXPECT_EQ(ReadBytes("Case.INI"), Table);
}

TEST_F(FileWriteTest, MissingFolderRaises) {
  try {
    RaiseNumber(".\\Absent\\Case.INI");
    FAIL();
  } catch (const EIniFileException& E) {
    EXPECT_STREQ(E.what(), "Unable to write to .\\Absent\\Case.INI");
  }
}

// None of these may block, be created, or be written.
TEST_F(FileWriteTest, WhatIsNotARegularFileReadsAsAbsent) {
  ASSERT_EQ(::mkfifo("Fifo.INI", 0644), 0);
  fs::create_directory("Folder.INI");
  fs::create_symlink("nowhere.ini", "Dangling.INI");
  fs::create_symlink("/dev/zero", "Zero.INI");
  const int Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  std::strcpy(Address.sun_path, "Socket.INI");
  ASSERT_EQ(::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
  for (const char* Name : {"Fifo.INI", "Folder.INI", "Dangling.INI", "Zero.INI", "Socket.INI"}) {
    TIniFile Ini(std::string(".\\") + Name);
    EXPECT_FALSE(Ini.SectionExists("Language")) << Name;
    EXPECT_THROW(Ini.WriteString("Language", "Number", "1"), EIniFileException) << Name;
    Ini.UpdateFile();
  }
  ::close(Socket);
  EXPECT_FALSE(fs::exists("nowhere.ini"));
}

}  // namespace
