#pragma once

#include <cstddef>
#include <cstring>
#include <initializer_list>
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
    Pool.Append(S);
    Ends.push_back(Pool.Size());
  }
  // Appends the concatenation of the parts as one item.
  void Add(std::initializer_list<std::string_view> Parts);
  void Clear() noexcept;
  // Room for items of that many bytes in all, so filling the list copies nothing.
  void Reserve(std::size_t Bytes, std::size_t Items);
  // Position of the first item equal to S, letter case ignored; -1 if none.
  int IndexOf(std::string_view S) const;

private:
  // Growable bytes whose append is one inline copy: a vector's range insert
  // takes a longer generic path for every item of a million-line list.
  class TPool {
  public:
    TPool() = default;
    TPool(const TPool& Other);
    TPool(TPool&& Other) noexcept;
    TPool& operator=(TPool Other) noexcept;
    ~TPool();
    std::size_t Size() const noexcept { return Used; }
    const char* Data() const noexcept { return Bytes; }
    void Append(std::string_view S) {
      if (S.size() > Capacity - Used) Grow(S.size());
      if (!S.empty()) std::memcpy(Bytes + Used, S.data(), S.size());
      Used += S.size();
    }
    void Clear() noexcept { Used = 0; }
    void Reserve(std::size_t Total);

  private:
    void Grow(std::size_t More);
    char* Bytes = nullptr;
    std::size_t Used = 0, Capacity = 0;
  };

  TPool Pool;
  std::vector<std::size_t> Ends;
};

// Locale-aware, case-insensitive equality, as the list's lookup uses it.
bool SameText(std::string_view A, std::string_view B);
