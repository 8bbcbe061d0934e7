#include "platform/TStringList.h"

#include <stdexcept>
#include <utility>

#include "platform/MemoryAdvice.h"

std::string_view TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("TStringList index out of bounds");
  const auto At = static_cast<std::size_t>(Index);
  const std::size_t Begin = Wide.empty() ? Narrow[At].Begin : Wide[At].Begin;
  const std::size_t Size = Wide.empty() ? Narrow[At].Size : Wide[At].Size;
  if (Begin < LentSize) return std::string_view(LentBytes + Begin, Size);
  return std::string_view(Pool.data() + (Begin - LentSize), Size);
}

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  const std::size_t Begin = Pool.size();
  for (std::string_view Part : Parts) Pool.insert(Pool.end(), Part.begin(), Part.end());
  Push(LentSize + Begin, Pool.size() - Begin);
}

void TStringList::PushWide(std::size_t Begin, std::size_t Size) {
  if (Wide.empty()) {
    Wide.reserve(Narrow.capacity() > Narrow.size() ? Narrow.capacity() : Narrow.size() + 1);
    for (const TNarrow& Item : Narrow) Wide.push_back({Item.Begin, Item.Size});
    Narrow = std::vector<TNarrow>();
  }
  Wide.push_back({Begin, Size});
}

void TStringList::Borrow(std::shared_ptr<const void> Owner, std::string_view Bytes) {
  // Items already held would then point into the wrong bytes.
  if (Count() != 0) throw std::logic_error("TStringList borrows only while empty");
  Lender = std::move(Owner);
  LentBytes = Bytes.data();
  LentSize = Bytes.size();
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
}

void TStringList::Reserve(std::size_t Bytes, std::size_t ItemCount) {
  Pool.reserve(Bytes);
  if (Wide.empty()) {
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
