#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/TStringList.h"

// An INI file bound to one path. Reads never fail; a failed write raises
// EIniFileException naming the path exactly as it was passed.
class TCustomIniFile {
public:
  explicit TCustomIniFile(std::string FileName) : Name(std::move(FileName)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const noexcept { return Name; }

  virtual std::string ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) = 0;
  virtual void WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) = 0;
  // Empties Strings, then adds the section's key names in file order.
  virtual void ReadSection(std::string_view Section, TStringList& Strings) = 0;
  // Makes the writes so far reach the file.
  virtual void UpdateFile() = 0;

  // Empties Strings, then adds "name=value" for each key name, in file order.
  virtual void ReadSectionValues(std::string_view Section, TStringList& Strings);
  // True when the section lists at least one key name.
  virtual bool SectionExists(std::string_view Section);
  std::int32_t ReadInteger(std::string_view Section, std::string_view Ident, std::int32_t Default);
  void WriteInteger(std::string_view Section, std::string_view Ident, std::int32_t Value);

private:
  std::string Name;
};
