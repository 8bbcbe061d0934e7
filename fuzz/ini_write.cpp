// Writing: the written key reads back its new value; every other line keeps
// its bytes; every other key reads as before; a write that changes nothing
// changes no byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ReferenceReader.h"
#include "platform/posix/IniDocument.h"

#define CHECK(Condition) \
  if (!(Condition)) std::abort()

namespace {

// Short printable names and values, drawn mostly from the texts a table uses.
std::string Text(FuzzedDataProvider& Input, bool IsValue) {
  static const char* const Common[] = {"Language", "Number", "Select", "Descrip3", "Russian", "2", " Number ",
                                       "number", "[x]", "a b", ";c", "#k", "\"q\"", "", "DlgDll3"};
  std::string Result = Input.ConsumeBool() ? Common[Input.ConsumeIntegralInRange<std::size_t>(0, 14)]
                                           : Input.ConsumeRandomLengthString(12);
  for (char& C : Result)
    if (static_cast<unsigned char>(C) < 0x20 || static_cast<unsigned char>(C) > 0x7E) C = '_';
  if (IsValue) {
    // Values the platform reads back as written: no outer blanks or quotes.
    Result = Reference::Trim(Result);
    if (Result.size() >= 2 && Result.front() == Result.back() && (Result[0] == '"' || Result[0] == '\''))
      Result.back() = '_';
  }
  return Result;
}

// The file's code units: UTF-16 ones after a mark (a 0x0D byte inside one
// is no line break), else its bytes.
std::u16string CodeUnits(const std::string& Bytes) {
  const bool Little = Bytes.starts_with("\xFF\xFE"), Big = Bytes.starts_with("\xFE\xFF");
  std::u16string Units;
  if (!Little && !Big) {
    for (const char C : Bytes) Units += static_cast<char16_t>(static_cast<unsigned char>(C));
    return Units;
  }
  for (std::size_t I = 2; I + 1 < Bytes.size(); I += 2) {
    const auto First = static_cast<unsigned char>(Bytes[I]), Second = static_cast<unsigned char>(Bytes[I + 1]);
    Units += static_cast<char16_t>(Little ? First | Second << 8 : Second | First << 8);
  }
  return Units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider Input(Data, Size);
  const std::string Section = Text(Input, false);
  const std::string Ident = Text(Input, false);
  const std::string Value = Text(Input, true);
  const std::string Old = Input.ConsumeRemainingBytesAsString();
  if (!TIniDocument::CanStore(Section, Ident, Value)) return 0;

  TIniDocument Document(Old);
  const bool Changed = Document.SetValue(Section, Ident, Value);
  const std::string New = Document.Bytes();
  CHECK(Changed == (New != Old));
  CHECK(Document.Modified() == Changed);
  CHECK(Document.Value(Section, Ident) == Value);
  CHECK(TIniDocument(New).Value(Section, Ident) == Value);
  if (!Changed) return 0;

  // One stretch of code units differs, and in the old file it lies within one line.
  const std::u16string OldUnits = CodeUnits(Old), NewUnits = CodeUnits(New);
  std::size_t Head = 0;
  while (Head < OldUnits.size() && Head < NewUnits.size() && OldUnits[Head] == NewUnits[Head]) ++Head;
  std::size_t Tail = 0;
  while (Tail < OldUnits.size() - Head && Tail < NewUnits.size() - Head &&
         OldUnits[OldUnits.size() - 1 - Tail] == NewUnits[NewUnits.size() - 1 - Tail])
    ++Tail;
  const std::u16string_view Replaced = std::u16string_view(OldUnits).substr(Head, OldUnits.size() - Head - Tail);
  CHECK(Replaced.find_first_of(u"\r\n") == std::u16string_view::npos);

  if (Old.starts_with("\xFF\xFE") || Old.starts_with("\xFE\xFF")) return 0;
  // Every other key of every section reads as before, by the reference reading.
  const auto Before = Reference::Parse(Old);
  const auto After = Reference::Parse(New);
  CHECK(Reference::Value(After, Section, Ident) == Value);
  for (std::size_t I = 1; I < Before.size(); ++I) {
    const std::string& Name = Before[I].Name;
    const bool Written = Reference::Same(Name, Section);
    for (const auto& Entry : Before[I].Entries) {
      if (Written && Reference::Same(Entry.Name, Ident)) continue;
      CHECK(Reference::Value(After, Name, Entry.Name) == Reference::Value(Before, Name, Entry.Name));
    }
    auto Names = Reference::KeyNames(After, Name);
    const auto OldNames = Reference::KeyNames(Before, Name);
    if (Written && Names != OldNames) {
      // The written key may join the list, once.
      for (auto It = Names.begin(); It != Names.end(); ++It) {
        if (Reference::Same(*It, Ident)) {
          std::vector<std::string> Without = Names;
          Without.erase(Without.begin() + (It - Names.begin()));
          if (Without == OldNames) {
            Names = OldNames;
            break;
          }
        }
      }
    }
    CHECK(Names == OldNames);
  }
  // The document's own reading of the new bytes agrees with the reference.
  TIniDocument Reread(New);
  TStringList Names;
  Reread.KeyNames(Section, Names);
  const auto Expected = Reference::KeyNames(After, Section);
  CHECK(Names.Count() == static_cast<int>(Expected.size()));
  return 0;
}
