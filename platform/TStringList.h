#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A list of byte strings. Items live in one pooled buffer, so a list of a
// million short lines costs little more than their text; or they are spans of
// bytes lent by their owner, which then costs no copy at all.
class TStringList {
public:
  int Count() const noexcept { return static_cast<int>(Wide.empty() ? Narrow.size() : Wide.size()); }
  // Valid until the list is next changed.
  std::string_view Strings(int Index) const;
  std::string_view operator[](int Index) const { return Strings(Index); }
  void Add(std::string_view S) {
    const std::size_t Begin = Pool.size();
    Pool.insert(Pool.end(), S.begin(), S.end());
    Push(LentSize + Begin, S.size());
  }
  // Appends the concatenation of the parts as one item.
  void Add(std::initializer_list<std::string_view> Parts);
  // Lets an empty list take items as spans of Bytes, which must not change
  // while Owner is alive; the list keeps Owner alive until it is cleared.
  void Borrow(std::shared_ptr<const void> Owner, std::string_view Bytes);
  // Appends S, which lies inside the bytes lent, without copying it.
  void AddBorrowed(std::string_view S) { Push(static_cast<std::size_t>(S.data() - LentBytes), S.size()); }
  void Clear() noexcept;
  // Room for items of that many bytes in all, so filling the list copies nothing.
  void Reserve(std::size_t Bytes, std::size_t ItemCount);
  // Position of the first item equal to S, letter case ignored; -1 if none.
  int IndexOf(std::string_view S) const;

private:
  // Where an item's bytes are: below LentSize in the bytes lent, from there on
  // in the pool. Items of a list of a file under 4 GiB take half the memory,
  // and a list as long as a large section is mostly this array.
  struct TNarrow {
    std::uint32_t Begin, Size;
  };
  struct TWide {
    std::size_t Begin, Size;
  };
  void Push(std::size_t Begin, std::size_t Size) {
    if (Wide.empty() && ((Begin | Size) >> 16 >> 16) == 0) [[likely]] {
      Narrow.push_back({static_cast<std::uint32_t>(Begin), static_cast<std::uint32_t>(Size)});
    } else {
      PushWide(Begin, Size);
    }
  }
  void PushWide(std::size_t Begin, std::size_t Size);

  std::vector<char> Pool;  // a vector's append is inlined, a string's is a library call
  std::vector<TNarrow> Narrow;
  std::vector<TWide> Wide;  // all items, once one does not fit in Narrow
  std::shared_ptr<const void> Lender;
  const char* LentBytes = nullptr;
  std::size_t LentSize = 0;
};

// Locale-aware, case-insensitive equality, as the list's lookup uses it.
bool SameText(std::string_view A, std::string_view B);
