#include "tests/e2e/Report.h"

#include <gtest/gtest.h>

#include <cctype>

#include "tests/e2e/Tree.h"

void ExpectWriteFailureReport(int Status, const std::string& Out, const std::string& Err, const std::string& Path) {
  EXPECT_EQ(Status, 1);
  EXPECT_EQ(Out, "");
  const std::string Head = "Exception EIniFileException in module " + TTree::ModuleName() + " at ";
  const std::string Tail = ".\r\nUnable to write to " + Path + ".\r\n\r\n";
  ASSERT_EQ(Err.size(), Head.size() + 8 + Tail.size()) << Err;
  EXPECT_EQ(Err.substr(0, Head.size()), Head);
  for (std::size_t I = Head.size(); I < Head.size() + 8; ++I)
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(Err[I])) || (Err[I] >= 'A' && Err[I] <= 'F')) << Err;
  EXPECT_EQ(Err.substr(Head.size() + 8), Tail);
}
