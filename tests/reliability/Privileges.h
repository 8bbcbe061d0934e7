#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

// Running as another user, and mounts, need root; without it a case skips
// and says why.
inline bool IsRoot() { return ::geteuid() == 0; }

inline constexpr uid_t Nobody = 65534;
inline constexpr uid_t OtherUser = 65533;

inline std::vector<std::string> AsNobody() {
  return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}

// A mount made by a test, undone when it ends.
class TMount {
public:
  TMount(const std::filesystem::path& Source, const std::filesystem::path& Target, const char* Type,
         unsigned long Flags, const std::string& Options)
      : Path(Target) {
    Active = ::mount(Source.c_str(), Target.c_str(), Type, Flags, Options.empty() ? nullptr : Options.c_str()) == 0;
  }
  ~TMount() {
    if (Active) ::umount2(Path.c_str(), MNT_DETACH);
  }
  TMount(const TMount&) = delete;
  TMount& operator=(const TMount&) = delete;
  bool Remount(unsigned long Flags, const std::string& Options) const {
    return ::mount(nullptr, Path.c_str(), nullptr, MS_REMOUNT | Flags,
                   Options.empty() ? nullptr : Options.c_str()) == 0;
  }
  bool Active = false;

private:
  std::filesystem::path Path;
};
