#include "language/UpdateLanguageTable.h"

#include <cstdint>
#include <string>

#include "language/LanguageConstants.h"
#include "platform/IntegerText.h"
#include "platform/TStringList.h"

namespace {

using namespace Language;

// Entry numbers wrap as 32-bit two's complement, never trap.
std::int32_t WrappingAdd(std::int32_t A, std::int32_t B) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) + static_cast<std::uint32_t>(B));
}

std::string Key(std::string_view Prefix, std::int32_t EntryNumber) {
  return std::string(Prefix) + IntegerText(EntryNumber);
}

}  // namespace

void UpdateLanguageTable(TCustomIniFile& IniFile, bool UpdatesSelect) {
  bool LanguageFound = false;
  std::int32_t EntryNumber = 0;

  if (!IniFile.SectionExists(SectionName)) return;

  TStringList List;
  IniFile.ReadSectionValues(SectionName, List);
  for (int I = 0; I < List.Count(); ++I) {
    const std::string_view Line = List[I];
    const std::size_t Separator = Line.find(ValueSeparator);
    if (Separator == std::string_view::npos) continue;
    const std::string_view Value = Line.substr(Separator + 1, ComparedValueLength);
    if (Value == Description) {
      LanguageFound = true;
      break;
    }
  }
  // Lists may share the file's bytes: let them go before any write, which
  // would otherwise have to copy the file to leave them as they are.
  List.Clear();
  if (LanguageFound && UpdatesSelect) {
    EntryNumber = IniFile.ReadInteger(SectionName, NumberKey, 1);
    IniFile.WriteInteger(SectionName, SelectKey, WrappingAdd(EntryNumber, -1));
  }

  // Read after any write above, so a "Select" just created is counted.
  IniFile.ReadSection(SectionName, List);
  const bool Adds = List.IndexOf(NumberKey) >= 0 && !LanguageFound && List.Count() > MinimumKeyCount;
  List.Clear();
  if (Adds) {
    EntryNumber = WrappingAdd(IniFile.ReadInteger(SectionName, NumberKey, 1), 1);
    IniFile.WriteString(SectionName, Key(DescripKeyPrefix, EntryNumber), Description);
    IniFile.WriteString(SectionName, Key(FileKeyPrefix, EntryNumber), FileValue);
    IniFile.WriteString(SectionName, Key(DlgDllKeyPrefix, EntryNumber), DlgDllValue);
    if (UpdatesSelect) IniFile.WriteInteger(SectionName, SelectKey, WrappingAdd(EntryNumber, -1));
    IniFile.WriteInteger(SectionName, NumberKey, EntryNumber);
  }
}
