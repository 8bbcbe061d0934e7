#include "platform/TIniFile.h"

#include <sys/stat.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/posix/FileRead.h"
#include "platform/posix/FileWrite.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/IniDocument.h"

namespace {

// Files smaller than this are read when first needed: their read is short
// next to a thread's start and the memory of a second file at once.
constexpr off_t ReadAheadFromBytes = off_t(4) << 20;
// From this size on a file's section is indexed while the file is still being
// read; below it a thread costs more than the overlap saves.
constexpr off_t IndexWhileReadingFromBytes = off_t(4) << 20;

// A file as read: where the Windows path led, what was there, and its text.
struct TLoaded {
  std::optional<std::string> HostPath;
  TFileSnapshot Snapshot;  // its bytes move into Document
  TIniDocument Document;
  // For a file not read whole: what the path showed just after, to tell later
  // whether it has changed since.
  int SeenError = 0;
  struct stat Seen {};
};

// Reads a large file on a thread of its own while the section is found and
// indexed behind the read; true if exactly the file as opened was read.
bool ReadAndIndex(TFileDescriptor Opened, std::string_view Section, TLoaded& File) {
  const std::size_t Size = static_cast<std::size_t>(File.Snapshot.Status.st_size);
  std::string Bytes = UnfilledBuffer(Size);
  TArrival Arrival(Size);
  // Declared first so that it is released last: the reader writes into the
  // document's buffer until it is joined.
  std::optional<TIniDocument> Document;
  TBackgroundRead Read(std::move(Opened), File.Snapshot.Status, Bytes.data(), Arrival);
  Document.emplace(std::move(Bytes), Arrival);
  Document->HasKeys(Section);
  const bool Whole = Read.Finish();
  Document->Arrived();
  if (Whole) File.Document = std::move(*Document);
  return Whole;
}

// Reads the file and finds and indexes Section. With MayIndex, the bytes are
// read whole first and the section is indexed only once MayIndex() allows
// (returning false drops what was read).
template <typename TMayIndex = std::nullptr_t>
TLoaded Load(const std::string& FileName, std::string_view Section, TMayIndex MayIndex = nullptr) {
  constexpr bool Gated = !std::is_same_v<TMayIndex, std::nullptr_t>;
  TLoaded File;
  File.HostPath = HostPathOf(FileName);
  if (!File.HostPath) return File;
  TFileDescriptor Opened = OpenForReading(*File.HostPath, File.Snapshot);
  if (Opened && !Gated && File.Snapshot.Status.st_size >= IndexWhileReadingFromBytes) {
    if (ReadAndIndex(std::move(Opened), Section, File)) File.Snapshot.State = TFileSnapshot::Readable;
  } else if (Opened && ReadOpenedFile(std::move(Opened), File.Snapshot)) {
    if constexpr (Gated) {
      if (!MayIndex()) return TLoaded();
    }
    File.Document = TIniDocument(std::move(File.Snapshot.Bytes));
    // Finds the section and indexes it now, while the caller may wait on something else.
    File.Document.HasKeys(Section);
  }
  if (File.Snapshot.State != TFileSnapshot::Readable && ::stat(File.HostPath->c_str(), &File.Seen) != 0) {
    File.SeenError = errno;
  }
  return File;
}

bool SameFile(const struct stat& A, const struct stat& B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino && A.st_mode == B.st_mode && A.st_size == B.st_size &&
         A.st_mtim.tv_sec == B.st_mtim.tv_sec && A.st_mtim.tv_nsec == B.st_mtim.tv_nsec &&
         A.st_ctim.tv_sec == B.st_ctim.tv_sec && A.st_ctim.tv_nsec == B.st_ctim.tv_nsec;
}

// Every file this process has committed to, before and after: a read made
// earlier must not stand for a file that a commit since has changed, even
// where the clock is too coarse to show it.
class TCommits {
public:
  std::size_t Count() {
    const std::lock_guard<std::mutex> Lock(Mutex);
    return Files.size();
  }
  void Add(const struct stat& File) {
    const std::lock_guard<std::mutex> Lock(Mutex);
    Files.push_back({File.st_dev, File.st_ino});
  }
  bool AnySince(std::size_t From, const struct stat& File) {
    const std::lock_guard<std::mutex> Lock(Mutex);
    for (std::size_t I = From; I < Files.size(); ++I)
      if (Files[I].first == File.st_dev && Files[I].second == File.st_ino) return true;
    return false;
  }

private:
  std::mutex Mutex;
  std::vector<std::pair<dev_t, ino_t>> Files;
};

TCommits& Commits() {
  static TCommits Instance;
  return Instance;
}

// Once files are read ahead, buffers of a megabyte or more are mapped and
// unmapped on their own, so memory a pass frees goes back at once instead of
// staying in the heap under the file read ahead. Until then the heap keeps
// them for reuse, which smaller runs gain from.
void ReturnLargeBuffersAtOnce() {
#if defined(__GLIBC__)
  static const bool Done = ::mallopt(M_MMAP_THRESHOLD, 1 << 20) != 0;
  static_cast<void>(Done);
#endif
}

}  // namespace

// The file is read once, on first use, and written once, by UpdateFile.
struct TIniFile::TImpl {
  TLoaded File;
  bool Loaded = false;

  // A read started early on another thread, what it found, and how many
  // commits had been made when it started.
  std::thread Reader;
  std::optional<TLoaded> Ahead;
  std::size_t CommitsBefore = 0;
  // The early read indexes its section only once let: until then it holds
  // the file's bytes alone.
  std::mutex Gate;
  std::condition_variable GateOpened;
  bool GateOpen = false, Dropped = false;

  ~TImpl() {
    if (!Reader.joinable()) return;
    OpenGate(true);
    Reader.join();
  }

  void OpenGate(bool Drop) {
    {
      const std::lock_guard<std::mutex> Lock(Gate);
      GateOpen = true;
      Dropped = Dropped || Drop;
    }
    GateOpened.notify_one();
  }
  bool WaitForGate() {
    std::unique_lock<std::mutex> Lock(Gate);
    GateOpened.wait(Lock, [this] { return GateOpen; });
    return !Dropped;
  }

  // Whether the file is still what the early read found.
  bool StillCurrent(const std::string& FileName, const TLoaded& Early) const {
    if (HostPathOf(FileName) != Early.HostPath) return false;
    if (!Early.HostPath) return true;
    struct stat Now {};
    const int NowError = ::stat(Early.HostPath->c_str(), &Now) != 0 ? errno : 0;
    if (Early.Snapshot.State == TFileSnapshot::Readable) {
      if (NowError != 0 || !SameFile(Now, Early.Snapshot.Status)) return false;
    } else if (NowError != Early.SeenError || (NowError == 0 && !SameFile(Now, Early.Seen))) {
      return false;
    }
    return NowError != 0 || !Commits().AnySince(CommitsBefore, Now);
  }

  // The file is read on the first use, and the section that use asks for is
  // found and indexed as it is read.
  TIniDocument& Document(const std::string& FileName, std::string_view Section) {
    if (!Loaded) {
      Loaded = true;
      bool Taken = false;
      if (Reader.joinable()) {
        OpenGate(false);
        Reader.join();
        if (Ahead && StillCurrent(FileName, *Ahead)) {
          File = std::move(*Ahead);
          Taken = true;
        }
        Ahead.reset();
      }
      if (!Taken) File = Load(FileName, Section);
    }
    return File.Document;
  }
};

TIniFile::TIniFile(std::string FileName) : TCustomIniFile(std::move(FileName)), Impl(new TImpl) {}

TIniFile::~TIniFile() = default;

void TIniFile::ReadAhead(std::string_view Section) {
  if (Impl->Loaded || Impl->Reader.joinable()) return;
  // A small file reads in less time than a thread takes to start.
  const std::optional<std::string> HostPath = HostPathOf(FileName());
  struct stat Status;
  if (!HostPath || ::stat(HostPath->c_str(), &Status) != 0 || !S_ISREG(Status.st_mode) ||
      Status.st_size < ReadAheadFromBytes) {
    return;
  }
  ReturnLargeBuffersAtOnce();
  Impl->CommitsBefore = Commits().Count();
  try {
    Impl->Reader = std::thread([Impl = Impl.get(), Name = FileName(), Wanted = std::string(Section)] {
      // Any failure here is met again, in its place, by the read on first use.
      try {
        Impl->Ahead = Load(Name, Wanted, [Impl] { return Impl->WaitForGate(); });
      } catch (...) {
        Impl->Ahead.reset();
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: the file is read on first use, as without this.
  }
}

void TIniFile::ReadNow(std::string_view Section) { Impl->Document(FileName(), Section); }

void TIniFile::IndexReadAhead() {
  if (Impl->Reader.joinable()) Impl->OpenGate(false);
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) {
  std::optional<std::string> Value = Impl->Document(FileName(), Section).Value(Section, Ident);
  return Value ? std::move(*Value) : std::string(Default);
}

void TIniFile::ReadSection(std::string_view Section, TStringList& Strings) {
  Impl->Document(FileName(), Section).KeyNames(Section, Strings);
}

void TIniFile::ReadSectionValues(std::string_view Section, TStringList& Strings) {
  Impl->Document(FileName(), Section).NameValueLines(Section, Strings);
}

// Stops at the first name instead of listing them all.
bool TIniFile::SectionExists(std::string_view Section) { return Impl->Document(FileName(), Section).HasKeys(Section); }

void TIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
  TIniDocument& Document = Impl->Document(FileName(), Section);
  const TLoaded& File = Impl->File;
  // Checked at every write, even one that changes nothing, as the platform does.
  if (!File.HostPath || !CanWriteFile(*File.HostPath, File.Snapshot) || !TIniDocument::CanStore(Section, Ident, Value)) {
    RaiseWriteError(FileName());
  }
  Document.SetValue(Section, Ident, Value);
}

void TIniFile::UpdateFile() {
  TLoaded& File = Impl->File;
  if (!Impl->Loaded || !File.Document.Modified()) return;
  // Recorded first: even a failed commit may have touched the file.
  Commits().Add(File.Snapshot.Status);
  std::string Storage;  // used only where the text is not the file's bytes
  const int Error = ReplaceFileContent(*File.HostPath, File.Snapshot, File.Document.BytesView(Storage));
  struct stat After = File.Snapshot.Status;
  if (::stat(File.HostPath->c_str(), &After) == 0) Commits().Add(After);
  if (Error != 0) RaiseWriteError(FileName());
  // Later writes through this object build on what is now on disk.
  File.Snapshot.State = TFileSnapshot::Readable;
  File.Snapshot.Status = After;
  File.Document.Saved();
}
