#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

// A fresh folder that is the working folder for the test's lifetime, so the
// INI object can be handed relative paths on every host.
class TTempFolder {
public:
  TTempFolder() : Previous(std::filesystem::current_path()) {
    std::random_device Random;
    Path = std::filesystem::temp_directory_path() /
           ("langreg-test-" + std::to_string(Random()) + "-" + std::to_string(Random()));
    std::filesystem::create_directories(Path);
    std::filesystem::current_path(Path);
  }
  ~TTempFolder() {
    std::error_code Ignored;
    std::filesystem::current_path(Previous, Ignored);
    for (const auto& Entry : std::filesystem::recursive_directory_iterator(Path, Ignored))
      std::filesystem::permissions(Entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, Ignored);
    std::filesystem::remove_all(Path, Ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Get() const { return Path; }

private:
  std::filesystem::path Previous;
  std::filesystem::path Path;
};

inline void WriteBytes(const std::filesystem::path& File, const std::string& Bytes) {
  std::ofstream Out(File, std::ios::binary | std::ios::trunc);
  Out << Bytes;
}

inline std::optional<std::string> ReadBytes(const std::filesystem::path& File) {
  std::ifstream In(File, std::ios::binary);
  if (!In) return std::nullopt;
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}
