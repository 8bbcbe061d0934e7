// A real full disk: a small tmpfs holds the whole tree, and the rewrite of
// the first target does not fit.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "tests/reliability/Privileges.h"
#include "tests/reliability/Program.h"
#include "tests/reliability/Tables.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// TTree places itself under TMPDIR: pointed at the small file system for its construction.
class TTreeOn {
public:
  explicit TTreeOn(const fs::path& Folder) {
    const char* Previous = std::getenv("TMPDIR");
    if (Previous) Saved = Previous;
    ::setenv("TMPDIR", Folder.c_str(), 1);
    Tree.emplace();
    if (Previous) {
      ::setenv("TMPDIR", Saved.c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
  }
  const TTree& operator*() const { return *Tree; }

private:
  std::string Saved;
  std::optional<TTree> Tree;
};

struct TDiskCase {
  const char* Name;
  const char* Options;  // tmpfs size
  int Sections;         // size of the first target
  // Runs once the tree is in place; false when the file system cannot be set so.
  std::function<bool(const TTree&, const TMount&)> Fill;
};

void PrintTo(const TDiskCase& Case, std::ostream* Out) { *Out << Case.Name; }

class FullDisk : public testing::TestWithParam<TDiskCase> {};

TEST_P(FullDisk, RewriteThatDoesNotFitIsReportedAndTheOriginalStays) {
  const TDiskCase& Case = GetParam();
  if (!IsRoot()) GTEST_SKIP() << "needs root to mount a small tmpfs";
  TTempFolder Scratch;
  const fs::path Point = Scratch.Get() / "disk";
  fs::create_directory(Point);
  TMount Disk("tmpfs", Point, "tmpfs", 0, Case.Options);
  if (!Disk.Active) GTEST_SKIP() << "mounting a tmpfs is refused here";

  TTreeOn Tree(Point);
  // Whole pages, so that no growth fits into the file's last one.
  std::string Old = PaddedTable(Case.Sections, "full");
  Old += "; " + std::string(4096 - (Old.size() + 4) % 4096, '-') + "\r\n";
  const std::string Small = PaddedTable(2, "small");
  (*Tree).Write(TTree::InitLan, Old);
  (*Tree).Write(TTree::Korvel, Small);
  ASSERT_TRUE((*Tree).Read(TTree::InitLan) == Old) << "the original does not fit either";
  if (!Case.Fill(*Tree, Disk)) GTEST_SKIP() << "cannot fill this file system";

  ExpectWriteFailureReport(RunProgram(*Tree), ".\\Init_LAN.INI");
  EXPECT_TRUE((*Tree).Read(TTree::InitLan) == Old) << "the original changed";
  EXPECT_TRUE((*Tree).Read(TTree::Korvel) == Small) << "a later target was written";
  EXPECT_EQ(Leftovers(*Tree), std::vector<fs::path>{});
}

std::string PrintName(const testing::TestParamInfo<TDiskCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Tmpfs, FullDisk,
    testing::Values(
        // Room for the file, not for its replacement beside it.
        TDiskCase{"NoRoomForTheNewFile", "size=1m", 7000, [](const TTree&, const TMount&) { return true; }},
        // Rewritten in place (a second link): the space is claimed before any byte changes.
        TDiskCase{"NoRoomToGrowInPlace", "size=1m", 9000,
                  [](const TTree& Tree, const TMount&) {
                    fs::create_hard_link(Tree.HostPath(TTree::InitLan), Tree.WorkFolder() / "Link.INI");
                    // Fill what is left.
                    std::ofstream Filler(Tree.WorkFolder() / "filler", std::ios::binary);
                    const std::string Page(4096, 'x');
                    while (Filler.write(Page.data(), Page.size()) && Filler.flush()) {
                    }
                    struct statvfs Status;
                    return ::statvfs(Tree.WorkFolder().c_str(), &Status) == 0 &&
                           Status.f_bavail * Status.f_bsize < 8192;
                  }},
        // Space left, but no inode for a new file.
        TDiskCase{"NoInodeForTheNewFile", "size=4m", 20, [](const TTree& Tree, const TMount& Disk) {
                    struct statvfs Status;
                    if (::statvfs(Tree.WorkFolder().c_str(), &Status) != 0) return false;
                    return Disk.Remount(0, "nr_inodes=" + std::to_string(Status.f_files - Status.f_ffree));
                  }}),
    PrintName);

}  // namespace
