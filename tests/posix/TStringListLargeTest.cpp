#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <memory>
#include <string_view>

#include "platform/TStringList.h"

namespace {

constexpr std::size_t GiB = std::size_t(1) << 30;

// Bytes to lend that are never touched but for the few pages written here.
std::shared_ptr<char> Untouched(std::size_t Size) {
  void* Mapped = ::mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (Mapped == MAP_FAILED) return nullptr;
  return std::shared_ptr<char>(static_cast<char*>(Mapped), [Size](char* At) { ::munmap(At, Size); });
}

void Put(char* At, std::string_view Text) { std::memcpy(At, Text.data(), Text.size()); }

// Items whose place or length passes 4 GiB do not fit the list's compact
// items. Lent bytes under 4 GiB start compact: a copied item placed past them
// must turn every item, borrowed or copied, into the wide form, and later
// borrowed items must follow it there.
TEST(TStringListLarge, TurnsWideWhenAnItemPasses4GiB) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
  const std::size_t Lent = 4 * GiB - 8;
  const std::shared_ptr<char> Bytes = Untouched(4 * GiB);
  ASSERT_NE(Bytes, nullptr);
  Put(Bytes.get() + 10, "Number");
  Put(Bytes.get() + Lent - 20, "Select");

  TStringList List;
  List.Borrow(Bytes, std::string_view(Bytes.get(), Lent));
  List.Reserve(16, 4);
  List.AddBorrowed(std::string_view(Bytes.get() + 10, 6));
  List.AddBorrowed(std::string_view(Bytes.get() + Lent - 20, 6));
  List.Add("0123456789");  // placed at 4 GiB - 8: still fits
  List.Add({"cop", "ied"});  // placed past 4 GiB
  List.AddBorrowed(std::string_view(Bytes.get() + 10, 3));
  const TStringList Copy = List;
  for (const TStringList* Each : {static_cast<const TStringList*>(&List), &Copy}) {
    ASSERT_EQ(Each->Count(), 5);
    EXPECT_EQ((*Each)[0], "Number");
    EXPECT_EQ((*Each)[1], "Select");
    EXPECT_EQ((*Each)[2], "0123456789");
    EXPECT_EQ((*Each)[3], "copied");
    EXPECT_EQ((*Each)[4], "Num");
    EXPECT_EQ(Each->IndexOf("SELECT"), 1);
  }
  List.Clear();
  List.Add("small");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List[0], "small");
}

// Lent bytes of 4 GiB or more: spans past 4 GiB, or longer, read right.
TEST(TStringListLarge, BorrowsFromBytesOver4GiB) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
  const std::size_t Size = 5 * GiB;
  const std::shared_ptr<char> Bytes = Untouched(Size);
  ASSERT_NE(Bytes, nullptr);
  const std::size_t Far = 4 * GiB + 100;
  Put(Bytes.get() + Far, "Select");

  TStringList List;
  List.Borrow(Bytes, std::string_view(Bytes.get(), Size));
  List.AddBorrowed(std::string_view(Bytes.get() + Far, 6));
  List.Add("copied");
  List.AddBorrowed(std::string_view(Bytes.get(), Size));
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List[0], "Select");
  EXPECT_EQ(List[1], "copied");
  EXPECT_EQ(List[2].data(), Bytes.get());
  EXPECT_EQ(List[2].size(), Size);
}

}  // namespace
