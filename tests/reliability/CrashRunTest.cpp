// Kills the program at random moments while it rewrites large targets: each
// must then hold exactly its old or its new content, and the next run must
// finish the job and remove what the killed one left.
//
// LANGREG_CRASH_RUNS sets the number of kills (200 by default).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include "tests/reliability/Program.h"
#include "tests/reliability/Tables.h"

namespace {

namespace fs = std::filesystem;

constexpr TTree::TTarget Order[] = {TTree::InitLan, TTree::Korvel, TTree::Setup};

int RunCount() {
  const char* Count = std::getenv("LANGREG_CRASH_RUNS");
  return Count && *Count ? std::atoi(Count) : 200;
}

TEST(CrashRun, KilledAtRandomEveryTargetIsOldOrNew) {
  TTree Tree;
  // About 2, 3 and 4 MB.
  const std::string Old[3] = {PaddedTable(26000, "init"), PaddedTable(38000, "korvel"), PaddedTable(50000, "setup")};
  auto Reset = [&] {
    for (int I = 0; I < 3; ++I) Tree.Write(Order[I], Old[I]);
  };

  // A clean run gives the new contents and how long a whole run takes.
  Reset();
  const auto Start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(Tree).Status, 0);
  const auto Whole = std::chrono::steady_clock::now() - Start;
  std::string New[3];
  for (int I = 0; I < 3; ++I) New[I] = Tree.Read(Order[I]).value_or("");

  std::mt19937_64 Random(std::random_device{}());
  const auto Span = std::chrono::duration_cast<std::chrono::microseconds>(Whole).count() * 6 / 5 + 1;
  int Outcomes[3][3] = {};  // target, old/new/torn
  int Killed = 0, WithLeftovers = 0;
  const int Runs = RunCount();
  for (int Run = 0; Run < Runs; ++Run) {
    Reset();
    const pid_t Child = StartProgram(Tree);
    std::this_thread::sleep_for(std::chrono::microseconds(Random() % static_cast<std::uint64_t>(Span)));
    ::kill(Child, SIGKILL);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    Killed += WIFSIGNALED(Status) ? 1 : 0;

    int NewNow = 0;
    for (int I = 0; I < 3; ++I) {
      const std::optional<std::string> Have = Tree.Read(Order[I]);
      const int Kind = Have == Old[I] ? 0 : Have == New[I] ? 1 : 2;
      ++Outcomes[I][Kind];
      NewNow += Kind == 1 ? 1 : 0;
      EXPECT_NE(Kind, 2) << "run " << Run << ": " << Tree.HostPath(Order[I]) << " is torn";
    }
    const bool Left = !Leftovers(Tree).empty();
    WithLeftovers += Left ? 1 : 0;
    if (!Left && NewNow == 3) continue;  // nothing left for the next run to do

    // The next run completes the update and clears the killed run's leftovers.
    const TRunResult Again = RunProgram(Tree);
    EXPECT_EQ(Again.Status, 0) << Again.Err;
    for (int I = 0; I < 3; ++I) EXPECT_TRUE(Tree.Read(Order[I]) == New[I]) << "run " << Run << " not recovered";
    EXPECT_EQ(Leftovers(Tree), std::vector<fs::path>{}) << "run " << Run;
    if (HasFailure()) break;
  }

  int Totals[3] = {};
  for (const auto& Target : Outcomes)
    for (int K = 0; K < 3; ++K) Totals[K] += Target[K];
  std::cout << "[ figures  ] " << Runs << " runs (" << Killed << " killed before they ended), "
            << "targets old " << Totals[0] << ", new " << Totals[1] << ", torn " << Totals[2] << "; "
            << WithLeftovers << " kills left a temporary file, all removed by the next run\n";
  for (int I = 0; I < 3; ++I)
    std::cout << "[ figures  ]   " << Tree.HostPath(Order[I]).filename().string() << ": old " << Outcomes[I][0]
              << ", new " << Outcomes[I][1] << ", torn " << Outcomes[I][2] << "\n";
  RecordProperty("Old", Totals[0]);
  RecordProperty("New", Totals[1]);
  RecordProperty("Torn", Totals[2]);
}

}  // namespace
