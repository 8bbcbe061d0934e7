#include "platform/TStringList.h"

#include <stdexcept>

std::string_view TStringList::Strings(int Index) const {
  if (Index < 0 || Index >= Count()) throw std::out_of_range("TStringList index out of bounds");
  const std::size_t Begin = Index == 0 ? 0 : Ends[Index - 1];
  return std::string_view(Pool).substr(Begin, Ends[Index] - Begin);
}

void TStringList::Add(std::string_view S) {
  Pool.append(S);
  Ends.push_back(Pool.size());
}

void TStringList::Add(std::initializer_list<std::string_view> Parts) {
  for (std::string_view Part : Parts) Pool.append(Part);
  Ends.push_back(Pool.size());
}

void TStringList::Clear() noexcept {
  // Release the memory too: a pass empties its list between two large reads.
  std::string().swap(Pool);
  std::vector<std::size_t>().swap(Ends);
}

int TStringList::IndexOf(std::string_view S) const {
  for (int I = 0; I < Count(); ++I)
    if (SameText(Strings(I), S)) return I;
  return -1;
}
