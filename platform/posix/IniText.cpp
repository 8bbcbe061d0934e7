#include "platform/posix/IniText.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/MemoryAdvice.h"

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

// Hashes the name's bytes a word at a time. Setting bit 5 of every byte puts
// 'A'-'Z' onto 'a'-'z', so names equal but for case hash alike; the few other
// bytes it merges only cost a comparison.
template <typename TView>
std::uint32_t NameHash(TView Name) {
  constexpr std::uint64_t Case = 0x2020202020202020u, Mix = 0x9E3779B97F4A7C15u;
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Name.data());
  std::size_t Size = Name.size() * sizeof(Name[0]);
  std::uint64_t Hash = Size * Mix;
  const auto Add = [&](std::uint64_t Word) {
    Hash = (Hash ^ (Word | Case)) * Mix;
    Hash ^= Hash >> 32;
  };
  for (; Size >= 8; Bytes += 8, Size -= 8) {
    std::uint64_t Word;
    std::memcpy(&Word, Bytes, 8);
    Add(Word);
  }
  if (Size > 0) {
    std::uint64_t Word = 0;
    if (Bytes - reinterpret_cast<const unsigned char*>(Name.data()) >= 8) {
      // The last eight bytes, shifted so that only the remaining ones count.
      std::memcpy(&Word, Bytes + Size - 8, 8);
      Word >>= 8 * (8 - Size);
    } else {
      for (std::size_t I = 0; I < Size; ++I) Word |= static_cast<std::uint64_t>(Bytes[I]) << 8 * I;
    }
    Add(Word);
  }
  // The slot comes from the high bits, the tag from the low ones: mix both.
  Hash *= 0xD6E8FEB86659FD93u;
  Hash ^= Hash >> 29;
  return static_cast<std::uint32_t>(Hash >> 32) ^ static_cast<std::uint32_t>(Hash);
}

template <typename TView>
TView Trim(TView V) {
  while (!V.empty() && IsBlank(V.front())) V.remove_prefix(1);
  while (!V.empty() && IsBlank(V.back())) V.remove_suffix(1);
  return V;
}

// Where a line's content stops (its first CR, LF or NUL) and its first "="
// before that, if any: sixteen bytes at a step where the host allows.
struct TScan {
  std::size_t Stop, Equal;
};
TScan ScanLine(const char* Data, std::size_t I, std::size_t Size, std::size_t None) {
  std::size_t Equal = None;
#if defined(__SSE2__)
  const __m128i Cr = _mm_set1_epi8('\r'), Lf = _mm_set1_epi8('\n'), Zero = _mm_setzero_si128(), Eq = _mm_set1_epi8('=');
  for (; I + 16 <= Size; I += 16) {
    const __m128i Chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
    const auto Stops = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(Chunk, Cr), _mm_cmpeq_epi8(Chunk, Lf)), _mm_cmpeq_epi8(Chunk, Zero))));
    auto Equals = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Chunk, Eq)));
    if (Stops != 0) Equals &= (Stops & (0u - Stops)) - 1;  // only those before the stop
    if (Equal == None && Equals != 0) Equal = I + static_cast<std::size_t>(__builtin_ctz(Equals));
    if (Stops != 0) return {I + static_cast<std::size_t>(__builtin_ctz(Stops)), Equal};
  }
#endif
  for (; I < Size; ++I) {
    const char C = Data[I];
    if (C == '\r' || C == '\n' || C == 0) break;
    if (C == '=' && Equal == None) Equal = I;
  }
  return {I, Equal};
}

std::size_t SlotOf(std::uint32_t Hash, std::size_t Capacity) {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(Hash) * Capacity) >> 32);
}

// A slot: the line's begin + 1 in the high 40 bits, a hash tag in the low 24.
constexpr unsigned TagBits = 24;
constexpr std::uint64_t TagMask = (std::uint64_t(1) << TagBits) - 1;
constexpr std::size_t MaxIndexedUnits = (std::size_t(1) << (64 - TagBits)) - 2;

std::uint64_t PackSlot(std::size_t Begin, std::uint32_t Hash) {
  return (static_cast<std::uint64_t>(Begin) + 1) << TagBits | (Hash & TagMask);
}
std::size_t SlotBegin(std::uint64_t Slot) { return static_cast<std::size_t>(Slot >> TagBits) - 1; }

// Units equal to Unit in Text[Begin, End).
template <typename TUnit>
std::size_t CountUnit(const std::basic_string<TUnit>& Text, std::size_t Begin, std::size_t End, TUnit Unit) {
  std::size_t Count = 0, I = Begin;
#if defined(__SSE2__)
  if constexpr (sizeof(TUnit) == 1) {
    // Per-byte counters, summed before any of them can wrap.
    const __m128i Wanted = _mm_set1_epi8(static_cast<char>(Unit));
    while (I + 16 <= End) {
      __m128i Counters = _mm_setzero_si128();
      for (int Step = 0; Step < 255 && I + 16 <= End; ++Step, I += 16) {
        const __m128i Chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text.data() + I));
        Counters = _mm_sub_epi8(Counters, _mm_cmpeq_epi8(Chunk, Wanted));
      }
      const __m128i Sums = _mm_sad_epu8(Counters, _mm_setzero_si128());
      Count += static_cast<std::size_t>(_mm_cvtsi128_si32(Sums)) + static_cast<std::size_t>(_mm_extract_epi16(Sums, 4));
    }
  }
#endif
  for (; I < End; ++I) Count += Text[I] == Unit;
  return Count;
}

// Lines from Begin on. A file with lone CRs among LFs gets too few, and its
// index grows: still correct.
template <typename TString>
std::size_t LineCount(const TString& Text, std::size_t Begin) {
  const std::size_t Lines = CountUnit(Text, Begin, Text.size(), typename TString::value_type('\n'));
  return Lines != 0 ? Lines : CountUnit(Text, Begin, Text.size(), typename TString::value_type('\r'));
}

// Room for that many lines at most 70% full: one allocation, no rehash.
std::size_t IndexCapacity(std::size_t Lines) { return std::max<std::size_t>(16, (Lines + 1) * 10 / 7 + 1); }

}  // namespace

template <typename TUnit>
typename TIniText<TUnit>::TLine TIniText<TUnit>::ParseLine(std::size_t Begin) const {
  ++ParseCount;
  TLine Line;
  Line.Begin = Begin;
  const std::size_t Size = Visible();
  std::size_t I = Begin;
  std::size_t Equal = None;  // the content's first "=", found on the way for bytes
  if constexpr (sizeof(TUnit) == 1) {
    const TScan Scan = ScanLine(Text.data(), I, Size, None);
    I = Line.ContentEnd = Scan.Stop;
    Equal = Scan.Equal;
    // After a NUL the line's bytes are kept but not read.
    while (I < Size && Text[I] != '\r' && Text[I] != '\n') ++I;
  } else {
    std::size_t Nul = None;
    while (I < Size && Text[I] != '\r' && Text[I] != '\n') {
      if (Text[I] == 0 && Nul == None) Nul = I;
      ++I;
    }
    Line.ContentEnd = Nul == None ? I : Nul;
  }
  Line.BreakBegin = I;
  Line.End = I == Size ? I : (Text[I] == '\r' && I + 1 < Size && Text[I + 1] == '\n') ? I + 2 : I + 1;

  if constexpr (sizeof(TUnit) == 1) {
    // The common line, "name=value" with no blanks at its ends or around
    // "=", needs none of the trimming below.
    const std::size_t End = Line.ContentEnd;
    if (Equal != None && Equal > Begin && Equal + 1 < End) {
      const TUnit First = Text[Begin], Last = Text[End - 1];
      if (!IsBlank(First) && First != ';' && First != '[' && !IsBlank(Last) && !IsBlank(Text[Equal - 1]) &&
          !IsBlank(Text[Equal + 1])) {
        Line.Kind = TLine::Entry;
        Line.NameBegin = Begin;
        Line.NameEnd = Line.Equal = Equal;
        Line.ValueBegin = Equal + 1;
        Line.ValueEnd = End;
        return Line;
      }
    }
  }
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
  // "=" is no blank, so the content's first one lies within [B, E).
  std::size_t NameEnd = B;
  if constexpr (sizeof(TUnit) == 1) {
    NameEnd = Equal == None ? E : Equal;
  } else {
    while (NameEnd < E && Text[NameEnd] != '=') ++NameEnd;
  }
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
  S.BodyEnd = Text.size();
  // Inserts trail the walk by a few lines, so each slot is already fetched
  // from memory when it is probed; file order, and with it the first entry of
  // each name, is kept.
  struct TPending {
    std::uint32_t Hash;
    std::size_t Begin;
    TView Name;
  };
  constexpr std::size_t Depth = 16;
  TPending Pending[Depth];
  std::size_t Queued = 0, Inserted = 0;
  auto Drain = [&](std::size_t Keep) {
    for (; Queued - Inserted > Keep; ++Inserted) {
      const TPending& P = Pending[Inserted % Depth];
      IndexInsert(S, P.Hash, P.Begin, P.Name);
    }
  };
  // One walk finds the section, its end, and indexes its entries on the way.
  for (std::size_t Position = Start; Position < Text.size();) {
    const TLine Line = ParseLine(Position);
    // A line is whole once a unit after it has arrived (a CR may be half a
    // break). Until then it is parsed again from its start, so each wait asks
    // for twice what the line has so far: a long line costs a few parses, not
    // one per chunk read.
    if (Arriving && Line.End >= InPlace && InPlace < Text.size()) {
      InPlace = Arriving->WaitFor(std::min(Text.size(), Position + 2 * (InPlace - Position) + 1));
      continue;
    }
    if (Line.Kind == TLine::Header) {
      if (S.Found) {
        S.BodyEnd = Line.Begin;
        break;
      }
      if (SameName(NameOf(Line), TView(S.FoldedName))) {
        S.Found = true;
        S.HeaderBegin = Line.Begin;
        S.BodyBegin = Line.End;
        StartIndex(S);
      }
    } else if (Line.Kind == TLine::Entry && S.Found) {
      ++S.Entries;
      S.LastEntryBegin = Line.Begin;
      if (S.Indexed) {
        Drain(Depth - 1);
        const std::uint32_t Hash = NameHash(NameOf(Line));
        __builtin_prefetch(&S.Slots[SlotOf(Hash, S.Slots.size())]);
        Pending[Queued++ % Depth] = {Hash, Line.Begin, NameOf(Line)};
      }
    }
    Position = Line.End;
  }
  Drain(0);
  return S;
}

template <typename TUnit>
TIniText<TUnit>::TSlots::TSlots(std::size_t Slots) : Count(Slots) {
  Data.reset(static_cast<std::uint64_t*>(std::calloc(Slots, sizeof(std::uint64_t))));
  if (!Data) throw std::bad_alloc();
  PreferHugePages(Data.get(), Slots * sizeof(std::uint64_t));
}

template <typename TUnit>
void TIniText<TUnit>::StartIndex(TSection& S) {
  // Beyond what a slot can hold, lookups walk the section instead.
  if (Text.size() > MaxIndexedUnits) return;
  S.Indexed = true;
  S.Slots = TSlots(IndexCapacity(Arriving ? EstimatedLines(S.BodyBegin) : LineCount(Text, S.BodyBegin)));
}

template <typename TUnit>
std::size_t TIniText<TUnit>::EstimatedLines(std::size_t Begin) {
  // The lines of the first megabyte from Begin on, scaled to the rest with a
  // margin. Lines of other lengths further on only make the index grow.
  constexpr std::size_t Sample = std::size_t(1) << 20;
  InPlace = Arriving->WaitFor(std::min(Text.size(), Begin + Sample));
  const std::size_t Breaks = CountUnit(Text, Begin, InPlace, TUnit('\n'));
  if (Breaks == 0 || InPlace == Text.size()) {
    // No line ends seen yet, or nothing more to come: count them all.
    InPlace = Arriving->WaitFor(Text.size());
    return LineCount(Text, Begin);
  }
  const double Scale = static_cast<double>(Text.size() - Begin) / static_cast<double>(InPlace - Begin);
  return static_cast<std::size_t>(static_cast<double>(Breaks) * Scale * 1.05) + 16;
}

template <typename TUnit>
void TIniText<TUnit>::IndexInsert(TSection& S, std::uint32_t Hash, std::size_t Begin, TView Name) {
  if ((S.Count + 1) * 10 > S.Slots.size() * 7) {
    // Only when the estimate fell short (lone CRs mixed with LFs) or keys were added.
    TSlots Old(S.Slots.size() * 2);
    Old.swap(S.Slots);
    for (const std::uint64_t Slot : Old) {
      if (Slot == 0) continue;
      std::size_t At = SlotOf(NameHash(NameOf(ParseLine(SlotBegin(Slot)))), S.Slots.size());
      while (S.Slots[At] != 0) At = At + 1 == S.Slots.size() ? 0 : At + 1;
      S.Slots[At] = Slot;
    }
  }
  const std::uint64_t Tag = Hash & TagMask;
  std::size_t At = SlotOf(Hash, S.Slots.size());
  while (S.Slots[At] != 0) {
    // Only the first entry of a name is ever read or written.
    if ((S.Slots[At] & TagMask) == Tag && SameName(NameOf(ParseLine(SlotBegin(S.Slots[At]))), Name)) {
      ++S.Duplicates;
      return;
    }
    At = At + 1 == S.Slots.size() ? 0 : At + 1;
  }
  S.Slots[At] = PackSlot(Begin, Hash);
  ++S.Count;
}

template <typename TUnit>
std::optional<typename TIniText<TUnit>::TLine> TIniText<TUnit>::IndexFind(TSection& S, TView Ident) {
  Ident = Trim(Ident);
  if (!S.Indexed) {
    for (std::size_t Position = S.BodyBegin; Position < S.BodyEnd;) {
      const TLine Line = ParseLine(Position);
      if (Line.Kind == TLine::Entry && SameName(NameOf(Line), Ident)) return Line;
      Position = Line.End;
    }
    return std::nullopt;
  }
  const std::uint32_t Hash = NameHash(Ident);
  const std::uint64_t Tag = Hash & TagMask;
  for (std::size_t At = SlotOf(Hash, S.Slots.size()); S.Slots[At] != 0; At = At + 1 == S.Slots.size() ? 0 : At + 1) {
    if ((S.Slots[At] & TagMask) != Tag) continue;
    const TLine Line = ParseLine(SlotBegin(S.Slots[At]));
    if (SameName(NameOf(Line), Ident)) return Line;
  }
  return std::nullopt;
}

template <typename TUnit>
std::optional<typename TIniText<TUnit>::TView> TIniText<TUnit>::FirstValue(TSection& S, TView Ident) {
  const std::optional<TLine> Line = IndexFind(S, Ident);
  if (!Line || Line->Equal == None) return std::nullopt;
  return ValueOf(*Line);
}

template <typename TUnit>
typename TIniText<TUnit>::TExtent TIniText<TUnit>::Extent(TView Section) {
  const TSection& S = Locate(Section);
  if (!S.Found) return {};
  return {S.BodyEnd - S.BodyBegin, S.Entries};
}

template <typename TUnit>
std::optional<typename TIniText<TUnit>::TView> TIniText<TUnit>::Value(TView Section, TView Ident) {
  TSection& S = Locate(Section);
  if (!S.Found) return std::nullopt;
  return FirstValue(S, Ident);
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
  // A key added after the last entry moves no indexed line.
  const bool MovesIndexed = Delta != 0 && S.LastEntryBegin != None && S.LastEntryBegin >= Position;
  // Every edit lies inside the cached section, or at its end.
  S.BodyEnd = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(S.BodyEnd) + Delta);
  Shift(S.LastEntryBegin);
  if (!MovesIndexed) return;
  const std::uint64_t Moved = static_cast<std::uint64_t>(Delta) << TagBits;
  // A slot holds begin + 1, so "begin >= Position" reads "held > Position",
  // which a free slot (0) never is: no branch, and the loop vectorises.
  const std::uint64_t Held = static_cast<std::uint64_t>(Position);
  for (auto& Slot : S.Slots) Slot += (Slot >> TagBits) > Held ? Moved : 0;
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
  const bool EndsOpen = Text.size() > Start && Text.back() != '\r' && Text.back() != '\n';
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
  if (const std::optional<TLine> Found = IndexFind(S, Ident)) {
    const TLine& Line = *Found;
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
  ++S.Entries;
  if (S.Indexed) IndexInsert(S, NameHash(Trim(Ident)), NewBegin, Trim(Ident));
  S.LastEntryBegin = NewBegin;
  return true;
}

template class TIniText<char>;
template class TIniText<char16_t>;
