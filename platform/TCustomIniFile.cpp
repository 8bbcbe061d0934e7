#include "platform/TCustomIniFile.h"

#include "platform/IntegerText.h"

void TCustomIniFile::ReadSectionValues(std::string_view Section, TStringList& Strings) {
  TStringList Names;
  ReadSection(Section, Names);
  Strings.Clear();
  for (int I = 0; I < Names.Count(); ++I) {
    const std::string_view Ident = Names[I];
    Strings.Add({Ident, "=", ReadString(Section, Ident, "")});
  }
}

bool TCustomIniFile::SectionExists(std::string_view Section) {
  TStringList Names;
  ReadSection(Section, Names);
  return Names.Count() > 0;
}

std::int32_t TCustomIniFile::ReadInteger(std::string_view Section, std::string_view Ident,
                                         std::int32_t Default) {
  return ParseInteger(ReadString(Section, Ident, "")).value_or(Default);
}

void TCustomIniFile::WriteInteger(std::string_view Section, std::string_view Ident,
                                  std::int32_t Value) {
  WriteString(Section, Ident, IntegerText(Value));
}
