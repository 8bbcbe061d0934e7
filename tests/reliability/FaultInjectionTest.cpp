// Every file call of a clean run is failed once, with each errno, and the run
// must end as the write guarantees say: reported and untouched, or absorbed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "tests/reliability/Program.h"
#include "tests/reliability/Tables.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr TTree::TTarget Order[] = {TTree::InitLan, TTree::Korvel, TTree::Setup};
const char* const TargetPaths[] = {".\\Init_LAN.INI", "C:\\WINDOWS\\KORVEL.INI", "..\\Setup.INI"};
const char* const TargetNames[] = {"Init_LAN.INI", "KORVEL.INI", "Setup.INI"};

struct TEvent {
  std::string Seq;  // "<thread>.<call>"
  std::string Kind;
  int Fd = -1;
  std::string Path;
  int Target = -1;       // index into Order
  bool FdWrote = false;  // for a close: whether its descriptor changed a file
};

// How a run with one failed call must end.
enum class TExpect {
  Absorbed,     // status 0, every file updated: a fallback took over
  Skipped,      // status 0, that target unread and untouched, the others updated
  ReportedOld,  // status 1 naming the target, which is byte-identical to before
  ReportedNew,  // status 1 naming the target, which already holds its new content
};

const char* Describe(TExpect Expect) {
  switch (Expect) {
    case TExpect::Absorbed: return "absorbed";
    case TExpect::Skipped: return "skipped";
    case TExpect::ReportedOld: return "reported, old content";
    case TExpect::ReportedNew: return "reported, new content";
  }
  return "";
}

TExpect Expected(const TEvent& Event, int Errno) {
  const std::string& K = Event.Kind;
  // A folder that takes no new file, or refuses the rename: the file is rewritten in place.
  if ((K == "open-create" || K == "open-dir" || K == "rename") && Errno == EACCES) return TExpect::Absorbed;
  if (K == "open-read" || K == "read") return TExpect::Skipped;
  if (K == "fchmod" || K == "fchown" || K == "fsetxattr") return TExpect::Absorbed;
  if (K == "close-read" || K == "close-dir") return TExpect::Absorbed;
  if (K == "close-write" || K == "close-create") return Event.FdWrote ? TExpect::ReportedOld : TExpect::Absorbed;
  if (K == "fsync-dir") return TExpect::ReportedNew;
  return TExpect::ReportedOld;
}

std::vector<TEvent> ReadTrace(const fs::path& Log) {
  std::vector<TEvent> Events;
  std::ifstream In(Log);
  std::map<std::string, int> Current;  // per thread: a file read ahead runs beside a commit
  for (std::string Line; std::getline(In, Line);) {
    std::istringstream Fields(Line);
    TEvent Event;
    Fields >> Event.Seq >> Event.Kind >> Event.Fd;
    std::getline(Fields >> std::ws, Event.Path);
    const std::string Thread = Event.Seq.substr(0, Event.Seq.find('.'));
    if (!Current.count(Thread)) Current[Thread] = -1;
    for (int I = 0; I < 3; ++I)
      if (Event.Path.find(TargetNames[I]) != std::string::npos) Current[Thread] = I;
    Event.Target = Current[Thread];  // a folder's calls belong to the file being replaced
    Events.push_back(Event);
  }
  // Calls on one descriptor lie between its open and its close.
  std::map<int, bool> Wrote;
  for (TEvent& Event : Events) {
    if (Event.Fd < 0) continue;
    const std::string& K = Event.Kind;
    if (K == "write" || K == "truncate" || K == "fallocate" || K == "fsync") Wrote[Event.Fd] = true;
    if (K.starts_with("close-")) {
      Event.FdWrote = Wrote[Event.Fd];
      Wrote[Event.Fd] = false;
    }
  }
  return Events;
}

struct TScenario {
  const char* Name;
  bool HardLinks;  // a second link makes every rewrite happen in place
  std::set<std::string> MustSee;
};

void PrintTo(const TScenario& Scenario, std::ostream* Out) { *Out << Scenario.Name; }

class FaultInjection : public testing::TestWithParam<TScenario> {
protected:
  void SetUp() override {
    const char* Shim = std::getenv("LANGREG_FAULT_SHIM");
    ShimPath = Shim && *Shim ? Shim : LANGREG_FAULT_SHIM_BUILT;
  }

  void Fill(const TTree& Tree) const {
    for (int I = 0; I < 3; ++I) {
      Tree.Write(Order[I], Old[I]);
      if (GetParam().HardLinks)
        fs::create_hard_link(Tree.HostPath(Order[I]), Tree.HostPath(Order[I]).string() + ".link");
    }
  }

  TRunOptions Options(std::vector<std::pair<std::string, std::string>> Extra) const {
    TRunOptions Result;
    Result.Environment = {{"LD_PRELOAD", ShimPath}, {"ASAN_OPTIONS", "verify_asan_link_order=0"}};
    Result.Environment.insert(Result.Environment.end(), Extra.begin(), Extra.end());
    return Result;
  }

  std::string ShimPath;
  const std::string Old[3] = {PaddedTable(2000, "init"), PaddedTable(3000, "korvel"), PaddedTable(2500, "setup")};
};

TEST_P(FaultInjection, EveryFailedCallEndsTheRunSafely) {
  // The clean run: what each file becomes, and which calls it makes.
  std::string New[3];
  std::vector<TEvent> Events;
  {
    TTree Tree;
    Fill(Tree);
    TTempFolder Scratch;
    const fs::path Log = Scratch.Get() / "trace";
    const TRunResult Run = RunProgram(Tree, Options({{"LANGREG_FAULT_LOG", Log.string()}}));
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    for (int I = 0; I < 3; ++I) {
      New[I] = Tree.Read(Order[I]).value_or("");
      ASSERT_NE(New[I], Old[I]);
      if (GetParam().HardLinks) EXPECT_EQ(ReadBytes(Tree.HostPath(Order[I]).string() + ".link"), New[I]);
    }
    Events = ReadTrace(Log);
  }
  std::set<std::string> Seen;
  for (const TEvent& Event : Events) Seen.insert(Event.Kind);
  for (const std::string& Kind : GetParam().MustSee) EXPECT_TRUE(Seen.count(Kind)) << "no " << Kind << " call seen";

  struct TFault {
    const char* Mode;
    int Errno;
  };
  const TFault Faults[] = {{"fail", ENOSPC}, {"fail", EIO}, {"fail", EACCES}, {"fail", EDQUOT},
                           {"short", ENOSPC}, {"short", EIO}, {"partial", 0}, {"grow", 0}, {"shrink", 0}};
  int Injected = 0;
  for (const TEvent& Event : Events) {
    ASSERT_GE(Event.Target, 0) << "a call before any target: " << Event.Kind << " " << Event.Path;
    for (const TFault& Fault : Faults) {
      const std::string_view Mode = Fault.Mode;
      if ((Mode == "short" || Mode == "partial") && Event.Kind != "write") continue;
      if ((Mode == "grow" || Mode == "shrink") && Event.Kind != "read") continue;
      TExpect Expect = Mode == "partial" ? TExpect::Absorbed : Expected(Event, Fault.Errno);
      if (Mode == "grow" || Mode == "shrink") Expect = TExpect::Skipped;

      TTree Tree;
      Fill(Tree);
      const TRunResult Run = RunProgram(
          Tree, Options({{"LANGREG_FAULT_AT", Event.Seq},
                         {"LANGREG_FAULT_ERRNO", std::to_string(Fault.Errno)},
                         {"LANGREG_FAULT_MODE", Fault.Mode}}));
      ++Injected;
      const int T = Event.Target;
      SCOPED_TRACE(testing::Message() << "call " << Event.Seq << " " << Event.Kind << " " << Event.Path << ", "
                                      << Mode << " " << std::strerror(Fault.Errno) << ": expected "
                                      << Describe(Expect));
      const bool Reported = Expect == TExpect::ReportedOld || Expect == TExpect::ReportedNew;
      if (Reported) {
        ExpectWriteFailureReport(Run, TargetPaths[T]);
      } else {
        EXPECT_EQ(Run.Status, 0);
        EXPECT_EQ(Run.Err, "");
      }
      for (int I = 0; I < 3; ++I) {
        std::string Want = New[I];
        if ((Reported && I > T) || (I == T && (Expect == TExpect::Skipped || Expect == TExpect::ReportedOld)))
          Want = Old[I];
        // Another writer changed the file while it was read: what it left must stay.
        if (I == T && Mode == "grow") Want = Old[I] + "\r\n[Grown]\r\nWhile=read\r\n";
        if (I == T && Mode == "shrink") Want = Old[I].substr(0, Old[I].size() / 2);
        const std::optional<std::string> Have = Tree.Read(Order[I]);
        EXPECT_TRUE(Have == Want) << TargetNames[I] << " is "
                                  << (Have == Old[I] ? "old" : Have == New[I] ? "new" : "torn");
        if (GetParam().HardLinks) EXPECT_TRUE(ReadBytes(Tree.HostPath(Order[I]).string() + ".link") == Want);
      }
      EXPECT_EQ(Leftovers(Tree), std::vector<fs::path>{});
      if (HasFailure()) return;
    }
  }
  RecordProperty("FaultsInjected", Injected);
  std::cout << "[ figures  ] " << GetParam().Name << ": " << Events.size() << " calls, " << Injected
            << " faults injected, all survived\n";
}

std::string PrintName(const testing::TestParamInfo<TScenario>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    WritePaths, FaultInjection,
    testing::Values(TScenario{"ReplaceByRename", false,
                              {"open-read", "read", "open-write", "open-dir", "open-create", "fchmod", "write",
                               "fsync", "close-create", "rename", "fsync-dir"}},
                    TScenario{"RewriteInPlace", true,
                              {"open-read", "read", "open-write", "read-back", "fallocate", "write", "truncate",
                               "fsync", "close-write"}}),
    PrintName);

}  // namespace
