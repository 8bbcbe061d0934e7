#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/posix/Arrival.h"

// The INI rules over a text of code units: bytes for ANSI and UTF-8 files,
// UTF-16 units for Unicode ones. Names and values are views into the text.
//
// The first section of the name last asked for is found, and its entries
// indexed, in one walk over the text; every later lookup is a probe.
template <typename TUnit>
class TIniText {
public:
  using TString = std::basic_string<TUnit>;
  using TView = std::basic_string_view<TUnit>;
  static constexpr std::size_t None = static_cast<std::size_t>(-1);

  // Units before Start (a byte-order mark) are kept but are no line's.
  explicit TIniText(TString Units, std::size_t TextStart = 0) : Text(std::move(Units)), Start(TextStart) {}
  // A text whose units are still being written by another thread, as
  // Arrival tells: until Arrived(), only the section's walk may read it, and
  // it waits for the lines it needs. The buffer's contents move with it.
  TIniText(TString Units, std::size_t TextStart, const TArrival& Arrival)
      : Text(std::move(Units)), Start(TextStart), Arriving(&Arrival), InPlace(Arrival.InPlace()) {}
  // Every unit is in place (the filler is done): reads see the whole text.
  void Arrived() noexcept { Arriving = nullptr; }

  // Calls Visit(name) for each key name of the section, in file order; a
  // Visit that returns false stops the walk.
  template <typename TVisit>
  void ForEachKeyName(TView Section, TVisit&& Visit);
  // Calls Visit(name, value) for each key name, value as Value() reads it.
  template <typename TVisit>
  void ForEachKeyValue(TView Section, TVisit&& Visit);
  // The first entry of that name: its value, or none for a missing key or a
  // line without "=".
  std::optional<TView> Value(TView Section, TView Ident);
  bool SetValue(TView Section, TView Ident, TView Value);

  // Units of the section's body and its entry lines: bounds for a list of it.
  struct TExtent {
    std::size_t Units = 0, Entries = 0;
  };
  TExtent Extent(TView Section);

  const TString& Units() const noexcept { return Text; }

  // Lines parsed so far: a seam for checking that the work stays linear.
  std::size_t LinesParsed() const noexcept { return ParseCount; }

private:
  struct TLine {
    enum TKind { Blank, Comment, Header, Entry } Kind = Blank;
    std::size_t Begin = 0, ContentEnd = 0, BreakBegin = 0, End = 0;
    std::size_t NameBegin = 0, NameEnd = 0;  // trimmed; a header's section name
    std::size_t Equal = None;                // an entry's first "=", if any
    std::size_t ValueBegin = 0, ValueEnd = 0;
  };

  // Zeroed slots from calloc: fresh pages come zeroed, so nothing is written twice.
  class TSlots {
  public:
    TSlots() = default;
    explicit TSlots(std::size_t Count);
    std::size_t size() const noexcept { return Count; }
    std::uint64_t& operator[](std::size_t At) noexcept { return Data.get()[At]; }
    std::uint64_t* begin() noexcept { return Data.get(); }
    std::uint64_t* end() noexcept { return Data.get() + Count; }
    void swap(TSlots& Other) noexcept {
      Data.swap(Other.Data);
      std::swap(Count, Other.Count);
    }

  private:
    struct TFree {
      void operator()(std::uint64_t* Slots) const noexcept { std::free(Slots); }
    };
    std::unique_ptr<std::uint64_t[], TFree> Data;
    std::size_t Count = 0;
  };

  // The first section of one name, with an index of its first entries.
  // A slot packs the line's begin + 1 (0: free) above a tag of the name's hash.
  struct TSection {
    TString FoldedName;
    bool Found = false;
    std::size_t HeaderBegin = 0, BodyBegin = 0, BodyEnd = 0;
    bool Indexed = false;
    TSlots Slots;
    std::size_t Count = 0;       // distinct names
    std::size_t Entries = 0;     // entry lines
    std::size_t Duplicates = 0;  // entry lines whose name came before
    std::size_t LastEntryBegin = None;  // where a new key goes after
  };

  TLine ParseLine(std::size_t Begin) const;
  TView Slice(std::size_t Begin, std::size_t End) const { return TView(Text).substr(Begin, End - Begin); }
  TView NameOf(const TLine& Line) const { return Slice(Line.NameBegin, Line.NameEnd); }
  TView ValueOf(const TLine& Line) const;
  TSection& Locate(TView Section);
  void StartIndex(TSection& S);
  void IndexInsert(TSection& S, std::uint32_t Hash, std::size_t Begin, TView Name);
  // The first entry of that name, parsed; none when there is none.
  std::optional<TLine> IndexFind(TSection& S, TView Ident);
  std::optional<TView> FirstValue(TSection& S, TView Ident);
  void Replace(std::size_t Position, std::size_t Length, const TString& With);
  TString FileBreak() const;
  void AppendSection(TView Section, TView Ident, TView Value);

  // Units a parse may read: all of them, or those in place so far.
  std::size_t Visible() const noexcept { return Arriving ? InPlace : Text.size(); }
  std::size_t EstimatedLines(std::size_t Begin);

  TString Text;
  std::size_t Start;
  const TArrival* Arriving = nullptr;
  std::size_t InPlace = 0;
  std::optional<TSection> Cache;
  mutable std::size_t ParseCount = 0;
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
      if constexpr (std::is_same_v<decltype(Visit(NameOf(Line))), bool>) {
        if (!Visit(NameOf(Line))) return;
      } else {
        Visit(NameOf(Line));
      }
    }
    Position = Line.End;
  }
}

template <typename TUnit>
template <typename TVisit>
void TIniText<TUnit>::ForEachKeyValue(TView Section, TVisit&& Visit) {
  TSection& S = Locate(Section);
  if (!S.Found) return;
  for (std::size_t Position = S.BodyBegin; Position < S.BodyEnd;) {
    const TLine Line = ParseLine(Position);
    if (Line.Kind == TLine::Entry && Line.Equal != None) {
      if (Line.NameBegin == Line.NameEnd) return;
      // Without repeated names every line is its name's first entry.
      if (S.Indexed && S.Duplicates == 0) {
        Visit(NameOf(Line), std::optional<TView>(ValueOf(Line)));
      } else {
        Visit(NameOf(Line), FirstValue(S, NameOf(Line)));
      }
    }
    Position = Line.End;
  }
}
