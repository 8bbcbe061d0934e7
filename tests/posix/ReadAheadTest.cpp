// A file read ahead stands for the file only while nothing has changed it
// since; otherwise the object reads it again on first use.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>

#include "platform/TIniFile.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Past the size from which a file is read ahead at all.
const std::string Padding = [] {
  std::string Text = "[Padding]\r\n";
  while (Text.size() < (std::size_t(4) << 20) + 4096) Text += "; a line that keeps the file large enough\r\n";
  return Text;
}();

std::string Table(int Number) {
  return "[Language]\r\nNumber=" + std::to_string(Number) + "\r\nSelect=0\r\n" + Padding;
}

// Threads of this process, once any helper a sanitizer starts with the first
// thread is running.
std::size_t ThreadCount() {
  static const bool Warm = (std::thread([] {}).join(), true);
  static_cast<void>(Warm);
  std::size_t Count = 0;
  for ([[maybe_unused]] const auto& Task : fs::directory_iterator("/proc/self/task")) ++Count;
  return Count;
}

// The early read runs on a thread that ends with it: waiting for that puts the
// change each case makes after the read, where it could be missed.
void WaitForThreads(std::size_t Count) {
  for (int Tries = 0; Tries < 10000 && ThreadCount() > Count; ++Tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_LE(ThreadCount(), Count) << "the early read did not end";
}

void Commit(const std::string& Path, int Number) {
  TIniFile Other(Path);
  Other.WriteInteger("Language", "Number", Number);
  Other.UpdateFile();
}

struct TChangeCase {
  const char* Name;
  bool Exists;                    // before the early read
  std::function<void()> Change;   // after it, before first use
  int Number;                     // then read; -1 for none
};

void PrintTo(const TChangeCase& Case, std::ostream* Out) { *Out << Case.Name; }

// The change comes after the early read has ended, or while it may still be
// reading or waiting to index (before IndexReadAhead).
class ReadAheadChange : public testing::TestWithParam<std::tuple<TChangeCase, bool>> {
protected:
  TTempFolder Folder;
};

TEST_P(ReadAheadChange, FirstUseSeesTheFileAsItIsThen) {
  const auto& [Case, WhileHeld] = GetParam();
  if (Case.Exists) WriteBytes("Case.INI", Table(2));
  const std::size_t Threads = ThreadCount();
  TIniFile Ini(".\\Case.INI");
  Ini.ReadAhead("Language");
  if (WhileHeld) Case.Change();
  Ini.IndexReadAhead();
  WaitForThreads(Threads);
  if (!WhileHeld) Case.Change();
  EXPECT_EQ(Ini.ReadInteger("Language", "Number", -1), Case.Number);
}

const TChangeCase ChangeCases[] = {
    {"Unchanged", true, [] {}, 2},
    {"RewrittenInPlace", true, [] { WriteBytes("Case.INI", Table(30)); }, 30},
    {"ReplacedByRename",
     true,
     [] {
       WriteBytes("New.INI", Table(4));
       fs::rename("New.INI", "Case.INI");
     },
     4},
    {"Removed", true, [] { fs::remove("Case.INI"); }, -1},
    {"CreatedAfterAMissingFile", false, [] { WriteBytes("Case.INI", Table(5)); }, 5},
    {"CommittedThroughAHardLink",
     true,
     [] {
       fs::create_hard_link("Case.INI", "Link.INI");
       Commit(".\\Link.INI", 6);
     },
     6},
    {"CommittedThroughASymbolicLink",
     true,
     [] {
       fs::create_symlink("Case.INI", "Link.INI");
       Commit(".\\Link.INI", 7);
     },
     7},
    // Same size: a coarse clock may leave the times as they were, but the
    // record of this process's own commits still tells.
    {"CommittedInPlaceToTheSameSize",
     true,
     [] {
       fs::create_hard_link("Case.INI", "Link.INI");
       Commit(".\\Link.INI", 8);
     },
     8},
};

INSTANTIATE_TEST_SUITE_P(Cases, ReadAheadChange, testing::Combine(testing::ValuesIn(ChangeCases), testing::Bool()),
                         [](const testing::TestParamInfo<std::tuple<TChangeCase, bool>>& Info) {
                           return std::string(std::get<0>(Info.param).Name) +
                                  (std::get<1>(Info.param) ? "BeforeIndexing" : "AfterTheRead");
                         });

TEST(ReadAhead, SmallFileStartsNoThread) {
  TTempFolder Folder;
  WriteBytes("Case.INI", "[Language]\r\nNumber=2\r\n");
  const std::size_t Threads = ThreadCount();
  TIniFile Ini(".\\Case.INI");
  Ini.ReadAhead("Language");
  EXPECT_EQ(ThreadCount(), Threads);
  EXPECT_EQ(Ini.ReadInteger("Language", "Number", -1), 2);
}

TEST(ReadAhead, ObjectReleasedUnusedWaitsForTheReadAndChangesNothing) {
  TTempFolder Folder;
  WriteBytes("Case.INI", Table(2));
  const std::size_t Threads = ThreadCount();
  {
    TIniFile Ini(".\\Case.INI");
    Ini.ReadAhead("Language");
  }
  EXPECT_EQ(ThreadCount(), Threads);
  EXPECT_EQ(ReadBytes("Case.INI"), Table(2));
}

TEST(ReadAhead, WritesAfterAnEarlyReadReachTheFile) {
  TTempFolder Folder;
  WriteBytes("Case.INI", Table(2));
  TIniFile Ini(".\\Case.INI");
  Ini.ReadAhead("Language");
  Ini.WriteInteger("Language", "Select", 1);
  Ini.UpdateFile();
  EXPECT_EQ(ReadBytes("Case.INI"), "[Language]\r\nNumber=2\r\nSelect=1\r\n" + Padding);
}

}  // namespace
