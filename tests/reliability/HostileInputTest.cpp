// Hostile first targets: none may hang the run, crash it, make it eat memory
// or be written, unless it holds a table fit for the entry; the run goes on
// to the next target either way.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <random>

#include "tests/reliability/Program.h"
#include "tests/reliability/Tables.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string Table = PaddedTable(0, "hostile");

std::string Utf16Le(const std::string& Ascii) {
  std::string Bytes;
  for (const char C : Ascii) Bytes += {C, '\0'};
  return Bytes;
}

std::string Utf16Be(const std::string& Ascii) {
  std::string Bytes;
  for (const char C : Ascii) Bytes += {'\0', C};
  return Bytes;
}

struct THostileCase {
  const char* Name;
  std::function<void(const fs::path&)> Make;
  // The file's bytes after the run; none: the path is left as it was. Made
  // only when needed: a big test process would count in the run's memory.
  std::function<std::optional<std::string>()> After;
};

void PrintTo(const THostileCase& Case, std::ostream* Out) { *Out << Case.Name; }

void Write(const fs::path& Path, const std::string& Bytes) { WriteBytes(Path, Bytes); }

std::string Garbage(std::size_t Size) {
  std::mt19937 Random(20240611);
  std::string Bytes(Size, '\0');
  for (char& C : Bytes) C = static_cast<char>(Random());
  return Bytes;
}

// Descrip1 holds a high and a low surrogate, each without its partner.
std::string UnpairedTable(const std::string& Number, const std::string& Select, const std::string& Tail) {
  return "\xFF\xFE"s + Utf16Le("[Language]\r\nNumber=" + Number + "\r\nSelect=" + Select + "\r\nDescrip1=") +
         "\x00\xD8\x41\x00\x00\xDC"s + Utf16Le("\r\nFile1=app_en\r\nDlgDll1=dll_en\r\nOther=1\r\n" + Tail);
}

std::string Repeat(const std::string& Text, int Times) {
  std::string Result;
  Result.reserve(Text.size() * static_cast<std::size_t>(Times));
  for (int I = 0; I < Times; ++I) Result += Text;
  return Result;
}

std::optional<std::size_t> Digest(const fs::path& Path) {
  if (!fs::is_regular_file(fs::symlink_status(Path))) return std::nullopt;
  return std::hash<std::string>()(ReadBytes(Path).value_or(""));
}

const auto Untouched = [] { return std::optional<std::string>(); };

class HostileInput : public testing::TestWithParam<THostileCase> {};

TEST_P(HostileInput, NeitherHangsNorCrashesNorWrites) {
  const THostileCase& Case = GetParam();
  TTree Tree;
  const fs::path Path = Tree.HostPath(TTree::InitLan);
  Case.Make(Path);
  Tree.Write(TTree::Korvel, Table);
  struct stat Before {};
  ASSERT_EQ(::lstat(Path.c_str(), &Before), 0);
  const std::optional<std::size_t> Old = Digest(Path);
  ::malloc_trim(0);

  TRunOptions Options;
  Options.TimeoutSeconds = 300;
  Options.MeasureMemory = true;
  const TRunResult Run = RunProgram(Tree, Options);
  ASSERT_FALSE(Run.TimedOut) << "hangs";
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err, "");
  // Bounded by what it was given, not by what a device or a writer could supply.
  const long Limit = 96 * 1024 + static_cast<long>(6 * Before.st_size / 1024);
  EXPECT_LT(Run.MaxResidentKb, Limit) << "eats memory";
  RecordProperty("MaxResidentKb", std::to_string(Run.MaxResidentKb));

  struct stat After {};
  ASSERT_EQ(::lstat(Path.c_str(), &After), 0) << "gone";
  EXPECT_EQ(After.st_mode, Before.st_mode);
  if (const std::optional<std::string> Expected = Case.After()) {
    EXPECT_TRUE(ReadBytes(Path) == Expected) << "not the expected update";
  } else {
    EXPECT_EQ(After.st_ino, Before.st_ino);
    EXPECT_EQ(Digest(Path), Old) << "written";
  }
  EXPECT_EQ(Tree.Read(TTree::Korvel), Updated(Table)) << "the run did not go on";
  EXPECT_EQ(Leftovers(Tree), std::vector<fs::path>{});
}

std::string PrintName(const testing::TestParamInfo<THostileCase>& Info) { return Info.param.Name; }

// A socket needs a process to hold it; this one lives as long as the test program.
int BoundSocket(const fs::path& Path) {
  const int Socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  const fs::path Relative = fs::relative(Path);
  std::strncpy(Address.sun_path, Relative.c_str(), sizeof Address.sun_path - 1);
  ::bind(Socket, reinterpret_cast<sockaddr*>(&Address), sizeof Address);
  ::listen(Socket, 1);
  return Socket;
}

INSTANTIATE_TEST_SUITE_P(
    NotRegularFiles, HostileInput,
    testing::Values(THostileCase{"Fifo", [](const fs::path& P) { ::mkfifo(P.c_str(), 0644); }, Untouched},
                    THostileCase{"Socket", [](const fs::path& P) { BoundSocket(P); }, Untouched},
                    THostileCase{"DevZeroBehindSymlink", [](const fs::path& P) { fs::create_symlink("/dev/zero", P); },
                                 Untouched},
                    THostileCase{"DevUrandomBehindSymlink",
                                 [](const fs::path& P) { fs::create_symlink("/dev/urandom", P); }, Untouched},
                    THostileCase{"Folder", [](const fs::path& P) { fs::create_directory(P); }, Untouched}),
    PrintName);

INSTANTIATE_TEST_SUITE_P(
    Contents, HostileInput,
    testing::Values(
        THostileCase{"BinaryGarbage", [](const fs::path& P) { Write(P, Garbage(4 << 20)); }, Untouched},
        THostileCase{"HundredMegabyteLine",
                     [](const fs::path& P) { Write(P, "[Other]\r\nJunk=" + std::string(100 << 20, 'a') + "\r\n"); },
                     Untouched},
        THostileCase{"HundredMegabyteLineThenATable",
                     [](const fs::path& P) { Write(P, "[Other]\r\nJunk=" + std::string(100 << 20, 'a') + "\r\n" + Table); },
                     [] { return std::optional("[Other]\r\nJunk=" + std::string(100 << 20, 'a') + "\r\n" + Updated(Table)); }},
        THostileCase{"MillionBlankLinesThenATable",
                     [](const fs::path& P) { Write(P, Repeat("\r\n", 1'000'000) + Table); },
                     [] { return std::optional(Repeat("\r\n", 1'000'000) + Updated(Table)); }},
        THostileCase{"OnlyNuls", [](const fs::path& P) { Write(P, std::string(1 << 20, '\0')); }, Untouched},
        // A NUL ends what is read of a line; what follows it is kept.
        THostileCase{"NulAfterEveryLine",
                     [](const fs::path& P) {
                       Write(P, "[Language]\0x\nNumber=2\0x\nSelect=0\0\0\nDescrip1=English\0x\nFile1=a\0\n"
                                "DlgDll1=b\0x\nExtra=1\0x\n\0\0\0\n"s);
                     },
                     [] { return std::optional("[Language]\0x\nNumber=3\0x\nSelect=2\0\0\nDescrip1=English\0x\nFile1=a\0\n"
                     "DlgDll1=b\0x\nExtra=1\0x\nDescrip3=Russian\nFile3=app_ru\nDlgDll3=dll_ru\n\0\0\0\n"s); }},
        THostileCase{"Utf16WithoutMark", [](const fs::path& P) { Write(P, Utf16Le(Table)); }, Untouched},
        // The mark names the byte order, and the update keeps it.
        THostileCase{"Utf16BigEndianWithMark", [](const fs::path& P) { Write(P, "\xFE\xFF"s + Utf16Be(Table)); },
                     [] { return std::optional("\xFE\xFF"s + Utf16Be(Updated(Table))); }},
        // An odd last byte is no unit: it stays after the units.
        THostileCase{"Utf16OddLength", [](const fs::path& P) { Write(P, "\xFF\xFE"s + Utf16Le(Table) + "\x7F"); },
                     [] { return std::optional("\xFF\xFE"s + Utf16Le(Updated(Table)) + "\x7F"); }},
        THostileCase{"Utf16UnpairedSurrogates",
                     [](const fs::path& P) { Write(P, UnpairedTable("2", "0", "")); },
                     [] { return std::optional(UnpairedTable("3", "2", "Descrip3=Russian\r\nFile3=app_ru\r\nDlgDll3=dll_ru\r\n")); }}),
    PrintName);

}  // namespace
