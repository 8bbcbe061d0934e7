#include "platform/TStringList.h"

#include <stdexcept>
#include <utility>

#include "platform/MemoryAdvice.h"

void TStringList::OutOfBounds() { throw std::out_of_range("TStringList index out of bounds"); }

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  const std::size_t Begin = Pool.size();
  for (std::string_view Part : Parts) Pool.insert(Pool.end(), Part.begin(), Part.end());
  Push(LentSize + Begin, Pool.size() - Begin);
}

void TStringList::PushWide(std::size_t Begin, std::size_t Size) {
  if (!IsWide) {
    Wide.reserve(Narrow.capacity() > Narrow.size() ? Narrow.capacity() : Narrow.size() + 1);
    for (const TNarrow& Item : Narrow) Wide.push_back({Item.Begin, Item.Size});
    Narrow = std::vector<TNarrow>();
    IsWide = true;
    LentNarrow = false;
  }
  Wide.push_back({Begin, Size});
}

void TStringList::Borrow(std::shared_ptr<const void> Owner, std::string_view Bytes) {
  // Items already held would then point into the wrong bytes.
  if (Count() != 0) throw std::logic_error("TStringList borrows only while empty");
  Lender = std::move(Owner);
  LentBytes = Bytes.data();
  LentSize = Bytes.size();
  // An empty list takes the wide form at once for bytes whose spans may not fit.
  IsWide = IsWide || (LentSize >> 16 >> 16) != 0;
  LentNarrow = !IsWide;
}

void TStringList::Clear() noexcept {
  // The memory stays: a pass empties its list between two reads of the same
  // section, and the second (names only) fits where the first was, with no
  // fresh pages to fault in.
  Pool.clear();
  Narrow.clear();
  Wide.clear();
  Lender.reset();
  LentBytes = nullptr;
  LentSize = 0;
  IsWide = false;
  LentNarrow = true;
}

void TStringList::Reserve(std::size_t Bytes, std::size_t ItemCount) {
  Pool.reserve(Bytes);
  if (!IsWide) {
    Narrow.reserve(ItemCount);
    PreferHugePages(Narrow.data(), Narrow.capacity() * sizeof(TNarrow));
  } else {
    Wide.reserve(ItemCount);
  }
  PreferHugePages(Pool.data(), Pool.capacity());
}

int TStringList::IndexOf(std::string_view S) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Strings(I), S)) return I;
  return -1;
}
