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
  int Count() const noexcept { return static_cast<int>(IsWide ? Wide.size() : Narrow.size()); }
  // Valid until the list is next changed.
  std::string_view Strings(int Index) const {
    // Inline: a pass reads a million items in a row.
    if (Index < 0 || Index >= Count()) [[unlikely]] OutOfBounds();
    const auto At = static_cast<std::size_t>(Index);
    const std::size_t Begin = IsWide ? Wide[At].Begin : Narrow[At].Begin;
    const std::size_t Size = IsWide ? Wide[At].Size : Narrow[At].Size;
    if (Begin < LentSize) return std::string_view(LentBytes + Begin, Size);
    return std::string_view(Pool.data() + (Begin - LentSize), Size);
  }
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
  void AddBorrowed(std::string_view S) {
    const auto Begin = static_cast<std::size_t>(S.data() - LentBytes);
    // Lent bytes under 4 GiB: any span of them fits.
    if (LentNarrow) [[likely]] {
      Narrow.push_back({static_cast<std::uint32_t>(Begin), static_cast<std::uint32_t>(S.size())});
    } else {
      Wide.push_back({Begin, S.size()});
    }
  }
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
    if (!IsWide && ((Begin | Size) >> 16 >> 16) == 0) [[likely]] {
      Narrow.push_back({static_cast<std::uint32_t>(Begin), static_cast<std::uint32_t>(Size)});
    } else {
      PushWide(Begin, Size);
    }
  }
  void PushWide(std::size_t Begin, std::size_t Size);
  [[noreturn]] static void OutOfBounds();

  std::vector<char> Pool;  // a vector's append is inlined, a string's is a library call
  std::vector<TNarrow> Narrow;
  std::vector<TWide> Wide;  // once an item does not fit Narrow
  std::shared_ptr<const void> Lender;
  const char* LentBytes = nullptr;
  std::size_t LentSize = 0;
  bool IsWide = false;     // all items in Wide, none in Narrow
  bool LentNarrow = true;  // not wide, and any span of the lent bytes fits Narrow
};

// Locale-aware, case-insensitive equality, as the list's lookup uses it.
bool SameText(std::string_view A, std::string_view B);
