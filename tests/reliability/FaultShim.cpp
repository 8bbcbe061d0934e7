// Preloaded into the program under test: traces the file calls it makes and
// fails, shortens or disturbs one chosen call.
//
// Environment:
//   LANGREG_FAULT_LOG    append one line per call: "<seq> <kind> <fd> <path>"
//   LANGREG_FAULT_AT     the seq of the call to disturb
//
// A seq is "<thread>.<call>": threads are numbered as they make their first
// call (the main thread is 0), calls within each thread. A file read ahead on
// its own thread then keeps the same numbers from run to run, however the
// threads interleave.
//   LANGREG_FAULT_ERRNO  the errno it fails with
//   LANGREG_FAULT_MODE   fail (default); short: a write does half its bytes and
//                        the next write on that descriptor fails; grow, shrink:
//                        a read first appends to or halves the file it reads;
//                        partial: a write does half its bytes, nothing fails
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MaxFd = 4096;

enum TOpenKind { NotTraced, ReadOpen, WriteOpen, CreateOpen, DirOpen };

struct TShim {
  bool Ready = false;
  int Log = -1;
  char At[32] = {};
  int Errno = EIO;
  char Mode = 'f';  // f: fail, h: short, g: grow, s: shrink, p: partial
  std::atomic<long> Threads{0};
  TOpenKind Kind[MaxFd] = {};
  bool FailNextWrite[MaxFd] = {};
  char Path[MaxFd][512] = {};
};

TShim Shim;

void Init() {
  if (Shim.Ready) return;
  Shim.Ready = true;
  if (const char* Log = std::getenv("LANGREG_FAULT_LOG"))
    Shim.Log = static_cast<int>(::syscall(SYS_open, Log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (const char* At = std::getenv("LANGREG_FAULT_AT")) std::snprintf(Shim.At, sizeof Shim.At, "%s", At);
  if (const char* Errno = std::getenv("LANGREG_FAULT_ERRNO")) Shim.Errno = std::atoi(Errno);
  if (const char* Mode = std::getenv("LANGREG_FAULT_MODE")) {
    Shim.Mode = std::strcmp(Mode, "short") == 0    ? 'h'
                : std::strcmp(Mode, "grow") == 0   ? 'g'
                : std::strcmp(Mode, "shrink") == 0 ? 's'
                : std::strcmp(Mode, "partial") == 0 ? 'p'
                                                   : 'f';
  }
}

template <typename TFunction>
TFunction Real(const char* Name) {
  return reinterpret_cast<TFunction>(::dlsym(RTLD_NEXT, Name));
}

bool Traced(int Fd) { return Fd >= 0 && Fd < MaxFd && Shim.Kind[Fd] != NotTraced; }

const char* KindName(TOpenKind Kind) {
  switch (Kind) {
    case ReadOpen: return "read";
    case WriteOpen: return "write";
    case CreateOpen: return "create";
    case DirOpen: return "dir";
    default: return "none";
  }
}

// Counts the call and says whether it is the one to disturb.
bool Event(const char* Kind, int Fd, const char* Path) {
  Init();
  thread_local long Thread = -1, Calls = 0;
  if (Thread < 0) Thread = Shim.Threads++;
  char Seq[32];
  std::snprintf(Seq, sizeof Seq, "%ld.%ld", Thread, ++Calls);
  if (Shim.Log >= 0) {
    char Line[800];
    const int Length = std::snprintf(Line, sizeof Line, "%s %s %d %s\n", Seq, Kind, Fd, Path ? Path : "-");
    if (Length > 0) ::syscall(SYS_write, Shim.Log, Line, static_cast<size_t>(Length));
  }
  return std::strcmp(Seq, Shim.At) == 0;
}

bool Fail() {
  errno = Shim.Errno;
  return true;
}

TOpenKind OpenKind(int Flags) {
  if (Flags & O_DIRECTORY) return DirOpen;
  if (Flags & O_CREAT) return CreateOpen;
  if ((Flags & O_ACCMODE) != O_RDONLY) return WriteOpen;
  return ReadOpen;
}

bool Ignored(const char* Path) {
  return std::strncmp(Path, "/proc/", 6) == 0 || std::strncmp(Path, "/sys/", 5) == 0 ||
         (std::strncmp(Path, "/dev/", 5) == 0 && std::strncmp(Path, "/dev/shm/", 9) != 0);
}

int TraceOpen(int Result, int Flags, const char* Path) {
  if (Result < 0 || Result >= MaxFd) return Result;
  Shim.Kind[Result] = OpenKind(Flags);
  Shim.FailNextWrite[Result] = false;
  std::snprintf(Shim.Path[Result], sizeof Shim.Path[Result], "%s", Path);
  return Result;
}

int OpenAt(int DirFd, const char* Path, int Flags, mode_t Mode) {
  using TOpenAt = int (*)(int, const char*, int, ...);
  static TOpenAt RealOpenAt = Real<TOpenAt>("openat");
  if (Ignored(Path)) return RealOpenAt(DirFd, Path, Flags, Mode);
  char Kind[32];
  std::snprintf(Kind, sizeof Kind, "open-%s", KindName(OpenKind(Flags)));
  if (Event(Kind, -1, Path) && Shim.Mode == 'f' && Fail()) return -1;
  return TraceOpen(RealOpenAt(DirFd, Path, Flags, Mode), Flags, Path);
}

mode_t ModeOf(int Flags, va_list Arguments) {
  return (Flags & O_CREAT) || (Flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(Arguments, int)) : 0;
}

// Appends to, or halves, the file behind Fd before it is read.
void Disturb(int Fd) {
  struct stat Status;
  if (::fstat(Fd, &Status) != 0) return;
  const int Other = static_cast<int>(::syscall(SYS_open, Shim.Path[Fd], O_WRONLY | O_CLOEXEC));
  if (Other < 0) return;
  if (Shim.Mode == 'g') {
    static const char More[] = "\r\n[Grown]\r\nWhile=read\r\n";
    ::syscall(SYS_pwrite64, Other, More, sizeof More - 1, Status.st_size);
  } else {
    ::syscall(SYS_ftruncate, Other, Status.st_size / 2);
  }
  ::syscall(SYS_close, Other);
}

// A read of a descriptor opened for writing is a rewrite reading the old bytes.
template <typename TCall>
ssize_t Read(int Fd, TCall Call) {
  if (!Traced(Fd)) return Call();
  if (Event(Shim.Kind[Fd] == ReadOpen ? "read" : "read-back", Fd, Shim.Path[Fd])) {
    if (Shim.Mode == 'g' || Shim.Mode == 's') {
      Disturb(Fd);
    } else if (Fail()) {
      return -1;
    }
  }
  return Call();
}

template <typename TCall>
ssize_t Write(int Fd, size_t Count, TCall Call) {
  if (!Traced(Fd)) return Call(Count);
  const bool Chosen = Event("write", Fd, Shim.Path[Fd]);
  if (Shim.FailNextWrite[Fd]) {
    Shim.FailNextWrite[Fd] = false;
    Fail();
    return -1;
  }
  if (Chosen && (Shim.Mode == 'h' || Shim.Mode == 'p') && Count > 1) {
    Shim.FailNextWrite[Fd] = Shim.Mode == 'h';
    return Call(Count / 2);
  }
  if (Chosen && Shim.Mode == 'f' && Fail()) return -1;
  return Call(Count);
}

template <typename TCall>
int Simple(const char* Name, int Fd, TCall Call) {
  if (!Traced(Fd)) return Call();
  if (Event(Name, Fd, Shim.Path[Fd]) && Shim.Mode == 'f' && Fail()) return -1;
  return Call();
}

}  // namespace

extern "C" {

int open(const char* Path, int Flags, ...) {
  va_list Arguments;
  va_start(Arguments, Flags);
  const mode_t Mode = ModeOf(Flags, Arguments);
  va_end(Arguments);
  return OpenAt(AT_FDCWD, Path, Flags, Mode);
}

int open64(const char* Path, int Flags, ...) {
  va_list Arguments;
  va_start(Arguments, Flags);
  const mode_t Mode = ModeOf(Flags, Arguments);
  va_end(Arguments);
  return OpenAt(AT_FDCWD, Path, Flags, Mode);
}

int openat(int DirFd, const char* Path, int Flags, ...) {
  va_list Arguments;
  va_start(Arguments, Flags);
  const mode_t Mode = ModeOf(Flags, Arguments);
  va_end(Arguments);
  return OpenAt(DirFd, Path, Flags, Mode);
}

int __open_2(const char* Path, int Flags) { return OpenAt(AT_FDCWD, Path, Flags, 0); }
int __open64_2(const char* Path, int Flags) { return OpenAt(AT_FDCWD, Path, Flags, 0); }

ssize_t read(int Fd, void* Buffer, size_t Count) {
  static auto RealRead = Real<ssize_t (*)(int, void*, size_t)>("read");
  return Read(Fd, [&] { return RealRead(Fd, Buffer, Count); });
}

ssize_t pread(int Fd, void* Buffer, size_t Count, off_t Offset) {
  static auto RealPread = Real<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  return Read(Fd, [&] { return RealPread(Fd, Buffer, Count, Offset); });
}

ssize_t pread64(int Fd, void* Buffer, size_t Count, off_t Offset) { return pread(Fd, Buffer, Count, Offset); }

ssize_t write(int Fd, const void* Buffer, size_t Count) {
  static auto RealWrite = Real<ssize_t (*)(int, const void*, size_t)>("write");
  return Write(Fd, Count, [&](size_t N) { return RealWrite(Fd, Buffer, N); });
}

ssize_t pwrite(int Fd, const void* Buffer, size_t Count, off_t Offset) {
  static auto RealPwrite = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  return Write(Fd, Count, [&](size_t N) { return RealPwrite(Fd, Buffer, N, Offset); });
}

ssize_t pwrite64(int Fd, const void* Buffer, size_t Count, off_t Offset) {
  return pwrite(Fd, Buffer, Count, Offset);
}

int fsync(int Fd) {
  static auto RealFsync = Real<int (*)(int)>("fsync");
  const bool Dir = Traced(Fd) && Shim.Kind[Fd] == DirOpen;
  return Simple(Dir ? "fsync-dir" : "fsync", Fd, [&] { return RealFsync(Fd); });
}

int fdatasync(int Fd) {
  static auto RealFdatasync = Real<int (*)(int)>("fdatasync");
  return Simple("fsync", Fd, [&] { return RealFdatasync(Fd); });
}

int close(int Fd) {
  static auto RealClose = Real<int (*)(int)>("close");
  if (!Traced(Fd)) return RealClose(Fd);
  char Kind[32];
  std::snprintf(Kind, sizeof Kind, "close-%s", KindName(Shim.Kind[Fd]));
  const bool Chosen = Event(Kind, Fd, Shim.Path[Fd]);
  Shim.Kind[Fd] = NotTraced;
  // Like a late error on a network file system: the descriptor is gone all the same.
  const int Result = RealClose(Fd);
  if (Chosen && Shim.Mode == 'f' && Fail()) return -1;
  return Result;
}

int ftruncate(int Fd, off_t Length) {
  static auto RealFtruncate = Real<int (*)(int, off_t)>("ftruncate");
  return Simple("truncate", Fd, [&] { return RealFtruncate(Fd, Length); });
}

int ftruncate64(int Fd, off_t Length) { return ftruncate(Fd, Length); }

int posix_fallocate(int Fd, off_t Offset, off_t Length) {
  static auto RealFallocate = Real<int (*)(int, off_t, off_t)>("posix_fallocate");
  if (!Traced(Fd)) return RealFallocate(Fd, Offset, Length);
  if (Event("fallocate", Fd, Shim.Path[Fd]) && Shim.Mode == 'f') return Shim.Errno;
  return RealFallocate(Fd, Offset, Length);
}

int posix_fallocate64(int Fd, off_t Offset, off_t Length) { return posix_fallocate(Fd, Offset, Length); }

int fchmod(int Fd, mode_t Mode) {
  static auto RealFchmod = Real<int (*)(int, mode_t)>("fchmod");
  return Simple("fchmod", Fd, [&] { return RealFchmod(Fd, Mode); });
}

int fchown(int Fd, uid_t Owner, gid_t Group) {
  static auto RealFchown = Real<int (*)(int, uid_t, gid_t)>("fchown");
  return Simple("fchown", Fd, [&] { return RealFchown(Fd, Owner, Group); });
}

int fsetxattr(int Fd, const char* Name, const void* Value, size_t Size, int Flags) {
  static auto RealFsetxattr = Real<int (*)(int, const char*, const void*, size_t, int)>("fsetxattr");
  return Simple("fsetxattr", Fd, [&] { return RealFsetxattr(Fd, Name, Value, Size, Flags); });
}

int rename(const char* From, const char* To) {
  static auto RealRename = Real<int (*)(const char*, const char*)>("rename");
  if (Event("rename", -1, To) && Shim.Mode == 'f' && Fail()) return -1;
  return RealRename(From, To);
}

}  // extern "C"
