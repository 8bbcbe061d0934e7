#include "platform/TStringList.h"

#include <gtest/gtest.h>

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
