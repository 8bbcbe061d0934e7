#include "platform/posix/HostPath.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

char FoldAscii(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }

bool SameIgnoringCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (FoldAscii(A[I]) != FoldAscii(B[I])) return false;
  return true;
}

bool Exists(const std::string& Path) {
  struct stat Status;
  return ::lstat(Path.c_str(), &Status) == 0;
}

bool IsFolder(const std::string& Path) {
  struct stat Status;
  return ::stat(Path.c_str(), &Status) == 0 && S_ISDIR(Status.st_mode);
}

// The folder's entry spelled like Name, ignoring case; empty if none.
std::string MatchInFolder(const std::string& Folder, std::string_view Name) {
  std::string Best;
  DIR* Dir = ::opendir(Folder.c_str());
  if (!Dir) return Best;
  while (const dirent* Entry = ::readdir(Dir)) {
    const std::string_view Candidate = Entry->d_name;
    if (SameIgnoringCase(Candidate, Name) && (Best.empty() || Candidate < Best)) Best = Candidate;
  }
  ::closedir(Dir);
  return Best;
}

std::optional<std::string> DriveRoot(char Letter) {
  const std::string Prefix = WinePrefix();
  if (Prefix.empty()) return std::nullopt;
  const char Lower = static_cast<char>(Letter >= 'A' && Letter <= 'Z' ? Letter - 'A' + 'a' : Letter);
  const std::string Device = Prefix + "/dosdevices/" + Lower + ":";
  if (IsFolder(Device)) return Device;
  if (Lower == 'c' && IsFolder(Prefix + "/drive_c")) return Prefix + "/drive_c";
  return std::nullopt;
}

}  // namespace

std::string WinePrefix() {
  if (const char* Prefix = std::getenv("WINEPREFIX"); Prefix && *Prefix) return Prefix;
  const char* Home = std::getenv("HOME");
  if (!Home || !*Home) {
    const passwd* User = ::getpwuid(::getuid());
    Home = User ? User->pw_dir : nullptr;
  }
  return Home && *Home ? std::string(Home) + "/.wine" : std::string();
}

std::optional<std::string> HostPathOf(std::string_view WindowsPath) {
  std::string Path = ".";
  std::string_view Rest = WindowsPath;
  const bool HasDrive = Rest.size() >= 2 && Rest[1] == ':' &&
                        ((Rest[0] >= 'A' && Rest[0] <= 'Z') || (Rest[0] >= 'a' && Rest[0] <= 'z'));
  if (HasDrive || Rest.starts_with('\\') || Rest.starts_with('/')) {
    // A rooted path without a drive is on drive C.
    const std::optional<std::string> Root = DriveRoot(HasDrive ? Rest[0] : 'C');
    if (!Root) return std::nullopt;
    Path = *Root;
    if (HasDrive) Rest.remove_prefix(2);
  }

  std::vector<std::string_view> Parts;
  while (!Rest.empty()) {
    const std::size_t Separator = Rest.find_first_of("\\/");
    const std::string_view Part = Rest.substr(0, Separator);
    if (!Part.empty() && Part != ".") Parts.push_back(Part);
    Rest = Separator == std::string_view::npos ? std::string_view() : Rest.substr(Separator + 1);
  }
  if (Parts.empty()) return std::nullopt;

  for (std::size_t I = 0; I < Parts.size(); ++I) {
    std::string Next = Path + "/" + std::string(Parts[I]);
    if (Parts[I] != ".." && !Exists(Next)) {
      const std::string Match = MatchInFolder(Path, Parts[I]);
      if (!Match.empty()) {
        Next = Path + "/" + Match;
      } else if (I + 1 < Parts.size()) {
        return std::nullopt;
      }
    }
    Path = std::move(Next);
  }
  return Path;
}
