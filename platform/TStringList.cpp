#include "platform/TStringList.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/MemoryAdvice.h"

TStringList::TPool::TPool(const TPool& Other) {
  Reserve(Other.Used);
  Append(std::string_view(Other.Bytes, Other.Used));
}

TStringList::TPool::TPool(TPool&& Other) noexcept
    : Bytes(std::exchange(Other.Bytes, nullptr)), Used(std::exchange(Other.Used, 0)),
      Capacity(std::exchange(Other.Capacity, 0)) {}

TStringList::TPool& TStringList::TPool::operator=(TPool Other) noexcept {
  std::swap(Bytes, Other.Bytes);
  std::swap(Used, Other.Used);
  std::swap(Capacity, Other.Capacity);
  return *this;
}

TStringList::TPool::~TPool() { std::free(Bytes); }

void TStringList::TPool::Reserve(std::size_t Total) {
  if (Total <= Capacity) return;
  char* Larger = static_cast<char*>(std::realloc(Bytes, Total));
  if (!Larger) throw std::bad_alloc();
  Bytes = Larger;
  Capacity = Total;
}

void TStringList::TPool::Grow(std::size_t More) {
  // Doubling keeps a run of appends linear.
  if (More > static_cast<std::size_t>(-1) - Used) throw std::bad_alloc();
  Reserve(std::max({Used + More, 2 * Capacity, std::size_t(64)}));
}

std::string_view TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("TStringList index out of bounds");
  const std::size_t Begin = Index == 0 ? 0 : Ends[Index - 1];
  return std::string_view(Pool.Data() + Begin, Ends[Index] - Begin);
}

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  for (std::string_view Part : Parts) Pool.Append(Part);
  Ends.push_back(Pool.Size());
}

void TStringList::Clear() noexcept {
  // The memory stays: a pass empties its list between two reads of the same
  // section, and the second (names only) fits where the first was, with no
  // fresh pages to fault in.
  Pool.Clear();
  Ends.clear();
}

void TStringList::Reserve(std::size_t Bytes, std::size_t Items) {
  Pool.Reserve(Bytes);
  Ends.reserve(Items);
  PreferHugePages(Pool.Data(), Bytes);
  PreferHugePages(Ends.data(), Ends.capacity() * sizeof(std::size_t));
}

int TStringList::IndexOf(std::string_view S) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Strings(I), S)) return I;
  return -1;
}
