#include "platform/TStringList.h"

#include <gtest/gtest.h>

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
