#include <windows.h>
// windows.h names a macro after one of ours.
#undef AnsiToOem

#include <climits>
#include <string>

#include "platform/Process.h"

namespace {

// An install step runs unattended: a fault must end the process, never wait
// on a dialog. Set before main, so it covers the whole run.
const struct TQuietFaults {
  TQuietFaults() noexcept {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  }
} QuietFaults;

}  // namespace

namespace Process {

std::string ModuleName() {
  std::string Path(MAX_PATH, '\0');
  for (;;) {
    const DWORD Length = GetModuleFileNameA(nullptr, Path.data(), static_cast<DWORD>(Path.size()));
    if (Length == 0) return std::string();
    if (Length < Path.size()) {
      Path.resize(Length);
      break;
    }
    Path.resize(Path.size() * 2);
  }
  const std::size_t Slash = Path.find_last_of("\\/");
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

std::uintptr_t ImageOffset(const void* Address) {
  return reinterpret_cast<std::uintptr_t>(Address) -
         reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
}

std::string AnsiToOem(std::string_view Text) {
  std::string Oem(Text);
  if (Text.empty() || Text.size() > ULONG_MAX) return Oem;
  if (!CharToOemBuffA(Text.data(), Oem.data(), static_cast<DWORD>(Text.size())))
    return std::string(Text);
  return Oem;
}

void WriteStdErr(std::string_view Text) noexcept {
  const HANDLE StdErr = GetStdHandle(STD_ERROR_HANDLE);
  if (StdErr == nullptr || StdErr == INVALID_HANDLE_VALUE || Text.size() > ULONG_MAX) return;
  DWORD Written = 0;
  WriteFile(StdErr, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
}

}  // namespace Process
