#include "tests/e2e/Tree.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "platform/posix/IniDocument.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string Env(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value ? Value : "";
}

std::vector<std::string> CommandUnderTest() {
  std::istringstream Words(Env("LANGREG_UNDER_TEST"));
  std::vector<std::string> Command;
  for (std::string Word; Words >> Word;) Command.push_back(Word);
  if (Command.empty()) throw std::runtime_error("LANGREG_UNDER_TEST names no program");
  return Command;
}

fs::path FolderIgnoringCase(const fs::path& Parent, const std::string& Name) {
  for (const auto& Entry : fs::directory_iterator(Parent)) {
    std::string Candidate = Entry.path().filename();
    if (Candidate.size() != Name.size()) continue;
    bool Same = true;
    for (std::size_t I = 0; I < Name.size(); ++I) Same = Same && std::toupper(Candidate[I]) == std::toupper(Name[I]);
    if (Same) return Entry.path();
  }
  fs::create_directories(Parent / Name);
  return Parent / Name;
}

}  // namespace

TTree::TTree() {
  std::random_device Random;
  const std::string Unique = "langreg-e2e-" + std::to_string(Random()) + std::to_string(Random());
  const std::string Shared = Env("LANGREG_WINEPREFIX");
  if (Shared.empty()) {
    Root = fs::temp_directory_path() / Unique;
    PrefixPath = Root / "prefix";
    fs::create_directories(PrefixPath / "dosdevices");
    fs::create_directories(PrefixPath / "drive_c");
    fs::create_directory_symlink("../drive_c", PrefixPath / "dosdevices/c:");
    Root = fs::canonical(Root);
    PrefixPath = Root / "prefix";
  } else {
    PrefixPath = fs::canonical(Shared);
    Root = PrefixPath / "drive_c" / Unique;
  }
  Work = Root / "drive_c" / "app" / "bin";
  if (!Shared.empty()) Work = Root / "app" / "bin";
  fs::create_directories(Work);
  Windows = FolderIgnoringCase(PrefixPath / "drive_c", "WINDOWS");
  fs::remove(Windows / "KORVEL.INI");
}

TTree::~TTree() {
  std::error_code Ignored;
  fs::remove(Windows / "KORVEL.INI", Ignored);
  fs::remove_all(Root, Ignored);
}

fs::path TTree::HostPath(TTarget Target) const {
  switch (Target) {
    case InitLan: return Work / "Init_LAN.INI";
    case Korvel: return Windows / "KORVEL.INI";
    case Setup: return Work.parent_path() / "Setup.INI";
  }
  return {};
}

void TTree::Write(TTarget Target, const std::string& Bytes) const { WriteBytes(HostPath(Target), Bytes); }

std::optional<std::string> TTree::Read(TTarget Target) const { return ReadBytes(HostPath(Target)); }

bool TTree::ComparesAsProfile() { return Env("LANGREG_COMPARE") == "profile"; }

std::string TTree::ModuleName() { return fs::path(CommandUnderTest().back()).filename(); }

TTree::TRun TTree::Run(const std::vector<std::string>& Arguments, const std::optional<fs::path>& Folder) const {
  std::vector<std::string> Command = CommandUnderTest();
  Command.insert(Command.end(), Arguments.begin(), Arguments.end());
  std::vector<char*> Argv;
  for (std::string& Word : Command) Argv.push_back(Word.data());
  Argv.push_back(nullptr);

  int OutPipe[2], ErrPipe[2];
  if (::pipe2(OutPipe, O_CLOEXEC) != 0 || ::pipe2(ErrPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  const std::string Where = Folder.value_or(Work).string();
  const std::string PrefixText = PrefixPath.string();
  const pid_t Child = ::fork();
  if (Child == 0) {
    const int Null = ::open("/dev/null", O_RDONLY);
    ::dup2(Null, 0);
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    ::setenv("WINEPREFIX", PrefixText.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    if (::chdir(Where.c_str()) != 0) ::_exit(126);
    ::execvp(Argv[0], Argv.data());
    ::_exit(127);
  }
  ::close(OutPipe[1]);
  ::close(ErrPipe[1]);
  TRun Result;
  pollfd Fds[2] = {{OutPipe[0], POLLIN, 0}, {ErrPipe[0], POLLIN, 0}};
  std::string* Sinks[2] = {&Result.Out, &Result.Err};
  // Stop once the program has ended and its output is drained: services it
  // leaves running (Wine's) may hold the pipes open for good.
  int Status = 0;
  bool Ended = false;
  for (int Open = 2; Open > 0;) {
    const int Ready = ::poll(Fds, 2, Ended ? 0 : 100);
    if (Ready < 0) continue;
    if (Ready == 0) {
      if (Ended) break;
      Ended = ::waitpid(Child, &Status, WNOHANG) == Child;
      continue;
    }
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
  for (pollfd& Fd : Fds)
    if (Fd.fd >= 0) ::close(Fd.fd);
  if (!Ended) ::waitpid(Child, &Status, 0);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
  return Result;
}

std::string ProfileView(const std::string& Bytes) {
  // Section names from the header lines; the document then reads each one.
  std::string View;
  std::set<std::string> Seen;
  TIniDocument Document(Bytes);
  std::istringstream Lines(Bytes);
  for (std::string Line; std::getline(Lines, Line);) {
    const std::size_t Open = Line.find_first_not_of(" \t\r");
    const std::size_t Close = Line.rfind(']');
    if (Open == std::string::npos || Line[Open] != '[' || Close == std::string::npos || Close < Open) continue;
    std::string Name = Line.substr(Open + 1, Close - Open - 1);
    Name.erase(0, Name.find_first_not_of(" \t"));
    Name.erase(Name.find_last_not_of(" \t") + 1);
    std::string Folded = Name;
    for (char& C : Folded) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
    if (!Seen.insert(Folded).second) continue;
    TStringList Values;
    Document.NameValueLines(Name, Values);
    View += "[" + Folded + "]\n";
    for (int I = 0; I < Values.Count(); ++I) View += std::string(Values[I]) + "\n";
  }
  return View;
}
