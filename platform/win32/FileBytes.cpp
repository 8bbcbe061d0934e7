#include "platform/win32/FileBytes.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <type_traits>

namespace {

struct THandleCloser {
  void operator()(HANDLE Handle) const noexcept { CloseHandle(Handle); }
};
using THandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, THandleCloser>;

THandle OpenFile(const std::string& Path, DWORD Access, DWORD Disposition) {
  const HANDLE Handle =
      CreateFileA(Path.c_str(), Access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return THandle(Handle == INVALID_HANDLE_VALUE ? nullptr : Handle);
}

bool IsMissing(DWORD Error) {
  return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND;
}

bool WriteAll(HANDLE Handle, const std::string& Bytes) {
  std::size_t Done = 0;
  while (Done < Bytes.size()) {
    const DWORD Chunk = static_cast<DWORD>(std::min<std::size_t>(Bytes.size() - Done, 1u << 20));
    DWORD Written = 0;
    if (!WriteFile(Handle, Bytes.data() + Done, Chunk, &Written, nullptr) || Written == 0)
      return false;
    Done += Written;
  }
  return SetEndOfFile(Handle) != FALSE;
}

// Lifts a read-only attribute while alive, and sets it back.
class TWritableForNow {
public:
  explicit TWritableForNow(const std::string& FilePath) : Path(FilePath) {
    Attributes = GetFileAttributesA(Path.c_str());
    if (Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_READONLY))
      Lifted = SetFileAttributesA(Path.c_str(), Attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
  }
  ~TWritableForNow() {
    if (Lifted) SetFileAttributesA(Path.c_str(), Attributes);
  }
  TWritableForNow(const TWritableForNow&) = delete;
  TWritableForNow& operator=(const TWritableForNow&) = delete;

private:
  const std::string& Path;
  DWORD Attributes = INVALID_FILE_ATTRIBUTES;
  bool Lifted = false;
};

}  // namespace

std::optional<TFileBytes> ReadFileBytes(const std::string& Path) {
  THandle File = OpenFile(Path, GENERIC_READ, OPEN_EXISTING);
  if (!File) {
    if (IsMissing(GetLastError())) return TFileBytes{};
    return std::nullopt;
  }
  TFileBytes Kept{true, {}};
  char Buffer[65536];
  for (;;) {
    DWORD Read = 0;
    if (!ReadFile(File.get(), Buffer, sizeof Buffer, &Read, nullptr)) return std::nullopt;
    if (Read == 0) return Kept;
    Kept.Bytes.append(Buffer, Read);
  }
}

bool RestoreFileBytes(const std::string& Path, const TFileBytes& Kept) noexcept {
  try {
    TWritableForNow Writable(Path);
    if (!Kept.Exists) return DeleteFileA(Path.c_str()) != FALSE || IsMissing(GetLastError());
    // In place, so the file keeps its identity, and the old size always fits.
    THandle File = OpenFile(Path, GENERIC_WRITE, OPEN_ALWAYS);
    return File && WriteAll(File.get(), Kept.Bytes);
  } catch (...) {
    return false;
  }
}
