#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>

// Sets or clears the immutable flag, which stops even root from writing.
inline bool SetImmutable(const std::filesystem::path& File, bool On) {
  const int Fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return false;
  int Flags = 0;
  bool Done = ::ioctl(Fd, FS_IOC_GETFLAGS, &Flags) == 0;
  Flags = On ? (Flags | FS_IMMUTABLE_FL) : (Flags & ~FS_IMMUTABLE_FL);
  Done = Done && ::ioctl(Fd, FS_IOC_SETFLAGS, &Flags) == 0;
  ::close(Fd);
  return Done;
}

// Immutable for the scope's lifetime, so a failing test leaves nothing locked.
class TImmutable {
public:
  explicit TImmutable(std::filesystem::path File) : Path(std::move(File)), Active(SetImmutable(Path, true)) {}
  ~TImmutable() {
    if (Active) SetImmutable(Path, false);
  }
  TImmutable(const TImmutable&) = delete;
  TImmutable& operator=(const TImmutable&) = delete;

  const std::filesystem::path Path;
  const bool Active;
};
