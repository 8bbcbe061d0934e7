#include "platform/TStringList.h"

#include <stdexcept>
#include <utility>

#include "platform/MemoryAdvice.h"

std::string_view TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("TStringList index out of bounds");
  const TItem& Item = Items[static_cast<std::size_t>(Index)];
  const char* Base = (Item.Begin & Lent) != 0 ? LentBytes : Pool.data();
  return std::string_view(Base + (Item.Begin & ~Lent), Item.Size);
}

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  const std::size_t Begin = Pool.size();
  for (std::string_view Part : Parts) Pool.insert(Pool.end(), Part.begin(), Part.end());
  Items.push_back({Begin, Pool.size() - Begin});
}

void TStringList::Borrow(std::shared_ptr<const void> Owner, std::string_view Bytes) {
  // Spans already held would then point into the wrong bytes.
  if (!Items.empty()) throw std::logic_error("TStringList borrows only while empty");
  Lender = std::move(Owner);
  LentBytes = Bytes.data();
}

void TStringList::Clear() noexcept {
  // The memory stays: a pass empties its list between two reads of the same
  // section, and the second (names only) fits where the first was, with no
  // fresh pages to fault in.
  Pool.clear();
  Items.clear();
  Lender.reset();
  LentBytes = nullptr;
}

void TStringList::Reserve(std::size_t Bytes, std::size_t ItemCount) {
  Pool.reserve(Bytes);
  Items.reserve(ItemCount);
  PreferHugePages(Pool.data(), Pool.capacity());
  PreferHugePages(Items.data(), Items.capacity() * sizeof(TItem));
}

int TStringList::IndexOf(std::string_view S) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Strings(I), S)) return I;
  return -1;
}
