#include "platform/TIniFile.h"

#include <windows.h>

#include <optional>
#include <stdexcept>

#include "platform/Exception.h"
#include "platform/win32/FileBytes.h"

namespace {

// The profile functions take C strings: a name cut short at a NUL would be
// another name.
bool HasNul(std::string_view Text) { return Text.find('\0') != std::string_view::npos; }

// A line break or a NUL would change the file's structure, not just a value.
bool Writable(std::string_view Section, std::string_view Ident, std::string_view Value) {
  const auto Breaks = [](std::string_view Text) {
    return Text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  return !Breaks(Section) && !Breaks(Ident) && !Breaks(Value) &&
         Ident.find('=') == std::string_view::npos;
}

// Where the profile functions look: a bare file name means the Windows folder.
std::string ProfilePath(const std::string& FileName) {
  const bool DriveRelative = FileName.size() >= 2 && FileName[1] == ':';
  if (DriveRelative || FileName.find_first_of("\\/") != std::string::npos) return FileName;
  std::string Folder(MAX_PATH, '\0');
  const UINT Length = GetWindowsDirectoryA(Folder.data(), static_cast<UINT>(Folder.size()));
  if (Length == 0 || Length >= Folder.size()) return FileName;
  Folder.resize(Length);
  return Folder + "\\" + FileName;
}

// Calls Get with a growing buffer until the text fits with room to spare.
// Get returns the length copied; a full buffer means it may have been cut.
template <typename TGet>
std::string ReadWhole(TGet Get) {
  std::string Buffer(4096, '\0');
  for (;;) {
    const DWORD Length = Get(Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Length + 2 < Buffer.size()) {
      Buffer.resize(Length);
      return Buffer;
    }
    if (Buffer.size() > MAXDWORD / 2) throw std::length_error("INI text too long");
    Buffer.resize(Buffer.size() * 2);
  }
}

}  // namespace

struct TIniFile::TImpl {
  // The file as it was before the first write of the current pass.
  std::optional<TFileBytes> Kept;
};

TIniFile::TIniFile(std::string FileName)
    : TCustomIniFile(std::move(FileName)), Impl(std::make_unique<TImpl>()) {}

TIniFile::~TIniFile() {
  // Released after writes but before UpdateFile: an error cut the pass short.
  if (Impl->Kept) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
    RestoreFileBytes(ProfilePath(FileName()), *Impl->Kept);
  }
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) {
  if (HasNul(Section) || HasNul(Ident)) return std::string(Default);
  const std::string SectionText(Section), IdentText(Ident);
  // The platform trims a default it is given; ask with markers instead so
  // that Default comes back exactly as passed.
  for (const char* Marker : {"\x01", "\x02"}) {
    std::string Value = ReadWhole([&](char* Buffer, DWORD Size) {
      return GetPrivateProfileStringA(SectionText.c_str(), IdentText.c_str(), Marker, Buffer, Size,
                                      FileName().c_str());
    });
    if (Value != Marker) return Value;
  }
  return std::string(Default);
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
  const auto Fail = [this] {
    if (Impl->Kept) {
      WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
      RestoreFileBytes(ProfilePath(FileName()), *Impl->Kept);
      Impl->Kept.reset();
    }
    RaiseWriteError(FileName());
  };
  if (!Writable(Section, Ident, Value)) Fail();
  const std::string Path = ProfilePath(FileName());
  if (!Impl->Kept) {
    // A file that cannot be kept whole is never written.
    Impl->Kept = ReadFileBytes(Path);
    if (!Impl->Kept) RaiseWriteError(FileName());
  }
  // The read-only attribute stops every writer on Windows; a host that lets
  // its administrator through anyway must not.
  const DWORD Attributes = GetFileAttributesA(Path.c_str());
  if (Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_READONLY)) Fail();
  if (!WritePrivateProfileStringA(std::string(Section).c_str(), std::string(Ident).c_str(),
                                  std::string(Value).c_str(), FileName().c_str()))
    Fail();
}

void TIniFile::ReadSection(std::string_view Section, TStringList& Strings) {
  Strings.Clear();
  if (HasNul(Section)) return;
  const std::string SectionText(Section);
  const std::string Names = ReadWhole([&](char* Buffer, DWORD Size) {
    return GetPrivateProfileStringA(SectionText.c_str(), nullptr, "", Buffer, Size,
                                    FileName().c_str());
  });
  // NUL-separated; an empty name ends the list, as for every reader of it.
  for (std::size_t Begin = 0; Begin < Names.size();) {
    const std::size_t End = std::min(Names.find('\0', Begin), Names.size());
    if (End == Begin) break;
    Strings.Add(std::string_view(Names).substr(Begin, End - Begin));
    Begin = End + 1;
  }
}

bool TIniFile::SectionExists(std::string_view Section) { return TCustomIniFile::SectionExists(Section); }

void TIniFile::ReadSectionValues(std::string_view Section, TStringList& Strings) {
  TCustomIniFile::ReadSectionValues(Section, Strings);
}

void TIniFile::UpdateFile() {
  // The flush's result is not an error: the writes themselves were checked.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
  Impl->Kept.reset();
}

// The profile functions read the file on every call: nothing to read early.
void TIniFile::ReadAhead(std::string_view) {}

void TIniFile::IndexReadAhead() {}

void TIniFile::ReadNow(std::string_view) {}
