#include "platform/posix/FileRead.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/MemoryAdvice.h"

namespace {

bool SameVersion(const struct stat& A, const struct stat& B) {
  return A.st_size == B.st_size && A.st_mtim.tv_sec == B.st_mtim.tv_sec &&
         A.st_mtim.tv_nsec == B.st_mtim.tv_nsec && A.st_ctim.tv_sec == B.st_ctim.tv_sec &&
         A.st_ctim.tv_nsec == B.st_ctim.tv_nsec;
}

// Small enough that whoever waits on the bytes starts early, large enough
// that the system calls do not count.
constexpr std::size_t PublishEvery = std::size_t(256) << 10;

// Reads the whole file as opened into Data, publishing progress if asked.
// True only if exactly those bytes were there: a file that grows, shrinks or
// changes while it is read is no one version of itself.
bool ReadInto(int File, const struct stat& Opened, char* Data, TArrival* Arrival) {
  const std::size_t Size = static_cast<std::size_t>(Opened.st_size);
  std::size_t Used = 0;
  bool Failed = false;
  while (Used < Size) {
    const std::size_t Want = Arrival ? std::min(PublishEvery, Size - Used) : Size - Used;
    const ssize_t Got = ::read(File, Data + Used, Want);
    if (Got < 0 && errno == EINTR) continue;
    if (Got <= 0) {
      Failed = true;
      break;
    }
    Used += static_cast<std::size_t>(Got);
    if (Arrival) Arrival->Publish(Used);
  }
  if (Failed) {
    // Whoever reads along is owed every byte: a fixed value, never garbage.
    std::memset(Data + Used, 0, Size - Used);
    if (Arrival) Arrival->Publish(Size);
    return false;
  }
  // One byte more than the file held: growth is caught at once instead of
  // being followed without end.
  char Beyond;
  ssize_t Got;
  do {
    Got = ::read(File, &Beyond, 1);
  } while (Got < 0 && errno == EINTR);
  struct stat After;
  return Got == 0 && ::fstat(File, &After) == 0 && SameVersion(Opened, After);
}

}  // namespace

TFileDescriptor OpenForReading(const std::string& HostPath, TFileSnapshot& Snapshot) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer.
  TFileDescriptor File(::open(HostPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!File) {
    struct stat Status;
    Snapshot.State = errno == ENOENT || errno == ENOTDIR || ::lstat(HostPath.c_str(), &Status) != 0
                         ? TFileSnapshot::Missing
                         : TFileSnapshot::Unusable;
    return File;
  }
  Snapshot.State = TFileSnapshot::Unusable;
  if (::fstat(File.Get(), &Snapshot.Status) != 0 || !S_ISREG(Snapshot.Status.st_mode)) return TFileDescriptor();
  return File;
}

std::string UnfilledBuffer(std::size_t Size) {
  std::string Bytes;
  Bytes.reserve(Size + 4096);
  PreferHugePages(Bytes.data(), Bytes.capacity());
  // Each byte is written once, by the read.
  Bytes.resize_and_overwrite(Size, [](char*, std::size_t Units) { return Units; });
  return Bytes;
}

bool ReadOpenedFile(TFileDescriptor File, TFileSnapshot& Snapshot) {
  std::string Bytes = UnfilledBuffer(static_cast<std::size_t>(Snapshot.Status.st_size));
  if (!ReadInto(File.Get(), Snapshot.Status, Bytes.data(), nullptr)) return false;
  Snapshot.Bytes = std::move(Bytes);
  Snapshot.State = TFileSnapshot::Readable;
  return true;
}

TFileSnapshot ReadWholeFile(const std::string& HostPath) {
  TFileSnapshot Snapshot;
  if (TFileDescriptor File = OpenForReading(HostPath, Snapshot)) ReadOpenedFile(std::move(File), Snapshot);
  return Snapshot;
}

TBackgroundRead::TBackgroundRead(TFileDescriptor FromFile, const struct stat& OpenedAs, char* Into, TArrival& Progress)
    : File(std::move(FromFile)), Opened(OpenedAs), Data(Into), Arrival(Progress) {
  try {
    Reader = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    Run();  // no thread to be had: read now
  }
}

TBackgroundRead::~TBackgroundRead() {
  if (Reader.joinable()) Reader.join();
}

void TBackgroundRead::Run() noexcept {
  Whole = ReadInto(File.Get(), Opened, Data, &Arrival);
  File.Close();
}

bool TBackgroundRead::Finish() {
  if (Reader.joinable()) Reader.join();
  return Whole;
}
