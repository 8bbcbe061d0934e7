// Each way a file can refuse a write, run end to end: the refusal is reported
// and the file untouched; where only the folder refuses, the file is still
// updated in place; and an update keeps the file's owner, mode and attributes.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <functional>
#include <optional>

#include "tests/reliability/Privileges.h"
#include "tests/reliability/Program.h"
#include "tests/reliability/Tables.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

enum class TOutcome { Reported, UpdatedInPlace, Replaced };

struct TAccessCase {
  const char* Name;
  // Prepares Init_LAN.INI (already written) and its folder; a text says why the case cannot run here.
  std::function<std::optional<std::string>(const TTree&, std::optional<TMount>&)> Prepare;
  bool AsNobody;
  TOutcome Outcome;
};

void PrintTo(const TAccessCase& Case, std::ostream* Out) { *Out << Case.Name; }

struct stat StatusOf(const fs::path& Path) {
  struct stat Status {};
  ::stat(Path.c_str(), &Status);
  return Status;
}

std::optional<std::string> Own(const fs::path& Path, uid_t User, mode_t Mode) {
  if (::chown(Path.c_str(), User, User) != 0 || ::chmod(Path.c_str(), Mode) != 0) return "cannot chown " + Path.string();
  return std::nullopt;
}

std::optional<std::string> NeedsRoot() {
  if (!IsRoot()) return std::string("needs root to act as another user or to mount");
  return std::nullopt;
}

const auto Work = [](const TTree& Tree) { return Tree.WorkFolder(); };
const auto File = [](const TTree& Tree) { return Tree.HostPath(TTree::InitLan); };

class AccessCase : public testing::TestWithParam<TAccessCase> {};

TEST_P(AccessCase, RefusesWithTheReportOrUpdatesKeepingMetadata) {
  const TAccessCase& Case = GetParam();
  TTree Tree;
  const std::string Old = PaddedTable(20, "access");
  Tree.Write(TTree::InitLan, Old);
  Tree.Write(TTree::Setup, Old);
  // A later target the runner may write: the run must get there, or must not.
  if (Case.AsNobody && IsRoot()) ASSERT_EQ(::chown(Tree.HostPath(TTree::Setup).c_str(), Nobody, Nobody), 0);
  std::optional<TMount> Mount;
  if (const std::optional<std::string> Reason = Case.Prepare(Tree, Mount)) GTEST_SKIP() << *Reason;
  const struct stat Before = StatusOf(File(Tree));
  char Attribute[16] = {};
  const bool HadAttribute = ::getxattr(File(Tree).c_str(), "user.origin", Attribute, sizeof Attribute) > 0;

  TRunOptions Options;
  if (Case.AsNobody) Options.Wrapper = AsNobody();
  const TRunResult Run = RunProgram(Tree, Options);

  const struct stat After = StatusOf(File(Tree));
  EXPECT_EQ(After.st_mode, Before.st_mode);
  EXPECT_EQ(After.st_uid, Before.st_uid);
  EXPECT_EQ(After.st_gid, Before.st_gid);
  EXPECT_EQ(Leftovers(Tree), std::vector<fs::path>{});
  if (Case.Outcome == TOutcome::Reported) {
    ExpectWriteFailureReport(Run, ".\\Init_LAN.INI");
    EXPECT_EQ(Tree.Read(TTree::InitLan), Old);
    EXPECT_EQ(Tree.Read(TTree::Setup), Old) << "a later target was written";
    return;
  }
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err, "");
  const std::optional<std::string> New = Tree.Read(TTree::InitLan);
  ASSERT_TRUE(New);
  EXPECT_TRUE(*New == Updated(Old)) << "not updated";
  if (Case.Outcome == TOutcome::UpdatedInPlace) EXPECT_EQ(After.st_ino, Before.st_ino) << "not updated in place";
  if (Case.Outcome == TOutcome::Replaced) EXPECT_NE(After.st_ino, Before.st_ino) << "not replaced by a new file";
  if (HadAttribute) {
    char Kept[16] = {};
    EXPECT_GT(::getxattr(File(Tree).c_str(), "user.origin", Kept, sizeof Kept), 0) << "extended attribute lost";
    EXPECT_STREQ(Kept, Attribute);
  }
}

std::string PrintName(const testing::TestParamInfo<TAccessCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    ReadOnly, AccessCase,
    testing::Values(
        // Like the Windows read-only attribute, this stops even root.
        TAccessCase{"NoWriteBitAsRoot",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      ::chmod(File(T).c_str(), 0444);
                      return std::nullopt;
                    },
                    false, TOutcome::Reported},
        TAccessCase{"ReadOnlyBindMount",
                    [](const TTree& T, std::optional<TMount>& Mount) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      Mount.emplace(Work(T), Work(T), nullptr, MS_BIND, "");
                      if (!Mount->Active || !Mount->Remount(MS_BIND | MS_RDONLY, ""))
                        return std::string("bind mounts are refused here");
                      return std::nullopt;
                    },
                    false, TOutcome::Reported},
        TAccessCase{"AnotherUsersFile",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      return Own(File(T), OtherUser, 0644);
                    },
                    true, TOutcome::Reported}),
    PrintName);

INSTANTIATE_TEST_SUITE_P(
    FolderRefusesOnly, AccessCase,
    testing::Values(
        TAccessCase{"WritableFileInUnwritableFolder",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      if (auto Reason = Own(File(T), Nobody, 0644)) return Reason;
                      return Own(Work(T), 0, 0755);
                    },
                    true, TOutcome::UpdatedInPlace},
        // A sticky folder lets anyone add a file but not replace another user's.
        TAccessCase{"OtherUsersWritableFileInStickyFolder",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      if (auto Reason = Own(File(T), OtherUser, 0666)) return Reason;
                      return Own(Work(T), 0, 01777);
                    },
                    true, TOutcome::UpdatedInPlace},
        // Writable but not readable: a rename there could not be made durable.
        TAccessCase{"FolderThatCannotBeListed",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      if (auto Reason = Own(File(T), Nobody, 0644)) return Reason;
                      return Own(Work(T), 0, 0733);
                    },
                    true, TOutcome::UpdatedInPlace}),
    PrintName);

INSTANTIATE_TEST_SUITE_P(
    Metadata, AccessCase,
    testing::Values(
        TAccessCase{"OwnFileKeepsModeAndGroup",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      if (auto Reason = Own(File(T), Nobody, 0604)) return Reason;
                      return Own(Work(T), Nobody, 0755);
                    },
                    true, TOutcome::Replaced},
        // The new file would take the folder's group; the old one's is put back.
        TAccessCase{"GroupKeptInASetGroupFolder",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      if (auto Reason = Own(File(T), Nobody, 0640)) return Reason;
                      if (::chown(Work(T).c_str(), Nobody, 100) != 0 || ::chmod(Work(T).c_str(), 02775) != 0)
                        return std::string("cannot set up the folder");
                      return std::nullopt;
                    },
                    true, TOutcome::Replaced},
        TAccessCase{"OtherUsersFileKeepsOwnerWhenRootWrites",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (auto Reason = NeedsRoot()) return Reason;
                      return Own(File(T), OtherUser, 0660);
                    },
                    false, TOutcome::Replaced},
        TAccessCase{"ExtendedAttributeKept",
                    [](const TTree& T, auto&) -> std::optional<std::string> {
                      if (::setxattr(File(T).c_str(), "user.origin", "setup", 6, 0) != 0)
                        return std::string("no user extended attributes on this file system");
                      return std::nullopt;
                    },
                    false, TOutcome::Replaced}),
    PrintName);

}  // namespace
