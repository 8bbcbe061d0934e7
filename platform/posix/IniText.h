#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The INI rules over a text of code units: bytes for ANSI and UTF-8 files,
// UTF-16 units for Unicode ones. Names and values are views into the text.
template <typename TUnit>
class TIniText {
public:
  using TString = std::basic_string<TUnit>;
  using TView = std::basic_string_view<TUnit>;
  static constexpr std::size_t None = static_cast<std::size_t>(-1);

  explicit TIniText(TString Units) : Text(std::move(Units)) {}

  // Calls Visit(name) for each key name of the section, in file order.
  template <typename TVisit>
  void ForEachKeyName(TView Section, TVisit&& Visit);
  // The first entry of that name: its value, or none for a missing key or a
  // line without "=".
  std::optional<TView> Value(TView Section, TView Ident);
  bool SetValue(TView Section, TView Ident, TView Value);

  const TString& Units() const noexcept { return Text; }

private:
  struct TLine {
    enum TKind { Blank, Comment, Header, Entry } Kind = Blank;
    std::size_t Begin = 0, ContentEnd = 0, BreakBegin = 0, End = 0;
    std::size_t NameBegin = 0, NameEnd = 0;  // trimmed; a header's section name
    std::size_t Equal = None;                // an entry's first "=", if any
    std::size_t ValueBegin = 0, ValueEnd = 0;
  };

  // The first section of one name, with an index of its first entries.
  struct TSection {
    TString FoldedName;
    bool Found = false;
    std::size_t HeaderBegin = 0, BodyBegin = 0, BodyEnd = 0;
    bool Indexed = false;
    std::vector<std::uint64_t> Slots;  // line begin + 1; 0 is free
    std::vector<std::uint32_t> Hashes;
    std::size_t Count = 0;
    std::size_t LastEntryBegin = None;  // where a new key goes after
  };

  TLine ParseLine(std::size_t Begin) const;
  TView Slice(std::size_t Begin, std::size_t End) const { return TView(Text).substr(Begin, End - Begin); }
  TView NameOf(const TLine& Line) const { return Slice(Line.NameBegin, Line.NameEnd); }
  TView ValueOf(const TLine& Line) const;
  TSection& Locate(TView Section);
  void EnsureIndex(TSection& S);
  void IndexInsert(TSection& S, std::uint32_t Hash, std::size_t Begin);
  std::size_t IndexFind(TSection& S, TView Ident);
  void Replace(std::size_t Position, std::size_t Length, const TString& With);
  TString FileBreak() const;
  void AppendSection(TView Section, TView Ident, TView Value);

  TString Text;
  std::optional<TSection> Cache;
};

template <typename TUnit>
template <typename TVisit>
void TIniText<TUnit>::ForEachKeyName(TView Section, TVisit&& Visit) {
  TSection& S = Locate(Section);
  if (!S.Found) return;
  for (std::size_t Position = S.BodyBegin; Position < S.BodyEnd;) {
    const TLine Line = ParseLine(Position);
    if (Line.Kind == TLine::Entry && Line.Equal != None) {
      // The platform hands names over NUL-separated: an empty one ends the list.
      if (Line.NameBegin == Line.NameEnd) return;
      Visit(NameOf(Line));
    }
    Position = Line.End;
  }
}

