#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A Wine-style tree for one run of the program under test: a prefix whose
// dosdevices/c: leads to drive_c, an application folder inside drive_c with the
// working folder bin/, and drive_c/WINDOWS.
//
// Environment:
//   LANGREG_UNDER_TEST  the command to run, words separated by spaces
//   LANGREG_WINEPREFIX  an existing prefix to work in instead of a fresh one
//   LANGREG_COMPARE     "profile": compare files as the platform reads them
class TTree {
public:
  enum TTarget { InitLan, Korvel, Setup };

  TTree();
  ~TTree();
  TTree(const TTree&) = delete;
  TTree& operator=(const TTree&) = delete;

  std::filesystem::path HostPath(TTarget Target) const;
  const std::filesystem::path& WorkFolder() const { return Work; }
  const std::filesystem::path& Prefix() const { return PrefixPath; }
  void Write(TTarget Target, const std::string& Bytes) const;
  std::optional<std::string> Read(TTarget Target) const;

  struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
  };
  // Runs the program in Folder (the working folder by default).
  TRun Run(const std::vector<std::string>& Arguments = {},
           const std::optional<std::filesystem::path>& Folder = std::nullopt) const;

  // Compares byte for byte, or as the platform reads the file.
  static bool ComparesAsProfile();
  static std::string ModuleName();

private:
  std::filesystem::path Root;        // removed at the end
  std::filesystem::path PrefixPath;
  std::filesystem::path Work;
  std::filesystem::path Windows;
};

// The file as the platform reads it: each section's name and its
// "name=value" lines, in order. Only the first section of a name counts.
std::string ProfileView(const std::string& Bytes);
