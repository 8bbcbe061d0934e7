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

  // One stretch of bytes differs, and in the old file it lies within one line.
  std::size_t Head = 0;
  while (Head < Old.size() && Head < New.size() && Old[Head] == New[Head]) ++Head;
  std::size_t Tail = 0;
  while (Tail < Old.size() - Head && Tail < New.size() - Head && Old[Old.size() - 1 - Tail] == New[New.size() - 1 - Tail])
    ++Tail;
  const std::string_view Replaced = std::string_view(Old).substr(Head, Old.size() - Head - Tail);
  CHECK(Replaced.find_first_of("\r\n") == std::string_view::npos);

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
