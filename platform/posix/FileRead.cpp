#include "platform/posix/FileRead.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/MemoryAdvice.h"
#include "platform/posix/FileDescriptor.h"

namespace {

bool SameVersion(const struct stat& A, const struct stat& B) {
  return A.st_size == B.st_size && A.st_mtim.tv_sec == B.st_mtim.tv_sec &&
         A.st_mtim.tv_nsec == B.st_mtim.tv_nsec && A.st_ctim.tv_sec == B.st_ctim.tv_sec &&
         A.st_ctim.tv_nsec == B.st_ctim.tv_nsec;
}

}  // namespace

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

  // One byte more than the file holds: a file that grows while it is read is
  // caught at once instead of being followed without end.
  const std::size_t Size = static_cast<std::size_t>(Snapshot.Status.st_size);
  std::string Bytes;
  // Room for the few lines an update adds, so they need no second copy of the file.
  Bytes.reserve(Size + 4096);
  PreferHugePages(Bytes.data(), Bytes.capacity());
  Bytes.resize(Size + 1);
  std::size_t Used = 0;
  while (Used < Bytes.size()) {
    const ssize_t Got = ::read(File.Get(), Bytes.data() + Used, Bytes.size() - Used);
    if (Got < 0 && errno == EINTR) continue;
    if (Got < 0) return Snapshot;
    if (Got == 0) break;
    Used += static_cast<std::size_t>(Got);
  }
  // Changed while being read: no one version was read whole, so it is never written.
  struct stat After;
  if (Used != Size || ::fstat(File.Get(), &After) != 0 || !SameVersion(Snapshot.Status, After)) return Snapshot;
  Bytes.resize(Used);
  Snapshot.Bytes = std::move(Bytes);
  Snapshot.State = TFileSnapshot::Readable;
  return Snapshot;
}
