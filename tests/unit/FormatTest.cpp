#include "platform/Format.h"

#include <gtest/gtest.h>

TEST(Format, FillsEachPlaceholderInOrderAndNeverReadsArgumentsAsFormats) {
  EXPECT_EQ(Format("Unable to write to %s", {".\\Init_LAN.INI"}), "Unable to write to .\\Init_LAN.INI");
  EXPECT_EQ(Format("%s-%s", {"a", "b"}), "a-b");
  EXPECT_EQ(Format("%s", {"%s %d %n"}), "%s %d %n");
  EXPECT_EQ(Format("100%% %s", {"x"}), "100% x");
  EXPECT_EQ(Format("%s and %s", {"one"}), "one and ");
}
