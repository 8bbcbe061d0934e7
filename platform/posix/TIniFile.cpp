#include "platform/TIniFile.h"

#include <sys/stat.h>

#include <optional>

#include "platform/Exception.h"
#include "platform/posix/FileRead.h"
#include "platform/posix/FileWrite.h"
#include "platform/posix/HostPath.h"
#include "platform/posix/IniDocument.h"

// The file is read once, on first use, and written once, by UpdateFile.
struct TIniFile::TImpl {
  std::optional<std::string> HostPath;
  TFileSnapshot Snapshot;  // what the file was when read; its bytes move into Document
  TIniDocument Document;
  bool Loaded = false;

  TIniDocument& Load(const std::string& FileName) {
    if (!Loaded) {
      Loaded = true;
      HostPath = HostPathOf(FileName);
      if (HostPath) Snapshot = ReadWholeFile(*HostPath);
      if (Snapshot.State == TFileSnapshot::Readable) Document = TIniDocument(std::move(Snapshot.Bytes));
    }
    return Document;
  }
};

TIniFile::TIniFile(std::string FileName) : TCustomIniFile(std::move(FileName)), Impl(new TImpl) {}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident, std::string_view Default) {
  std::optional<std::string> Value = Impl->Load(FileName()).Value(Section, Ident);
  return Value ? std::move(*Value) : std::string(Default);
}

void TIniFile::ReadSection(std::string_view Section, TStringList& Strings) {
  Impl->Load(FileName()).KeyNames(Section, Strings);
}

void TIniFile::ReadSectionValues(std::string_view Section, TStringList& Strings) {
  Impl->Load(FileName()).NameValueLines(Section, Strings);
}

// Stops at the first name instead of listing them all.
bool TIniFile::SectionExists(std::string_view Section) { return Impl->Load(FileName()).HasKeys(Section); }

void TIniFile::WriteString(std::string_view Section, std::string_view Ident, std::string_view Value) {
  TIniDocument& Document = Impl->Load(FileName());
  // Checked at every write, even one that changes nothing, as the platform does.
  if (!Impl->HostPath || !CanWriteFile(*Impl->HostPath, Impl->Snapshot) ||
      !TIniDocument::CanStore(Section, Ident, Value)) {
    RaiseWriteError(FileName());
  }
  Document.SetValue(Section, Ident, Value);
}

void TIniFile::UpdateFile() {
  if (!Impl->Loaded || !Impl->Document.Modified()) return;
  std::string Storage;  // used only where the text is not the file's bytes
  if (ReplaceFileContent(*Impl->HostPath, Impl->Snapshot, Impl->Document.BytesView(Storage)) != 0)
    RaiseWriteError(FileName());
  // Later writes through this object build on what is now on disk.
  Impl->Snapshot.State = TFileSnapshot::Readable;
  ::stat(Impl->HostPath->c_str(), &Impl->Snapshot.Status);
  Impl->Document.Saved();
}
