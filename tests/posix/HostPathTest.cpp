#include "platform/posix/HostPath.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

class HostPathTest : public testing::Test {
protected:
  void SetUp() override {
    fs::create_directories("prefix/dosdevices");
    fs::create_directories("prefix/drive_c/WinDows");
    fs::create_directories("prefix/drive_c/app/bin");
    ::setenv("WINEPREFIX", (Folder.Get() / "prefix").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("WINEPREFIX"); }

  TTempFolder Folder;
};

TEST_F(HostPathTest, RelativePathsStartAtTheWorkingFolder) {
  WriteBytes("Init_LAN.INI", "");
  EXPECT_EQ(HostPathOf(".\\Init_LAN.INI"), "./Init_LAN.INI");
  EXPECT_EQ(HostPathOf("..\\Setup.INI"), "./../Setup.INI");
  EXPECT_EQ(HostPathOf("prefix\\drive_c\\app"), "./prefix/drive_c/app");
}

TEST_F(HostPathTest, NamesMatchIgnoringCaseExactNameFirstThenByteOrder) {
  WriteBytes("init_lan.ini", "");
  EXPECT_EQ(HostPathOf(".\\Init_LAN.INI"), "./init_lan.ini");
  WriteBytes("INIT_LAN.ini", "");
  EXPECT_EQ(HostPathOf(".\\Init_LAN.INI"), "./INIT_LAN.ini");
  WriteBytes("Init_LAN.INI", "");
  EXPECT_EQ(HostPathOf(".\\Init_LAN.INI"), "./Init_LAN.INI");
}

TEST_F(HostPathTest, MissingFileInExistingFolderMissingFolderIsNone) {
  EXPECT_EQ(HostPathOf(".\\Absent.INI"), "./Absent.INI");
  EXPECT_EQ(HostPathOf(".\\NoFolder\\Absent.INI"), std::nullopt);
  EXPECT_EQ(HostPathOf(""), std::nullopt);
}

TEST_F(HostPathTest, DriveCIsTheDosdevicesLinkElseDriveC) {
  const std::string Prefix = (Folder.Get() / "prefix").string();
  EXPECT_EQ(HostPathOf("C:\\WINDOWS\\KORVEL.INI"), Prefix + "/drive_c/WinDows/KORVEL.INI");
  fs::create_directory_symlink("../drive_c/app", "prefix/dosdevices/c:");
  EXPECT_EQ(HostPathOf("c:\\bin"), Prefix + "/dosdevices/c:/bin");
  EXPECT_EQ(HostPathOf("D:\\x.ini"), std::nullopt);
}

TEST_F(HostPathTest, PrefixDefaultsToDotWineInHome) {
  ::unsetenv("WINEPREFIX");
  const char* OldHome = std::getenv("HOME");
  const std::string SavedHome = OldHome ? OldHome : "";
  fs::create_directories("home/.wine/drive_c/windows");
  ::setenv("HOME", (Folder.Get() / "home").c_str(), 1);
  EXPECT_EQ(HostPathOf("C:\\WINDOWS\\KORVEL.INI"), (Folder.Get() / "home/.wine/drive_c/windows/KORVEL.INI").string());
  if (OldHome) ::setenv("HOME", SavedHome.c_str(), 1);
}

}  // namespace
