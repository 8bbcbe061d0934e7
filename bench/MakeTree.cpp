// Writes a Wine-style tree with all three targets for one benchmark size, and
// pristine copies that the runner restores before every timed run:
//   ROOT/prefix/drive_c/App/Bin/Init_LAN.INI   (the working folder is Bin)
//   ROOT/prefix/drive_c/WINDOWS/KORVEL.INI
//   ROOT/prefix/drive_c/App/Setup.INI
//   ROOT/pristine/{Init_LAN.INI,KORVEL.INI,Setup.INI}
// Usage: langreg_bench_tree ROOT KEYS | ROOT small | ROOT registered
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/GeneratedIni.h"

namespace {

// A language table as found in practice, before and after registration.
constexpr const char* SmallTable =
    "; Language settings\r\n[Language]\r\nNumber=2\r\nSelect=0\r\n"
    "Descrip1=English\r\nFile1=app_en\r\nDlgDll1=dll_en\r\n"
    "Descrip2=Deutsch\r\nFile2=app_de\r\nDlgDll2=dll_de\r\n";
constexpr const char* RegisteredTable =
    "; Language settings\r\n[Language]\r\nNumber=3\r\nSelect=2\r\n"
    "Descrip1=English\r\nFile1=app_en\r\nDlgDll1=dll_en\r\n"
    "Descrip2=Deutsch\r\nFile2=app_de\r\nDlgDll2=dll_de\r\n"
    "Descrip3=Russian\r\nFile3=app_ru\r\nDlgDll3=dll_ru\r\n";

void WriteFile(const std::filesystem::path& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!Out.flush()) {
    std::cerr << "langreg_bench_tree: cannot write " << Path << "\n";
    std::exit(1);
  }
}

}  // namespace

int main(int Count, char** Arguments) {
  if (Count != 3) {
    std::cerr << "usage: langreg_bench_tree ROOT KEYS|small|registered\n";
    return 2;
  }
  const std::filesystem::path Root = Arguments[1];
  const std::string Kind = Arguments[2];
  const std::string Bytes = Kind == "small"        ? std::string(SmallTable)
                            : Kind == "registered" ? std::string(RegisteredTable)
                                                   : GeneratedIni(std::stoul(Kind));
  const std::filesystem::path DriveC = Root / "prefix" / "drive_c";
  for (const auto& Folder : {DriveC / "App" / "Bin", DriveC / "WINDOWS", Root / "pristine"})
    std::filesystem::create_directories(Folder);
  for (const char* Name : {"Init_LAN.INI", "KORVEL.INI", "Setup.INI"}) WriteFile(Root / "pristine" / Name, Bytes);
  return 0;
}
