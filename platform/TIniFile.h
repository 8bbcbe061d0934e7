#pragma once

#include <memory>
#include <string>

#include "platform/TCustomIniFile.h"

// The host's INI file object. On Windows it stands on the private-profile
// functions; elsewhere on a format-preserving document of its own.
//
// A pass's writes are all-or-nothing: UpdateFile commits them, and an object
// released without UpdateFile (the error path) leaves the file as it was.
class TIniFile final : public TCustomIniFile {
public:
  explicit TIniFile(std::string FileName);
  ~TIniFile() override;

  std::string ReadString(std::string_view Section, std::string_view Ident,
                         std::string_view Default) override;
  void WriteString(std::string_view Section, std::string_view Ident,
                   std::string_view Value) override;
  void ReadSection(std::string_view Section, TStringList& Strings) override;
  void ReadSectionValues(std::string_view Section, TStringList& Strings) override;
  bool SectionExists(std::string_view Section) override;
  void UpdateFile() override;

  // Starts reading the file on another thread, where the host allows it, so
  // that what the caller does next overlaps the read. Section is found and
  // indexed on that thread too, but only from IndexReadAhead (or first use)
  // on: until then the early read holds nothing but the file's bytes. The
  // result is used only if the file is still as read when first needed;
  // otherwise it is read again then.
  void ReadAhead(std::string_view Section);
  void IndexReadAhead();
  // Reads the file now, as its first use would, finding and indexing Section.
  void ReadNow(std::string_view Section);

private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};
