#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <memory>
#include <string_view>

#include "platform/TStringList.h"

namespace {

// Items lie more than 4 GiB into the bytes lent, or are longer than that:
// they do not fit the list's compact items, and the list must change form
// with every item, borrowed or copied, still read right. The bytes are a
// mapping never touched but for a few pages.
TEST(TStringListLarge, ItemsBeyondFourGiBReadRight) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "needs a 64-bit address space";
  constexpr std::size_t Size = std::size_t(5) << 30;
  void* Mapped = ::mmap(nullptr, Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(Mapped, MAP_FAILED);
  const std::shared_ptr<char> Bytes(static_cast<char*>(Mapped), [](char* At) { ::munmap(At, Size); });
  const std::size_t Far = (std::size_t(4) << 30) + 100;
  std::memcpy(Bytes.get() + 10, "Number", 6);
  std::memcpy(Bytes.get() + Far, "Select", 6);

  TStringList List;
  List.Borrow(Bytes, std::string_view(Bytes.get(), Size));
  List.Reserve(16, 4);
  List.AddBorrowed(std::string_view(Bytes.get() + 10, 6));
  List.Add("copied");
  List.AddBorrowed(std::string_view(Bytes.get() + Far, 6));
  List.Add({"af", "ter"});
  List.AddBorrowed(std::string_view(Bytes.get(), Size));
  const TStringList Copy = List;
  for (const TStringList* Each : {static_cast<const TStringList*>(&List), &Copy}) {
    ASSERT_EQ(Each->Count(), 5);
    EXPECT_EQ((*Each)[0], "Number");
    EXPECT_EQ((*Each)[1], "copied");
    EXPECT_EQ((*Each)[2], "Select");
    EXPECT_EQ((*Each)[3], "after");
    EXPECT_EQ((*Each)[4].data(), Bytes.get());
    EXPECT_EQ((*Each)[4].size(), Size);
    EXPECT_EQ(Each->IndexOf("SELECT"), 2);
  }
  List.Clear();
  List.Add("small");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(List[0], "small");
}

}  // namespace
