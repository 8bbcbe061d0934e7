// Reading: the bytes come back unchanged, and every section's key names and
// values are what the reference reading gives.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/ReferenceReader.h"
#include "platform/posix/IniDocument.h"

#define CHECK(Condition) \
  if (!(Condition)) std::abort()

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  TIniDocument Document(Bytes);
  CHECK(Document.Bytes() == Bytes);

  // A Unicode file is held as UTF-16: the reference reads bytes only.
  if (Bytes.starts_with("\xFF\xFE") || Bytes.starts_with("\xFE\xFF")) return 0;
  const auto Sections = Reference::Parse(Bytes);
  for (std::size_t I = 1; I < Sections.size(); ++I) {
    const std::string& Section = Sections[I].Name;
    if (Reference::Trim(Section).empty()) continue;
    TStringList Names;
    Document.KeyNames(Section, Names);
    const auto Expected = Reference::KeyNames(Sections, Section);
    CHECK(Names.Count() == static_cast<int>(Expected.size()));
    for (int N = 0; N < Names.Count(); ++N) CHECK(Names[N] == Expected[static_cast<std::size_t>(N)]);
    for (const auto& Entry : Sections[I].Entries) {
      if (Reference::Trim(Entry.Name).empty()) continue;
      CHECK(Document.Value(Section, Entry.Name) == Reference::Value(Sections, Section, Entry.Name));
    }
  }
  CHECK(!Document.Modified());
  CHECK(Document.Bytes() == Bytes);
  return 0;
}
