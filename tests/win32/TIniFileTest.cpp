// The Windows INI file object over the profile functions: whole reads, the
// write error, and a pass that reaches the file all or not at all.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/Exception.h"
#include "platform/TIniFile.h"

namespace {

std::optional<std::string> Bytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  if (!In) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(In), {});
}

void Put(const std::string& Path, const std::string& Text) {
  std::ofstream(Path, std::ios::binary | std::ios::trunc) << Text;
}

const std::string Table =
    "; kept as it is\r\n[Language]\r\nNumber = 2\r\nSelect=0\r\nDescrip1=English\r\n"
    "\r\n[Other]\r\nk=v\r\n";

class Win32IniFileTest : public testing::Test {
protected:
  void SetUp() override {
    char Temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, Temp), 0u);
    char Name[MAX_PATH];
    ASSERT_NE(GetTempFileNameA(Temp, "lrg", 0, Name), 0u);
    DeleteFileA(Name);
    ASSERT_TRUE(CreateDirectoryA(Name, nullptr));
    Folder = Name;
    Path = Folder + "\\Init_LAN.INI";
  }
  void TearDown() override {
    SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(Path.c_str());
    RemoveDirectoryA(Folder.c_str());
  }
  void MakeReadOnly() { ASSERT_TRUE(SetFileAttributesA(Path.c_str(), FILE_ATTRIBUTE_READONLY)); }
  // The message must name the path exactly as the object was given it.
  void ExpectWriteError(TIniFile& Ini, const char* Ident, const char* Value) {
    try {
      Ini.WriteString("Language", Ident, Value);
      ADD_FAILURE() << "write of " << Ident << " did not fail";
    } catch (const EIniFileException& E) {
      EXPECT_EQ(std::string(E.what()), "Unable to write to " + Ini.FileName());
    }
  }

  std::string Folder;
  std::string Path;
};

TEST_F(Win32IniFileTest, ReadsKeyListAndValuesOfAnyLength) {
  std::string Text = "[Language]\r\n";
  for (int I = 0; I < 3000; ++I) Text += "LongKeyName" + std::to_string(I) + "=v\r\n";
  const std::string Long(100000, 'r');
  Text += "Long=" + Long + "\r\n";
  Put(Path, Text);
  TIniFile Ini(Path);
  TStringList Names;
  Ini.ReadSection("Language", Names);
  ASSERT_EQ(Names.Count(), 3001);
  EXPECT_EQ(Names[0], "LongKeyName0");
  EXPECT_EQ(Names[2999], "LongKeyName2999");
  EXPECT_EQ(Ini.ReadString("Language", "Long", ""), Long);
}

TEST_F(Win32IniFileTest, DefaultComesBackExactlyOnlyForAMissingKey) {
  Put(Path, "[Language]\r\nEmpty=\r\nMarker=\x01\r\n");
  TIniFile Ini(Path);
  EXPECT_EQ(Ini.ReadString("Language", "Missing", " d  "), " d  ");
  EXPECT_EQ(Ini.ReadString("Language", "Empty", "d"), "");
  EXPECT_EQ(Ini.ReadString("Language", "Marker", "d"), "\x01");
  EXPECT_EQ(Ini.ReadString(std::string_view("Lang\0uage", 9), "Empty", "d"), "d");
}

TEST_F(Win32IniFileTest, KeyListEndsAtAnEmptyName) {
  Put(Path, "[Language]\r\nA=1\r\n=2\r\nB=3\r\n");
  TIniFile Ini(Path);
  TStringList Names;
  Ini.ReadSection("Language", Names);
  ASSERT_EQ(Names.Count(), 1);
  EXPECT_EQ(Names[0], "A");
}

TEST_F(Win32IniFileTest, CommittedPassKeepsItsWrites) {
  Put(Path, Table);
  {
    TIniFile Ini(Path);
    Ini.WriteString("Language", "Descrip3", "Russian");
    Ini.WriteInteger("Language", "Number", 3);
    Ini.UpdateFile();
  }
  TIniFile Ini(Path);
  EXPECT_EQ(Ini.ReadString("Language", "Descrip3", ""), "Russian");
  EXPECT_EQ(Ini.ReadInteger("Language", "Number", 0), 3);
  EXPECT_EQ(Ini.ReadString("Other", "k", ""), "v");
}

TEST_F(Win32IniFileTest, ReadOnlyFileRaisesAndStaysAsItWas) {
  Put(Path, Table);
  MakeReadOnly();
  TIniFile Ini(Path);
  ExpectWriteError(Ini, "Number", "3");
  EXPECT_EQ(Bytes(Path), Table);
}

TEST_F(Win32IniFileTest, MissingFolderRaisesAndCreatesNothing) {
  const std::string Missing = Folder + "\\no\\Init_LAN.INI";
  TIniFile Ini(Missing);
  ExpectWriteError(Ini, "Number", "3");
  EXPECT_EQ(GetFileAttributesA((Folder + "\\no").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32IniFileTest, LaterFailedWritePutsTheKeptBytesBack) {
  Put(Path, Table);
  TIniFile Ini(Path);
  Ini.WriteString("Language", "Descrip3", "Russian");
  Ini.WriteString("Language", "File3", "app_ru");
  MakeReadOnly();
  ExpectWriteError(Ini, "DlgDll3", "dll_ru");
  EXPECT_EQ(Bytes(Path), Table);
  EXPECT_NE(GetFileAttributesA(Path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  // The platform's own reading agrees, whatever it may have cached.
  EXPECT_EQ(TIniFile(Path).ReadString("Language", "Descrip3", "none"), "none");
}

TEST_F(Win32IniFileTest, RefusedWriteAlsoPutsTheKeptBytesBack) {
  Put(Path, Table);
  TIniFile Ini(Path);
  Ini.WriteString("Language", "Descrip3", "Russian");
  ExpectWriteError(Ini, "File3", "app_ru\r\n[Injected]");
  ExpectWriteError(Ini, "File3=x", "app_ru");
  EXPECT_EQ(Bytes(Path), Table);
}

TEST_F(Win32IniFileTest, ReleaseWithoutUpdateFileUndoesThePass) {
  Put(Path, Table);
  {
    TIniFile Ini(Path);
    Ini.WriteString("Language", "Descrip3", "Russian");
  }
  EXPECT_EQ(Bytes(Path), Table);
  EXPECT_EQ(TIniFile(Path).ReadString("Language", "Descrip3", "none"), "none");
}

TEST_F(Win32IniFileTest, ReleaseWithoutUpdateFileRemovesAFileThePassCreated) {
  {
    TIniFile Ini(Path);
    Ini.WriteString("Language", "Number", "1");
    ASSERT_TRUE(Bytes(Path));
  }
  EXPECT_FALSE(Bytes(Path));
}

TEST_F(Win32IniFileTest, UpdateFileStartsANewPass) {
  Put(Path, Table);
  TIniFile Ini(Path);
  Ini.WriteString("Language", "Descrip3", "Russian");
  Ini.UpdateFile();
  const std::optional<std::string> Committed = Bytes(Path);
  Ini.WriteString("Language", "File3", "app_ru");
  MakeReadOnly();
  ExpectWriteError(Ini, "DlgDll3", "dll_ru");
  EXPECT_EQ(Bytes(Path), Committed);
}

}  // namespace
