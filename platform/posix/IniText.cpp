#include "platform/posix/IniText.h"

#include <algorithm>

namespace {

template <typename TUnit>
bool IsBlank(TUnit C) {
  return C == ' ' || C == '\t' || C == 0x0B || C == 0x0C || C == 0x1A;
}

template <typename TUnit>
TUnit Fold(TUnit C) {
  return C >= 'a' && C <= 'z' ? static_cast<TUnit>(C - 'a' + 'A') : C;
}

// Only ASCII letters match across case, as the platform compares names.
template <typename TView>
bool SameName(TView A, TView B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(),
                                            [](auto X, auto Y) { return Fold(X) == Fold(Y); });
}

template <typename TView>
std::uint32_t NameHash(TView Name) {
  std::uint32_t Hash = 2166136261u;
  for (auto C : Name) {
    Hash ^= static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<decltype(C)>>(Fold(C)));
    Hash *= 16777619u;
  }
  return Hash;
}

template <typename TView>
TView Trim(TView V) {
  while (!V.empty() && IsBlank(V.front())) V.remove_prefix(1);
  while (!V.empty() && IsBlank(V.back())) V.remove_suffix(1);
  return V;
}

std::size_t SlotOf(std::uint32_t Hash, std::size_t Capacity) {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(Hash) * Capacity) >> 32);
}

}  // namespace

template <typename TUnit>
typename TIniText<TUnit>::TLine TIniText<TUnit>::ParseLine(std::size_t Begin) const {
  TLine Line;
  Line.Begin = Begin;
  const std::size_t Size = Text.size();
  std::size_t I = Begin;
  std::size_t Nul = None;
  while (I < Size && Text[I] != '\r' && Text[I] != '\n') {
    if (Text[I] == 0 && Nul == None) Nul = I;
    ++I;
  }
  Line.BreakBegin = I;
  Line.ContentEnd = Nul == None ? I : Nul;
  Line.End = I == Size ? I : (Text[I] == '\r' && I + 1 < Size && Text[I + 1] == '\n') ? I + 2 : I + 1;

  std::size_t B = Begin, E = Line.ContentEnd;
  while (B < E && IsBlank(Text[B])) ++B;
  while (E > B && IsBlank(Text[E - 1])) --E;
  if (B == E) return Line;
  if (Text[B] == ';') {
    Line.Kind = TLine::Comment;
    return Line;
  }
  if (Text[B] == '[') {
    std::size_t Close = E;
    while (Close > B + 1 && Text[Close - 1] != ']') --Close;
    if (Close > B + 1) {
      Line.Kind = TLine::Header;
      const TView Name = Trim(Slice(B + 1, Close - 1));
      Line.NameBegin = static_cast<std::size_t>(Name.data() - Text.data());
      Line.NameEnd = Line.NameBegin + Name.size();
      return Line;
    }
  }
  Line.Kind = TLine::Entry;
  std::size_t NameEnd = B;
  while (NameEnd < E && Text[NameEnd] != '=') ++NameEnd;
  if (NameEnd < E) {
    Line.Equal = NameEnd;
    std::size_t VB = NameEnd + 1;
    while (VB < E && IsBlank(Text[VB])) ++VB;
    Line.ValueBegin = VB;
    Line.ValueEnd = E;
  }
  while (NameEnd > B && IsBlank(Text[NameEnd - 1])) --NameEnd;
  Line.NameBegin = B;
  Line.NameEnd = NameEnd;
  return Line;
}

template <typename TUnit>
typename TIniText<TUnit>::TView TIniText<TUnit>::ValueOf(const TLine& Line) const {
  TView Value = Slice(Line.ValueBegin, Line.ValueEnd);
  if (Value.size() >= 2 && Value.front() == Value.back() && (Value.front() == '"' || Value.front() == '\'')) {
    Value = Value.substr(1, Value.size() - 2);
  }
  return Value;
}

template <typename TUnit>
typename TIniText<TUnit>::TSection& TIniText<TUnit>::Locate(TView Section) {
  TString Folded(Trim(Section));
  for (auto& C : Folded) C = Fold(C);
  if (Cache && Cache->FoldedName == Folded) return *Cache;

  Cache.emplace();
  TSection& S = *Cache;
  S.FoldedName = std::move(Folded);
  for (std::size_t Position = 0; Position < Text.size();) {
    const TLine Line = ParseLine(Position);
    if (Line.Kind == TLine::Header) {
      if (S.Found) {
        S.BodyEnd = Line.Begin;
        return S;
      }
      if (SameName(NameOf(Line), TView(S.FoldedName))) {
        S.Found = true;
        S.HeaderBegin = Line.Begin;
        S.BodyBegin = Line.End;
      }
    }
    Position = Line.End;
  }
  S.BodyEnd = Text.size();
  return S;
}

template <typename TUnit>
void TIniText<TUnit>::IndexInsert(TSection& S, std::uint32_t Hash, std::size_t Begin) {
  if ((S.Count + 1) * 10 > S.Slots.size() * 7) {
    std::vector<std::uint64_t> OldSlots(std::max<std::size_t>(16, S.Slots.size() * 2), 0);
    std::vector<std::uint32_t> OldHashes(OldSlots.size(), 0);
    OldSlots.swap(S.Slots);
    OldHashes.swap(S.Hashes);
    for (std::size_t I = 0; I < OldSlots.size(); ++I) {
      if (OldSlots[I] == 0) continue;
      std::size_t Slot = SlotOf(OldHashes[I], S.Slots.size());
      while (S.Slots[Slot] != 0) Slot = Slot + 1 == S.Slots.size() ? 0 : Slot + 1;
      S.Slots[Slot] = OldSlots[I];
      S.Hashes[Slot] = OldHashes[I];
    }
  }
  const TView Name = NameOf(ParseLine(Begin));
  std::size_t Slot = SlotOf(Hash, S.Slots.size());
  while (S.Slots[Slot] != 0) {
    // Only the first entry of a name is ever read or written.
    if (S.Hashes[Slot] == Hash && SameName(NameOf(ParseLine(S.Slots[Slot] - 1)), Name)) return;
    Slot = Slot + 1 == S.Slots.size() ? 0 : Slot + 1;
  }
  S.Slots[Slot] = Begin + 1;
  S.Hashes[Slot] = Hash;
  ++S.Count;
}

template <typename TUnit>
void TIniText<TUnit>::EnsureIndex(TSection& S) {
  if (S.Indexed || !S.Found) return;
  S.Indexed = true;
  for (std::size_t Position = S.BodyBegin; Position < S.BodyEnd;) {
    const TLine Line = ParseLine(Position);
    if (Line.Kind == TLine::Entry) {
      IndexInsert(S, NameHash(NameOf(Line)), Line.Begin);
      S.LastEntryBegin = Line.Begin;
    }
    Position = Line.End;
  }
}

template <typename TUnit>
std::size_t TIniText<TUnit>::IndexFind(TSection& S, TView Ident) {
  EnsureIndex(S);
  if (S.Slots.empty()) return None;
  Ident = Trim(Ident);
  const std::uint32_t Hash = NameHash(Ident);
  for (std::size_t Slot = SlotOf(Hash, S.Slots.size()); S.Slots[Slot] != 0;
       Slot = Slot + 1 == S.Slots.size() ? 0 : Slot + 1) {
    const std::size_t Begin = S.Slots[Slot] - 1;
    if (S.Hashes[Slot] == Hash && SameName(NameOf(ParseLine(Begin)), Ident)) return Begin;
  }
  return None;
}

template <typename TUnit>
std::optional<typename TIniText<TUnit>::TView> TIniText<TUnit>::Value(TView Section, TView Ident) {
  TSection& S = Locate(Section);
  if (!S.Found) return std::nullopt;
  const std::size_t Begin = IndexFind(S, Ident);
  if (Begin == None) return std::nullopt;
  const TLine Line = ParseLine(Begin);
  if (Line.Equal == None) return std::nullopt;
  return ValueOf(Line);
}

template <typename TUnit>
void TIniText<TUnit>::Replace(std::size_t Position, std::size_t Length, const TString& With) {
  Text.replace(Position, Length, With);
  if (!Cache) return;
  const auto Delta = static_cast<std::ptrdiff_t>(With.size()) - static_cast<std::ptrdiff_t>(Length);
  TSection& S = *Cache;
  auto Shift = [&](std::size_t& Offset) {
    if (Offset != None && Offset >= Position) Offset = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(Offset) + Delta);
  };
  // Every edit lies inside the cached section, or at its end.
  S.BodyEnd = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(S.BodyEnd) + Delta);
  Shift(S.LastEntryBegin);
  for (auto& Slot : S.Slots) {
    if (Slot != 0 && Slot - 1 >= Position) Slot = static_cast<std::uint64_t>(static_cast<std::ptrdiff_t>(Slot) + Delta);
  }
}

template <typename TUnit>
typename TIniText<TUnit>::TString TIniText<TUnit>::FileBreak() const {
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\n') return TString(1, '\n');
    if (Text[I] == '\r') return I + 1 < Text.size() && Text[I + 1] == '\n' ? TString{'\r', '\n'} : TString(1, '\r');
  }
  return TString{'\r', '\n'};
}

template <typename TUnit>
void TIniText<TUnit>::AppendSection(TView Section, TView Ident, TView Value) {
  const TString Break = FileBreak();
  const bool EndsOpen = !Text.empty() && Text.back() != '\r' && Text.back() != '\n';
  TString Added;
  if (EndsOpen) Added += Break;
  Added += TUnit('[');
  Added += Section;
  Added += TUnit(']');
  Added += Break;
  Added += Ident;
  Added += TUnit('=');
  Added += Value;
  // A file that ended without a final line break still does.
  if (!EndsOpen) Added += Break;
  Text += Added;
  Cache.reset();
}

template <typename TUnit>
bool TIniText<TUnit>::SetValue(TView Section, TView Ident, TView NewValue) {
  TSection& S = Locate(Section);
  if (!S.Found) {
    AppendSection(Section, Ident, NewValue);
    return true;
  }
  const std::size_t Begin = IndexFind(S, Ident);
  if (Begin != None) {
    const TLine Line = ParseLine(Begin);
    if (Line.Equal == None) {
      TString With(1, TUnit('='));
      With += NewValue;
      Replace(Line.NameEnd, Line.ContentEnd - Line.NameEnd, With);
      return true;
    }
    if (ValueOf(Line) == NewValue) return false;
    // Leading blanks, name as spelled and the blanks around "=" stay.
    std::size_t From = Line.Equal + 1;
    while (From < Line.ContentEnd && IsBlank(Text[From])) ++From;
    Replace(From, Line.ContentEnd - From, TString(NewValue));
    return true;
  }

  const TLine Anchor = ParseLine(S.LastEntryBegin != None ? S.LastEntryBegin : S.HeaderBegin);
  TString Entry(Ident);
  Entry += TUnit('=');
  Entry += NewValue;
  std::size_t NewBegin = Anchor.End;
  if (Anchor.BreakBegin < Anchor.End) {
    Entry += Slice(Anchor.BreakBegin, Anchor.End);
    Replace(Anchor.End, 0, Entry);
  } else {
    // The anchor ends the file: it gains a break, the new last line has none.
    const TString Break = FileBreak();
    NewBegin += Break.size();
    Replace(Anchor.End, 0, Break + Entry);
  }
  S.BodyBegin = ParseLine(S.HeaderBegin).End;
  IndexInsert(S, NameHash(Trim(Ident)), NewBegin);
  S.LastEntryBegin = NewBegin;
  return true;
}

template class TIniText<char>;
template class TIniText<char16_t>;
