// Times whole runs of langreg against the I/O floor, side by side on the same
// files, and prints one table row per tree. Trees come from langreg_bench_tree.
//
// Usage: langreg_bench_run LANGREG FLOOR NOOP (ROOT:KEYS:REPEATS)...
//   KEYS "registered": small files that need no write; langreg is compared
//   with a static no-op program's start-up instead of the floor.
//
// This process stays small on purpose: a child's peak RSS as the kernel
// reports it is at least the parent's at the moment of the spawn.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct TTarget {
  const char* Name;
  const char* Folder;  // under prefix/drive_c
};
constexpr TTarget Targets[] = {
    {"Init_LAN.INI", "App/Bin"}, {"KORVEL.INI", "WINDOWS"}, {"Setup.INI", "App"}};

struct TSample {
  double Seconds;
  long PeakKiB;
  double CpuSeconds;  // user and system
};

[[noreturn]] void Die(const std::string& What) {
  std::fprintf(stderr, "langreg_bench_run: %s\n", What.c_str());
  std::exit(1);
}

std::string TargetPath(const std::string& Root, const TTarget& Target) {
  return Root + "/prefix/drive_c/" + Target.Folder + "/" + Target.Name;
}

long long FileSize(const std::string& Path) {
  struct stat Status;
  if (::stat(Path.c_str(), &Status) != 0) Die("cannot stat " + Path);
  return Status.st_size;
}

void CopyFile(const std::string& From, const std::string& To) {
  const int In = ::open(From.c_str(), O_RDONLY | O_CLOEXEC);
  const int Out = ::open(To.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (In < 0 || Out < 0) Die("cannot copy " + From);
  while (const ssize_t Done = ::copy_file_range(In, nullptr, Out, nullptr, 1 << 30, 0)) {
    if (Done < 0) Die("cannot copy " + From);
  }
  ::close(In);
  ::close(Out);
}

// Puts the pristine files back and flushes them, so no earlier write is
// flushed inside a timed run.
void Restore(const std::string& Root) {
  for (const TTarget& Target : Targets) CopyFile(Root + "/pristine/" + Target.Name, TargetPath(Root, Target));
  ::sync();
}

TSample Run(const std::vector<std::string>& Command, const std::string& Folder, const std::string& Prefix) {
  std::vector<char*> Argv;
  for (const std::string& Word : Command) Argv.push_back(const_cast<char*>(Word.c_str()));
  Argv.push_back(nullptr);
  std::vector<std::string> Environment = {"WINEPREFIX=" + Prefix, "HOME=/nonexistent", "LC_ALL=C"};
  std::vector<char*> Envp;
  for (std::string& Entry : Environment) Envp.push_back(Entry.data());
  Envp.push_back(nullptr);

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addchdir_np(&Actions, Folder.c_str());
  const auto Start = std::chrono::steady_clock::now();
  pid_t Child;
  if (posix_spawn(&Child, Argv[0], &Actions, nullptr, Argv.data(), Envp.data()) != 0) Die("cannot start " + Command[0]);
  int Status = 0;
  rusage Usage{};
  if (::wait4(Child, &Status, 0, &Usage) != Child) Die("lost " + Command[0]);
  const auto Stop = std::chrono::steady_clock::now();
  posix_spawn_file_actions_destroy(&Actions);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) Die(Command[0] + " failed");
  const auto Cpu = [](const timeval& T) { return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_usec) / 1e6; };
  return {std::chrono::duration<double>(Stop - Start).count(), Usage.ru_maxrss,
          Cpu(Usage.ru_utime) + Cpu(Usage.ru_stime)};
}

double Median(const std::vector<TSample>& Samples, double TSample::*Field = &TSample::Seconds) {
  std::vector<double> Values;
  for (const TSample& S : Samples) Values.push_back(S.*Field);
  std::sort(Values.begin(), Values.end());
  const std::size_t N = Values.size();
  return N % 2 ? Values[N / 2] : (Values[N / 2 - 1] + Values[N / 2]) / 2;
}

long Peak(const std::vector<TSample>& Samples) {
  long Max = 0;
  for (const TSample& S : Samples) Max = std::max(Max, S.PeakKiB);
  return Max;
}

std::string Milliseconds(double Seconds) {
  char Text[32];
  std::snprintf(Text, sizeof Text, Seconds < 0.01 ? "%.2f ms" : "%.1f ms", Seconds * 1000);
  return Text;
}

struct TTree {
  std::string Root, Keys;
  int Repeats;
  std::string Prefix() const { return Root + "/prefix"; }
  std::string Work() const { return Root + "/prefix/drive_c/App/Bin"; }
  std::vector<std::string> Files() const {
    std::vector<std::string> Paths;
    for (const TTarget& Target : Targets) Paths.push_back(TargetPath(Root, Target));
    return Paths;
  }
};

TTree ParseTree(const std::string& Text) {
  const std::size_t A = Text.rfind(':'), B = Text.rfind(':', A - 1);
  if (A == std::string::npos || B == std::string::npos) Die("bad tree " + Text);
  return {Text.substr(0, B), Text.substr(B + 1, A - B - 1), std::stoi(Text.substr(A + 1))};
}

// Each run must have registered the language in all three files.
void CheckRegistered(const TTree& Tree) {
  for (const TTarget& Target : Targets) {
    if (FileSize(TargetPath(Tree.Root, Target)) <= FileSize(Tree.Root + "/pristine/" + Target.Name))
      Die(std::string("langreg left ") + Target.Name + " unchanged");
  }
}

}  // namespace

int main(int Count, char** Arguments) {
  if (Count < 5) Die("usage: langreg_bench_run LANGREG FLOOR NOOP (ROOT:KEYS:REPEATS)...");
  const std::string Langreg = Arguments[1], Floor = Arguments[2], NoOp = Arguments[3];

  std::printf("| keys | largest file | langreg (median) | I/O floor (median) | langreg / floor | langreg CPU / floor CPU "
              "| peak RSS | RSS / largest file | time / previous size |\n");
  std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  double Previous = 0;
  std::vector<std::string> Notes;
  for (int I = 4; I < Count; ++I) {
    const TTree Tree = ParseTree(Arguments[I]);
    std::vector<TSample> Ours, Floors, NoOps, Idle;
    std::vector<std::string> FloorCommand = {Floor};
    for (const std::string& File : Tree.Files()) FloorCommand.push_back(File);
    long long Largest = 0;
    for (const TTarget& Target : Targets)
      Largest = std::max(Largest, FileSize(Tree.Root + "/pristine/" + Target.Name));

    if (Tree.Keys == "registered") {
      // Nothing to write: what is left is start-up and reading.
      Restore(Tree.Root);
      for (int R = 0; R < Tree.Repeats; ++R) {
        Idle.push_back(Run({Langreg}, Tree.Work(), Tree.Prefix()));
        NoOps.push_back(Run({NoOp}, Tree.Work(), Tree.Prefix()));
      }
      char Note[256];
      std::snprintf(Note, sizeof Note,
                    "Three small files already registered (nothing to write): langreg %s, static no-op %s, "
                    "ratio %.2f.",
                    Milliseconds(Median(Idle)).c_str(), Milliseconds(Median(NoOps)).c_str(),
                    Median(Idle) / Median(NoOps));
      Notes.push_back(Note);
      continue;
    }
    for (int R = 0; R < Tree.Repeats; ++R) {
      // Interleaved, so drift on a noisy machine hits both sides alike.
      Restore(Tree.Root);
      Ours.push_back(Run({Langreg}, Tree.Work(), Tree.Prefix()));
      CheckRegistered(Tree);
      Restore(Tree.Root);
      Floors.push_back(Run(FloorCommand, Tree.Work(), Tree.Prefix()));
    }

    const double Time = Median(Ours), FloorTime = Median(Floors);
    const long Rss = Peak(Ours);
    const bool Numeric = Tree.Keys.find_first_not_of("0123456789") == std::string::npos;
    char Step[32] = "-";
    if (Numeric && Previous > 0) std::snprintf(Step, sizeof Step, "%.2f", Time / Previous);
    std::printf("| %s | %.2f MiB | %s | %s | %.2f | %.2f | %.1f MiB | %.2f | %s |\n", Tree.Keys.c_str(),
                Largest / 1048576.0, Milliseconds(Time).c_str(), Milliseconds(FloorTime).c_str(), Time / FloorTime,
                Median(Ours, &TSample::CpuSeconds) / std::max(Median(Floors, &TSample::CpuSeconds), 1e-6),
                Rss / 1024.0, Rss * 1024.0 / static_cast<double>(Largest), Step);
    std::fflush(stdout);
    if (Numeric) Previous = Time;
  }
  for (const std::string& Note : Notes) std::printf("\n%s\n", Note.c_str());
  return 0;
}
