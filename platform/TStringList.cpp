#include "platform/TStringList.h"

#include <stdexcept>

#include "platform/MemoryAdvice.h"

std::string_view TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("TStringList index out of bounds");
  const std::size_t Begin = Index == 0 ? 0 : Ends[Index - 1];
  return std::string_view(Pool.data() + Begin, Ends[Index] - Begin);
}

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  for (std::string_view Part : Parts) Pool.insert(Pool.end(), Part.begin(), Part.end());
  Ends.push_back(Pool.size());
}

void TStringList::Clear() noexcept {
  // The memory stays: a pass empties its list between two reads of the same
  // section, and the second (names only) fits where the first was, with no
  // fresh pages to fault in.
  Pool.clear();
  Ends.clear();
}

void TStringList::Reserve(std::size_t Bytes, std::size_t Items) {
  Pool.reserve(Bytes);
  Ends.reserve(Items);
  PreferHugePages(Pool.data(), Pool.capacity());
  PreferHugePages(Ends.data(), Ends.capacity() * sizeof(std::size_t));
}

int TStringList::IndexOf(std::string_view S) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Strings(I), S)) return I;
  return -1;
}
