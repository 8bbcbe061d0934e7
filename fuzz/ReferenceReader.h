#pragma once

// A second reading of the INI rules, written apart from the layer under test
// and as plainly as possible: a byte file is cut into lines, and each lookup
// walks them from the top. The fuzz targets hold the layer to it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Reference {

struct TEntry {
  std::string Name;
  std::optional<std::string> Value;  // none for a line without "="
};

struct TSection {
  std::string Name;
  std::vector<TEntry> Entries;
};

inline bool IsBlank(char C) { return C == ' ' || C == '\t' || C == '\v' || C == '\f' || C == '\x1A'; }

inline std::string Trim(std::string_view Text) {
  std::size_t B = 0, E = Text.size();
  while (B < E && IsBlank(Text[B])) ++B;
  while (E > B && IsBlank(Text[E - 1])) --E;
  return std::string(Text.substr(B, E - B));
}

inline std::string Fold(std::string Text) {
  for (char& C : Text)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 32);
  return Text;
}

inline bool Same(const std::string& A, const std::string& B) { return Fold(Trim(A)) == Fold(Trim(B)); }

inline std::vector<std::string> Lines(std::string_view Bytes) {
  if (Bytes.substr(0, 3) == "\xEF\xBB\xBF") Bytes.remove_prefix(3);
  std::vector<std::string> Result;
  std::string Line;
  for (std::size_t I = 0; I < Bytes.size(); ++I) {
    if (Bytes[I] == '\r' || Bytes[I] == '\n') {
      if (Bytes[I] == '\r' && I + 1 < Bytes.size() && Bytes[I + 1] == '\n') ++I;
      Result.push_back(Line);
      Line.clear();
    } else {
      Line += Bytes[I];
    }
  }
  if (!Line.empty()) Result.push_back(Line);
  for (std::string& Each : Result) Each = Each.substr(0, Each.find('\0'));
  return Result;
}

// Every section in file order; the unnamed one first, as a section named "".
inline std::vector<TSection> Parse(std::string_view Bytes) {
  std::vector<TSection> Sections(1);
  for (const std::string& Raw : Lines(Bytes)) {
    const std::string Line = Trim(Raw);
    if (Line.empty() || Line[0] == ';') continue;
    if (Line[0] == '[' && Line.rfind(']') != std::string::npos && Line.rfind(']') > 0) {
      Sections.push_back({Trim(Line.substr(1, Line.rfind(']') - 1)), {}});
      continue;
    }
    const std::size_t Equal = Line.find('=');
    if (Equal == std::string::npos) {
      Sections.back().Entries.push_back({Line, std::nullopt});
    } else {
      Sections.back().Entries.push_back({Trim(Line.substr(0, Equal)), Trim(Line.substr(Equal + 1))});
    }
  }
  return Sections;
}

// The first section of that name; the unnamed one is never found by name.
inline const TSection* Find(const std::vector<TSection>& Sections, const std::string& Name) {
  for (std::size_t I = 1; I < Sections.size(); ++I)
    if (Same(Sections[I].Name, Name)) return &Sections[I];
  return nullptr;
}

inline std::vector<std::string> KeyNames(const std::vector<TSection>& Sections, const std::string& Section) {
  std::vector<std::string> Names;
  if (const TSection* S = Find(Sections, Section)) {
    for (const TEntry& Entry : S->Entries) {
      if (!Entry.Value) continue;
      if (Entry.Name.empty()) break;
      Names.push_back(Entry.Name);
    }
  }
  return Names;
}

inline std::optional<std::string> Value(const std::vector<TSection>& Sections, const std::string& Section,
                                        const std::string& Ident) {
  const TSection* S = Find(Sections, Section);
  if (!S) return std::nullopt;
  for (const TEntry& Entry : S->Entries) {
    if (!Same(Entry.Name, Ident)) continue;
    if (!Entry.Value) return std::nullopt;
    std::string V = *Entry.Value;
    if (V.size() >= 2 && V.front() == V.back() && (V.front() == '"' || V.front() == '\'')) V = V.substr(1, V.size() - 2);
    return V;
  }
  return std::nullopt;
}

}  // namespace Reference
