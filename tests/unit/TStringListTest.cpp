#include "platform/TStringList.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

TEST(TStringList, KeepsItemsInOrderAndEmpties) {
  TStringList List;
  List.Add("Number=2");
  List.Add({"Descrip1", "=", "English"});
  List.Add("");
  ASSERT_EQ(List.Count(), 3);
  EXPECT_EQ(List[0], "Number=2");
  EXPECT_EQ(List[1], "Descrip1=English");
  EXPECT_EQ(List[2], "");
  EXPECT_THROW(List.Strings(3), std::out_of_range);
  EXPECT_THROW(List.Strings(-1), std::out_of_range);
  List.Clear();
  EXPECT_EQ(List.Count(), 0);
}

TEST(TStringList, IndexOfIgnoresLetterCaseAndFindsTheFirst) {
  TStringList List;
  for (const char* Item : {"Select", "NUMBER", "number", "Numbers"}) List.Add(Item);
  EXPECT_EQ(List.IndexOf("Number"), 1);
  EXPECT_EQ(List.IndexOf("select"), 0);
  EXPECT_EQ(List.IndexOf("Numb"), -1);
  EXPECT_EQ(List.IndexOf(""), -1);
}

// Items must survive the pool's growth, a copy and a move, and a cleared
// list must not show old bytes.
TEST(TStringList, KeepsItemsAcrossGrowthCopyAndMove) {
  TStringList List;
  List.Reserve(8, 2);
  std::vector<std::string> Expected;
  for (int I = 0; I < 2000; ++I) {
    Expected.push_back(std::string(static_cast<std::size_t>(I % 37), static_cast<char>('a' + I % 26)) + std::to_string(I));
    List.Add(Expected.back());
  }
  List.Add("");
  Expected.emplace_back();
  const TStringList Copy = List;
  TStringList Moved = std::move(List);
  for (const TStringList* Each : {&Copy, static_cast<const TStringList*>(&Moved)}) {
    ASSERT_EQ(Each->Count(), static_cast<int>(Expected.size()));
    for (int I = 0; I < Each->Count(); ++I) EXPECT_EQ((*Each)[I], Expected[static_cast<std::size_t>(I)]);
  }
  Moved.Clear();
  Moved.Add({"Number", "=", "2"});
  ASSERT_EQ(Moved.Count(), 1);
  EXPECT_EQ(Moved[0], "Number=2");
  TStringList Assigned;
  Assigned.Add("old");
  Assigned = Copy;
  EXPECT_EQ(Assigned.Count(), Copy.Count());
  EXPECT_EQ(Assigned[1999], Expected[1999]);
}

// Borrowed items are spans of their owner's bytes: they must read right among
// copied ones, keep the owner alive as long as any list holds them, and let it
// go once the list is cleared.
TEST(TStringList, BorrowedItemsKeepTheirOwnerAliveUntilCleared) {
  auto Owner = std::make_shared<const std::string>("Number=2\r\nSelect=1\r\n");
  const std::weak_ptr<const std::string> Watch = Owner;
  const std::string_view Bytes = *Owner;
  TStringList List;
  List.Borrow(Owner, Bytes);
  List.AddBorrowed(Bytes.substr(0, 8));
  List.Add({"Select", "=", "1"});
  List.AddBorrowed(Bytes.substr(10, 6));
  Owner.reset();
  TStringList Copy = List;
  TStringList Moved = std::move(List);
  for (const TStringList* Each : {&Copy, &Moved}) {
    ASSERT_EQ(Each->Count(), 3);
    EXPECT_EQ((*Each)[0], "Number=2");
    EXPECT_EQ((*Each)[1], "Select=1");
    EXPECT_EQ((*Each)[2], "Select");
    EXPECT_EQ(Each->IndexOf("SELECT"), 2);
  }
  Copy.Clear();
  EXPECT_FALSE(Watch.expired());
  Moved.Clear();
  EXPECT_TRUE(Watch.expired());
  EXPECT_EQ(Moved.Count(), 0);

  Moved.Add("copied");
  EXPECT_THROW(Moved.Borrow(std::make_shared<int>(0), "other"), std::logic_error);
  EXPECT_EQ(Moved[0], "copied");
}
