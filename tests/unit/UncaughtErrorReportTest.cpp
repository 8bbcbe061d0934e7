#include "app/UncaughtErrorReport.h"

#include <gtest/gtest.h>

TEST(FormatErrorReport, AddsAPeriodOnlyWhereTheMessageLacksOne) {
  EXPECT_EQ(FormatErrorReport("EIniFileException", "langreg", 0x1A2B, "Unable to write to ..\\Setup.INI"),
            "Exception EIniFileException in module langreg at 00001A2B.\r\nUnable to write to ..\\Setup.INI.\r\n");
  EXPECT_EQ(FormatErrorReport("Exception", "langreg.exe", 0, "Done."),
            "Exception Exception in module langreg.exe at 00000000.\r\nDone.\r\n");
  EXPECT_EQ(FormatErrorReport("Exception", "m", 0xFFFFFFFF, ""), "Exception Exception in module m at FFFFFFFF.\r\n\r\n");
}

TEST(FormatErrorReport, TakesPathsWithPercentSignsLiterally) {
  EXPECT_EQ(FormatErrorReport("E", "m", 1, "Unable to write to C:\\%s%n"),
            "Exception E in module m at 00000001.\r\nUnable to write to C:\\%s%n.\r\n");
}
