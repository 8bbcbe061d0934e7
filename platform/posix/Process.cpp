#include "platform/Process.h"

#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <unistd.h>

namespace Process {

std::string ModuleName() {
  char Path[PATH_MAX];
  const ssize_t Length = ::readlink("/proc/self/exe", Path, sizeof Path - 1);
  if (Length <= 0) return program_invocation_short_name;
  const std::string_view Full(Path, static_cast<std::size_t>(Length));
  return std::string(Full.substr(Full.rfind('/') + 1));
}

std::uintptr_t ImageOffset(const void* Address) {
  Dl_info Info;
  if (::dladdr(Address, &Info) == 0 || !Info.dli_fbase) return reinterpret_cast<std::uintptr_t>(Address);
  return reinterpret_cast<std::uintptr_t>(Address) - reinterpret_cast<std::uintptr_t>(Info.dli_fbase);
}

// No OEM code page on this host: the text goes out as it is.
std::string AnsiToOem(std::string_view Text) { return std::string(Text); }

void WriteStdErr(std::string_view Text) noexcept {
  while (!Text.empty()) {
    const ssize_t Done = ::write(STDERR_FILENO, Text.data(), Text.size());
    if (Done < 0 && errno == EINTR) continue;
    if (Done <= 0) return;
    Text.remove_prefix(static_cast<std::size_t>(Done));
  }
}

}  // namespace Process
