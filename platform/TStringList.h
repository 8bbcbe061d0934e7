#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A list of byte strings. Items live in one pooled buffer, so a list of a
// million short lines costs little more than their text.
class TStringList {
public:
  int Count() const noexcept { return static_cast<int>(Ends.size()); }
  // Valid until the list is next changed.
  std::string_view Strings(int Index) const;
  std::string_view operator[](int Index) const { return Strings(Index); }
  void Add(std::string_view S) {
    Pool.insert(Pool.end(), S.begin(), S.end());
    Ends.push_back(Pool.size());
  }
  // Appends the concatenation of the parts as one item.
  void Add(std::initializer_list<std::string_view> Parts);
  void Clear() noexcept;
  // Room for items of that many bytes in all, so filling the list copies nothing.
  void Reserve(std::size_t Bytes, std::size_t Items);
  // Position of the first item equal to S, letter case ignored; -1 if none.
  int IndexOf(std::string_view S) const;

private:
  std::vector<char> Pool;  // a vector's append is inlined, a string's is a library call
  std::vector<std::size_t> Ends;
};

// Locale-aware, case-insensitive equality, as the list's lookup uses it.
bool SameText(std::string_view A, std::string_view B);
