#include "platform/posix/FileWrite.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/posix/FileDescriptor.h"

namespace {

struct TSplitPath {
  std::string Folder;
  std::string Name;
};

TSplitPath Split(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  if (Slash == std::string::npos) return {".", Path};
  return {Slash == 0 ? "/" : Path.substr(0, Slash), Path.substr(Slash + 1)};
}

int WriteAll(int Fd, std::string_view Bytes, off_t Offset) {
  while (!Bytes.empty()) {
    const ssize_t Done = ::pwrite(Fd, Bytes.data(), Bytes.size(), Offset);
    if (Done < 0 && errno == EINTR) continue;
    if (Done < 0) return errno;
    if (Done == 0) return EIO;
    Bytes.remove_prefix(static_cast<std::size_t>(Done));
    Offset += Done;
  }
  return 0;
}

int ReadAll(int Fd, std::string& Bytes) {
  std::size_t Used = 0;
  while (Used < Bytes.size()) {
    const ssize_t Got = ::pread(Fd, Bytes.data() + Used, Bytes.size() - Used, static_cast<off_t>(Used));
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return errno;
    if (Got == 0) return EIO;
    Used += static_cast<std::size_t>(Got);
  }
  return 0;
}

std::vector<std::string> AttributeNames(ssize_t (*List)(const void*, char*, std::size_t), const void* Of,
                                        int& Error) {
  std::vector<std::string> Names;
  std::vector<char> Buffer;
  for (;;) {
    ssize_t Size = List(Of, nullptr, 0);
    if (Size >= 0) {
      Buffer.resize(static_cast<std::size_t>(Size));
      Size = List(Of, Buffer.data(), Buffer.size());
    }
    if (Size < 0 && errno == ERANGE) continue;  // grew meanwhile
    if (Size < 0) {
      Error = errno == ENOTSUP ? 0 : errno;
      return Names;
    }
    for (std::size_t At = 0; At < static_cast<std::size_t>(Size); At += Names.back().size() + 1)
      Names.emplace_back(Buffer.data() + At);
    Error = 0;
    return Names;
  }
}

// Extended attributes carry ACLs and labels: the replacement gets exactly the
// old file's, or who may use the file would change. Returns 0 or an errno.
int CopyAttributes(const std::string& From, int To) {
  int Error = 0;
  const auto ListPath = [](const void* Of, char* Names, std::size_t Size) {
    return ::listxattr(static_cast<const char*>(Of), Names, Size);
  };
  const auto ListFd = [](const void* Of, char* Names, std::size_t Size) {
    return ::flistxattr(*static_cast<const int*>(Of), Names, Size);
  };
  // Whatever the folder's defaults gave the new file goes first.
  for (const std::string& Name : AttributeNames(ListFd, &To, Error))
    if (::fremovexattr(To, Name.c_str()) != 0) return errno;
  if (Error != 0) return Error;
  const std::vector<std::string> Names = AttributeNames(ListPath, From.c_str(), Error);
  if (Error != 0) return Error;
  std::vector<char> Value;
  for (const std::string& Name : Names) {
    ssize_t Length = ::getxattr(From.c_str(), Name.c_str(), nullptr, 0);
    if (Length >= 0) {
      Value.resize(static_cast<std::size_t>(Length));
      Length = ::getxattr(From.c_str(), Name.c_str(), Value.data(), Value.size());
    }
    if (Length < 0) return errno;
    if (::fsetxattr(To, Name.c_str(), Value.data(), static_cast<std::size_t>(Length), 0) != 0) return errno;
  }
  return 0;
}

int SyncFolder(int Folder) { return ::fsync(Folder) != 0 && errno != EINVAL ? errno : 0; }

int SyncFolder(const std::string& Folder) {
  TFileDescriptor Dir(::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return Dir ? SyncFolder(Dir.Get()) : errno;
}

// Leftovers of a run that was killed mid-replacement; nothing else uses the name.
void RemoveLeftovers(const TSplitPath& Path) {
  const std::string Prefix = TemporaryPrefix(Path.Name);
  DIR* Dir = ::opendir(Path.Folder.c_str());
  if (!Dir) return;
  while (const dirent* Entry = ::readdir(Dir)) {
    if (std::string_view(Entry->d_name).starts_with(Prefix))
      ::unlinkat(::dirfd(Dir), Entry->d_name, 0);
  }
  ::closedir(Dir);
}

enum class TOutcome { Done, Failed, UseInPlace };

struct TResult {
  TOutcome Outcome;
  int Error = 0;
};

TResult ReplaceByRename(const std::string& Target, const struct stat& Old, std::string_view Bytes) {
  const TSplitPath Path = Split(Target);
  // A rename lasts only once its folder is synced: a folder that cannot be
  // opened for that (writable, not readable) takes the file in place instead.
  TFileDescriptor Folder(::open(Path.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!Folder) return {errno == EACCES || errno == EPERM ? TOutcome::UseInPlace : TOutcome::Failed, errno};
  RemoveLeftovers(Path);
  std::random_device Random;
  const std::string Temporary =
      Path.Folder + "/" + TemporaryPrefix(Path.Name) + std::to_string(Random() % 1000000000u);
  TFileDescriptor File(::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!File) {
    // The folder takes no new file: the platform's own way, in place, still works.
    return {errno == ENOSPC || errno == EDQUOT || errno == EIO ? TOutcome::Failed : TOutcome::UseInPlace, errno};
  }
  auto Abandon = [&](TOutcome Outcome, int Error) {
    File.Close();
    ::unlink(Temporary.c_str());
    return TResult{Outcome, Error};
  };
  struct stat New;
  if (::fstat(File.Get(), &New) != 0) return Abandon(TOutcome::Failed, errno);
  if ((New.st_uid != Old.st_uid || New.st_gid != Old.st_gid) && ::fchown(File.Get(), Old.st_uid, Old.st_gid) != 0)
    return Abandon(TOutcome::UseInPlace, errno);
  if (::fchmod(File.Get(), Old.st_mode & 07777) != 0) return Abandon(TOutcome::UseInPlace, errno);
  if (const int Error = CopyAttributes(Target, File.Get())) return Abandon(TOutcome::UseInPlace, Error);
  if (const int Error = WriteAll(File.Get(), Bytes, 0)) return Abandon(TOutcome::Failed, Error);
  if (::fsync(File.Get()) != 0) return Abandon(TOutcome::Failed, errno);
  if (File.Close() != 0) {
    const int Error = errno;
    ::unlink(Temporary.c_str());
    return {TOutcome::Failed, Error};
  }
  if (::rename(Temporary.c_str(), Target.c_str()) != 0) {
    const int Error = errno;
    ::unlink(Temporary.c_str());
    // A sticky folder refuses to replace another user's file.
    return {Error == EPERM || Error == EACCES ? TOutcome::UseInPlace : TOutcome::Failed, Error};
  }
  if (const int Error = SyncFolder(Folder.Get())) return {TOutcome::Failed, Error};
  return {TOutcome::Done};
}

// Puts the old bytes back after a failed rewrite, from the first byte that may
// have changed; a second failure can do no better.
void RestoreInPlace(int Fd, const std::string& Old, std::size_t From) {
  WriteAll(Fd, std::string_view(Old).substr(From), static_cast<off_t>(From));
  ::ftruncate(Fd, static_cast<off_t>(Old.size()));
  ::fsync(Fd);
}

// Not atomic: used only where a new file cannot take the old one's place. A
// failure puts the old content back; only the bytes that differ are written.
int RewriteInPlace(const std::string& Target, off_t OldSize, std::string_view Bytes) {
  TFileDescriptor File(::open(Target.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!File) return errno;
  std::string Old(static_cast<std::size_t>(OldSize), '\0');
  if (const int Error = ReadAll(File.Get(), Old)) return Error;
  const std::size_t Same = static_cast<std::size_t>(
      std::mismatch(Old.begin(), Old.end(), Bytes.begin(), Bytes.end()).first - Old.begin());
  auto Fail = [&](int Error) {
    RestoreInPlace(File.Get(), Old, Same);
    return Error;
  };
  // Claim the space first, so a full disk fails before any byte changes.
  if (static_cast<off_t>(Bytes.size()) > OldSize) {
    const int Error = ::posix_fallocate(File.Get(), 0, static_cast<off_t>(Bytes.size()));
    if (Error != 0 && Error != EOPNOTSUPP && Error != EINVAL) return Fail(Error);
  }
  if (const int Error = WriteAll(File.Get(), Bytes.substr(Same), static_cast<off_t>(Same))) return Fail(Error);
  if (::ftruncate(File.Get(), static_cast<off_t>(Bytes.size())) != 0) return Fail(errno);
  if (::fsync(File.Get()) != 0) return Fail(errno);
  if (File.Close() != 0) {
    const int Error = errno;
    TFileDescriptor Again(::open(Target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
    if (Again) RestoreInPlace(Again.Get(), Old, 0);
    return Error;
  }
  return 0;
}

int CreateFile(const std::string& Target, std::string_view Bytes) {
  TFileDescriptor File(::open(Target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666));
  if (!File) return errno;
  int Error = WriteAll(File.Get(), Bytes, 0);
  if (Error == 0 && ::fsync(File.Get()) != 0) Error = errno;
  if (File.Close() != 0 && Error == 0) Error = errno;
  if (Error != 0) {
    ::unlink(Target.c_str());
    return Error;
  }
  return SyncFolder(Split(Target).Folder);
}

}  // namespace

std::string TemporaryPrefix(std::string_view Name) {
  return "." + std::string(Name) + ".langreg-unfinished-";
}

bool CanWriteFile(const std::string& HostPath, const TFileSnapshot& Snapshot) {
  if (Snapshot.State == TFileSnapshot::Unusable) return false;
  if (Snapshot.State == TFileSnapshot::Missing) {
    struct stat Link;
    if (::lstat(HostPath.c_str(), &Link) == 0) return false;  // a dangling link
    const std::string Folder = Split(HostPath).Folder;
    struct stat Status;
    return ::stat(Folder.c_str(), &Status) == 0 && S_ISDIR(Status.st_mode) &&
           ::faccessat(AT_FDCWD, Folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  }
  // A file without any write bit is read-only even to root, as on Windows.
  if ((Snapshot.Status.st_mode & 0222) == 0) return false;
  TFileDescriptor File(::open(HostPath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  return static_cast<bool>(File);
}

int ReplaceFileContent(const std::string& HostPath, const TFileSnapshot& Snapshot, std::string_view Bytes) {
  if (Snapshot.State == TFileSnapshot::Missing) return CreateFile(HostPath, Bytes);
  if (Snapshot.State != TFileSnapshot::Readable) return EACCES;

  // Through a symbolic link the file it names is replaced; the link stays.
  char Resolved[PATH_MAX];
  if (!::realpath(HostPath.c_str(), Resolved)) return errno;
  const std::string Target = Resolved;
  struct stat Current;
  if (::stat(Target.c_str(), &Current) != 0) return errno;

  // Other hard links must see the update, so those files are rewritten in place.
  if (Current.st_nlink == 1) {
    const TResult Result = ReplaceByRename(Target, Current, Bytes);
    if (Result.Outcome == TOutcome::Done) return 0;
    if (Result.Outcome == TOutcome::Failed) return Result.Error;
  }
  return RewriteInPlace(Target, Current.st_size, Bytes);
}
