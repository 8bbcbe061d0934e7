#include "platform/posix/FileRead.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/FileDescriptor.h"

TFileSnapshot ReadWholeFile(const std::string& HostPath) {
  TFileSnapshot Snapshot;
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  TFileDescriptor File(::open(HostPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!File) {
    struct stat Status;
    Snapshot.State = errno == ENOENT || errno == ENOTDIR || ::lstat(HostPath.c_str(), &Status) != 0
                         ? TFileSnapshot::Missing
                         : TFileSnapshot::Unusable;
    return Snapshot;
  }
  Snapshot.State = TFileSnapshot::Unusable;
  if (::fstat(File.Get(), &Snapshot.Status) != 0 || !S_ISREG(Snapshot.Status.st_mode)) return Snapshot;

  std::string Bytes;
  Bytes.resize(static_cast<std::size_t>(Snapshot.Status.st_size) + 1);
  std::size_t Used = 0;
  for (;;) {
    if (Used == Bytes.size()) Bytes.resize(Bytes.size() * 2 + 4096);
    const ssize_t Got = ::read(File.Get(), Bytes.data() + Used, Bytes.size() - Used);
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return Snapshot;
    if (Got == 0) break;
    Used += static_cast<std::size_t>(Got);
  }
  Bytes.resize(Used);
  Snapshot.Bytes = std::move(Bytes);
  Snapshot.State = TFileSnapshot::Readable;
  return Snapshot;
}
