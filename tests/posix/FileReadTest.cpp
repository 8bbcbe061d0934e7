// A file read on a thread of its own while its bytes are already in use: the
// read counts only if it saw exactly the file as opened, and whoever reads
// along is never left waiting, nor handed bytes that were never written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "platform/posix/FileRead.h"
#include "tests/support/TempFolder.h"

namespace {

struct TChange {
  const char* Name;
  std::function<void()> AfterOpening;  // what happens to Case.INI once it is open
  bool Whole;
};

void PrintTo(const TChange& Change, std::ostream* Out) { *Out << Change.Name; }

const std::string Original = [] {
  std::string Text = "[Language]\r\n";
  while (Text.size() < (std::size_t(1) << 20)) Text += "Descrip" + std::to_string(Text.size()) + "=English\r\n";
  return Text;
}();

class BackgroundRead : public testing::TestWithParam<TChange> {
protected:
  TTempFolder Folder;
};

TEST_P(BackgroundRead, CountsOnlyTheFileAsOpened) {
  WriteBytes("Case.INI", Original);
  TFileSnapshot Snapshot;
  TFileDescriptor Opened = OpenForReading("Case.INI", Snapshot);
  ASSERT_TRUE(Opened);
  GetParam().AfterOpening();

  std::string Bytes(Original.size(), '\x7f');
  TArrival Arrival(Bytes.size());
  bool Whole;
  {
    TBackgroundRead Read(std::move(Opened), Snapshot.Status, Bytes.data(), Arrival);
    Arrival.WaitAll();  // never left waiting, whatever happened
    Whole = Read.Finish();
  }
  EXPECT_EQ(Whole, GetParam().Whole);
  EXPECT_EQ(Arrival.InPlace(), Original.size());
  if (Whole) {
    EXPECT_EQ(Bytes, Original);
  } else {
    EXPECT_EQ(Bytes.find('\x7f'), std::string::npos) << "a byte was never written";
  }
}

const TChange Changes[] = {
    {"Unchanged", [] {}, true},
    {"CutShort", [] { ASSERT_EQ(::truncate("Case.INI", static_cast<off_t>(Original.size() / 3)), 0); }, false},
    {"Grown", [] { WriteBytes("Case.INI", Original + "Extra=1\r\n"); }, false},
    {"Emptied", [] { ASSERT_EQ(::truncate("Case.INI", 0), 0); }, false},
};

INSTANTIATE_TEST_SUITE_P(Changes, BackgroundRead, testing::ValuesIn(Changes),
                         [](const testing::TestParamInfo<TChange>& Info) { return Info.param.Name; });

}  // namespace
