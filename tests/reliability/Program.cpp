#include "tests/reliability/Program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/posix/FileWrite.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Command(const TRunOptions& Options) {
  std::vector<std::string> Words = Options.Wrapper;
  const char* UnderTest = std::getenv("LANGREG_UNDER_TEST");
  std::istringstream Stream(UnderTest ? UnderTest : "");
  for (std::string Word; Stream >> Word;) Words.push_back(Word);
  if (Words.size() == Options.Wrapper.size()) throw std::runtime_error("LANGREG_UNDER_TEST names no program");
  return Words;
}

[[noreturn]] void ExecInChild(const TTree& Tree, const TRunOptions& Options, std::vector<std::string> Words) {
  std::vector<char*> Argv;
  for (std::string& Word : Words) Argv.push_back(Word.data());
  Argv.push_back(nullptr);
  ::setenv("WINEPREFIX", Tree.Prefix().c_str(), 1);
  for (const auto& [Name, Value] : Options.Environment) ::setenv(Name.c_str(), Value.c_str(), 1);
  if (::chdir(Tree.WorkFolder().c_str()) != 0) ::_exit(126);
  ::execvp(Argv[0], Argv.data());
  ::_exit(127);
}

}  // namespace

TRunResult RunProgram(const TTree& Tree, const TRunOptions& Given) {
  TRunOptions Options = Given;
  const fs::path PeakFile = Tree.WorkFolder().parent_path() / ".peak-memory";
  if (Options.MeasureMemory) {
    const char* FromEnvironment = std::getenv("LANGREG_PEAK_MEMORY");
    const char* Launcher = FromEnvironment && *FromEnvironment ? FromEnvironment : LANGREG_PEAK_MEMORY_BUILT;
    Options.Wrapper.insert(Options.Wrapper.begin(), {Launcher, PeakFile.string()});
  }
  std::vector<std::string> Words = Command(Options);
  int OutPipe[2], ErrPipe[2];
  if (::pipe2(OutPipe, O_CLOEXEC) != 0 || ::pipe2(ErrPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const pid_t Child = ::fork();
  if (Child == 0) {
    const int Null = ::open("/dev/null", O_RDONLY);
    ::dup2(Null, 0);
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    ExecInChild(Tree, Options, std::move(Words));
  }
  ::close(OutPipe[1]);
  ::close(ErrPipe[1]);
  TRunResult Result;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(Options.TimeoutSeconds);
  pollfd Fds[2] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
  std::string* Sinks[2] = {&Result.Out, &Result.Err};
  for (int Open = 2; Open > 0;) {
    const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - std::chrono::steady_clock::now());
    if (Left.count() <= 0) {
      // A hang: the watchdog ends it and the test says so.
      Result.TimedOut = true;
      ::kill(Child, SIGKILL);
      break;
    }
    if (::poll(Fds, 2, static_cast<int>(std::min<long long>(Left.count(), 1000))) <= 0) continue;
    for (int I = 0; I < 2; ++I) {
      if (Fds[I].fd < 0 || Fds[I].revents == 0) continue;
      char Buffer[4096];
      const ssize_t Got = ::read(Fds[I].fd, Buffer, sizeof Buffer);
      if (Got > 0) {
        Sinks[I]->append(Buffer, static_cast<std::size_t>(Got));
      } else {
        ::close(Fds[I].fd);
        Fds[I].fd = -1;
        --Open;
      }
    }
  }
  for (const pollfd& Fd : Fds)
    if (Fd.fd >= 0) ::close(Fd.fd);
  int Status = 0;
  ::waitpid(Child, &Status, 0);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  if (Options.MeasureMemory) {
    Result.MaxResidentKb = std::stol(ReadBytes(PeakFile).value_or("-1"));
    fs::remove(PeakFile);
  }
  return Result;
}

pid_t StartProgram(const TTree& Tree, const TRunOptions& Options) {
  std::vector<std::string> Words = Command(Options);
  const pid_t Child = ::fork();
  if (Child == 0) {
    const int Null = ::open("/dev/null", O_RDWR);
    ::dup2(Null, 0);
    ::dup2(Null, 1);
    ::dup2(Null, 2);
    ExecInChild(Tree, Options, std::move(Words));
  }
  return Child;
}

void ExpectWriteFailureReport(const TRunResult& Run, const std::string& Path) {
  ExpectWriteFailureReport(Run.Status, Run.Out, Run.Err, Path);
}

std::vector<fs::path> Leftovers(const TTree& Tree) {
  std::vector<fs::path> Found;
  for (const TTree::TTarget Target : {TTree::InitLan, TTree::Korvel, TTree::Setup}) {
    std::error_code Ignored;
    for (const auto& Entry : fs::directory_iterator(Tree.HostPath(Target).parent_path(), Ignored))
      if (Entry.path().filename().string().starts_with(TemporaryPrefix(Tree.HostPath(Target).filename().string())))
        Found.push_back(Entry.path());
  }
  return Found;
}
