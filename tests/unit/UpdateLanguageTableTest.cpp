#include "language/UpdateLanguageTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Exception.h"
#include "platform/TIniFile.h"
#include "tests/support/TempFolder.h"

namespace {

const std::string Path = ".\\Case.INI";
const std::string OtherPath = ".\\Expected.INI";

std::string Lines(std::initializer_list<std::string> Items) {
  std::string Text;
  for (const std::string& Item : Items) Text += Item + "\r\n";
  return Text;
}

// The table as the platform reads it back: "name=value" lines in file order.
std::vector<std::string> ReadBack(const std::string& File) {
  TIniFile Ini(File);
  TStringList List;
  Ini.ReadSectionValues("Language", List);
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.emplace_back(List[I]);
  return Result;
}

void RunPass(bool UpdatesSelect) {
  TIniFile Ini(Path);
  UpdateLanguageTable(Ini, UpdatesSelect);
  Ini.UpdateFile();
}

const std::string EightKeys = Lines({"[Language]", "Number=2", "Select=0", "Descrip1=English", "File1=app_en",
                                     "DlgDll1=dll_en", "Descrip2=German", "File2=app_de", "DlgDll2=dll_de"});

struct TPassCase {
  const char* Name;
  std::string Before;
  bool UpdatesSelect;
  std::string After;  // the same bytes where nothing may be written
};

void PrintTo(const TPassCase& C, std::ostream* Out) { *Out << C.Name; }


class UpdateLanguageTableCase : public testing::TestWithParam<TPassCase> {
protected:
  TTempFolder Folder;
};

TEST_P(UpdateLanguageTableCase, LeavesTheExpectedTable) {
  const TPassCase& Case = GetParam();
  WriteBytes("Case.INI", Case.Before);
  RunPass(Case.UpdatesSelect);
  WriteBytes("Expected.INI", Case.After);
  EXPECT_EQ(ReadBack(Path), ReadBack(OtherPath));
#ifndef _WIN32
  // This host's layer also keeps every untouched byte.
  EXPECT_EQ(ReadBytes("Case.INI"), Case.After);
#endif
}

std::string PrintName(const testing::TestParamInfo<TPassCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Tables, UpdateLanguageTableCase,
    testing::Values(
        TPassCase{"TypicalTableGainsEntryThreeAndSelectsIt", EightKeys, true,
                  Lines({"[Language]", "Number=3", "Select=2", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en",
                         "Descrip2=German", "File2=app_de", "DlgDll2=dll_de", "Descrip3=Russian", "File3=app_ru",
                         "DlgDll3=dll_ru"})},
        TPassCase{"WithoutSelectOnlyNumberIsRaised", EightKeys, false,
                  Lines({"[Language]", "Number=3", "Select=0", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en",
                         "Descrip2=German", "File2=app_de", "DlgDll2=dll_de", "Descrip3=Russian", "File3=app_ru",
                         "DlgDll3=dll_ru"})},
        TPassCase{"RussianUnderAnyKeySelectsTheLastEntry",
                  Lines({"[Language]", "Number=4", "Select=0", "Descrip1=Russian", "File1=app_ru", "DlgDll1=dll_ru"}),
                  true,
                  Lines({"[Language]", "Number=4", "Select=3", "Descrip1=Russian", "File1=app_ru", "DlgDll1=dll_ru"})},
        TPassCase{"RussianFoundWithoutSelectWritesNothing",
                  Lines({"[Language]", "Number=4", "Select=0", "Descrip1=Russian", "File1=app_ru", "DlgDll1=dll_ru"}),
                  false,
                  Lines({"[Language]", "Number=4", "Select=0", "Descrip1=Russian", "File1=app_ru", "DlgDll1=dll_ru"})},
        TPassCase{"RussianWithoutNumberSelectsZero", Lines({"[Language]", "Descrip1=Russian"}), true,
                  Lines({"[Language]", "Descrip1=Russian", "Select=0"})},
        TPassCase{"QuotedRussianReadsAsRussian",
                  Lines({"[Language]", "Number=2", "Select=0", "Descrip1=English", "Descrip2=\"Russian\"", "a=1"}), true,
                  Lines({"[Language]", "Number=2", "Select=1", "Descrip1=English", "Descrip2=\"Russian\"", "a=1"})},
        TPassCase{"LetterCaseOfTheValueCounts",
                  Lines({"[Language]", "Number=2", "Select=0", "Descrip1=russian", "Descrip2=RUSSIAN", "x=1", "y=2"}),
                  true,
                  Lines({"[Language]", "Number=3", "Select=2", "Descrip1=russian", "Descrip2=RUSSIAN", "x=1", "y=2",
                         "Descrip3=Russian", "File3=app_ru", "DlgDll3=dll_ru"})},
        TPassCase{"FiveKeysAreTooFew",
                  Lines({"[Language]", "Number=1", "Select=0", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en"}),
                  true,
                  Lines({"[Language]", "Number=1", "Select=0", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en"})},
        TPassCase{"SixKeysOfAnyNameQualify",
                  Lines({"[Language]", "Number=1", "Select=0", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en",
                         "Extra=x"}),
                  true,
                  Lines({"[Language]", "Number=2", "Select=1", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en",
                         "Extra=x", "Descrip2=Russian", "File2=app_ru", "DlgDll2=dll_ru"})},
        TPassCase{"NoNumberKeyNoEntry", Lines({"[Language]", "a=1", "b=2", "c=3", "d=4", "e=5", "f=6"}), true,
                  Lines({"[Language]", "a=1", "b=2", "c=3", "d=4", "e=5", "f=6"})},
        TPassCase{"NumberInAnyLetterCase", Lines({"[Language]", "NUMBER=1", "a=1", "b=2", "c=3", "d=4", "e=5"}), false,
                  Lines({"[Language]", "NUMBER=2", "a=1", "b=2", "c=3", "d=4", "e=5", "Descrip2=Russian",
                         "File2=app_ru", "DlgDll2=dll_ru"})},
        TPassCase{"NumberNotAnIntegerCountsAsOneAndOverwritesEntryTwo",
                  Lines({"[Language]", "Number=abc", "Select=0", "Descrip2=Old", "File2=old", "DlgDll2=old", "z=1"}),
                  false,
                  Lines({"[Language]", "Number=2", "Select=0", "Descrip2=Russian", "File2=app_ru", "DlgDll2=dll_ru",
                         "z=1"})},
        TPassCase{"NumberZeroGivesEntryOne", Lines({"[Language]", "Number=0", "a=1", "b=2", "c=3", "d=4", "e=5"}), true,
                  Lines({"[Language]", "Number=1", "a=1", "b=2", "c=3", "d=4", "e=5", "Descrip1=Russian",
                         "File1=app_ru", "DlgDll1=dll_ru", "Select=0"})},
        TPassCase{"NegativeNumberNamesKeysWithAMinus",
                  Lines({"[Language]", "Number=-3", "a=1", "b=2", "c=3", "d=4", "e=5"}), false,
                  Lines({"[Language]", "Number=-2", "a=1", "b=2", "c=3", "d=4", "e=5", "Descrip-2=Russian",
                         "File-2=app_ru", "DlgDll-2=dll_ru"})},
        TPassCase{"HexadecimalNumber", Lines({"[Language]", "Number=0x10", "a=1", "b=2", "c=3", "d=4", "e=5"}), false,
                  Lines({"[Language]", "Number=17", "a=1", "b=2", "c=3", "d=4", "e=5", "Descrip17=Russian",
                         "File17=app_ru", "DlgDll17=dll_ru"})},
        TPassCase{"LargestNumberWrapsAround",
                  Lines({"[Language]", "Number=2147483647", "Select=0", "a=1", "b=2", "c=3", "d=4"}), true,
                  Lines({"[Language]", "Number=-2147483648", "Select=2147483647", "a=1", "b=2", "c=3", "d=4",
                         "Descrip-2147483648=Russian", "File-2147483648=app_ru", "DlgDll-2147483648=dll_ru"})},
        TPassCase{"LongValueIsNoMatch",
                  Lines({"[Language]", "Number=1", "Descrip1=Russian" + std::string(300, 'x'), "b=2", "c=3", "d=4",
                         "e=5"}),
                  false,
                  Lines({"[Language]", "Number=2", "Descrip1=Russian" + std::string(300, 'x'), "b=2", "c=3", "d=4",
                         "e=5", "Descrip2=Russian", "File2=app_ru", "DlgDll2=dll_ru"})},
        TPassCase{"SectionMissing", Lines({"[Other]", "Number=2", "a=1", "b=2", "c=3", "d=4", "e=5"}), true,
                  Lines({"[Other]", "Number=2", "a=1", "b=2", "c=3", "d=4", "e=5"})},
        TPassCase{"SectionWithoutKeys", Lines({"[Language]", "; nothing here", "", "[Other]", "a=1"}), true,
                  Lines({"[Language]", "; nothing here", "", "[Other]", "a=1"})}),
    PrintName);

class UpdateLanguageTableTest : public testing::Test {
protected:
  TTempFolder Folder;
};

TEST_F(UpdateLanguageTableTest, MissingFileIsNotCreated) {
  RunPass(true);
  EXPECT_FALSE(std::filesystem::exists("Case.INI"));
}

TEST_F(UpdateLanguageTableTest, SecondPassAddsNoSecondEntry) {
  WriteBytes("Case.INI", EightKeys);
  RunPass(true);
  const std::vector<std::string> AfterFirst = ReadBack(Path);
  const std::optional<std::string> Bytes = ReadBytes("Case.INI");
  RunPass(true);
  EXPECT_EQ(ReadBack(Path), AfterFirst);
  EXPECT_EQ(ReadBytes("Case.INI"), Bytes);
  RunPass(false);
  EXPECT_EQ(ReadBytes("Case.INI"), Bytes);
}

TEST_F(UpdateLanguageTableTest, ReadOnlyFileRaisesNamingThePathAsPassedAndStaysUnchanged) {
  WriteBytes("Case.INI", EightKeys);
  std::filesystem::permissions("Case.INI", std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                               std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  try {
    RunPass(true);
    FAIL() << "the write did not fail";
  } catch (const EIniFileException& E) {
    EXPECT_STREQ(E.what(), "Unable to write to .\\Case.INI");
    EXPECT_STREQ(E.ClassName(), "EIniFileException");
  }
  EXPECT_EQ(ReadBytes("Case.INI"), EightKeys);
}

// Records the pass's writes and can fail one of them, as a full disk would.
class TRecordingIniFile final : public TCustomIniFile {
public:
  TRecordingIniFile(TCustomIniFile& Wrapped, int FailOnWrite)
      : TCustomIniFile(Wrapped.FileName()), Inner(Wrapped), FailingWrite(FailOnWrite) {}
  std::string ReadString(std::string_view S, std::string_view I, std::string_view D) override {
    return Inner.ReadString(S, I, D);
  }
  void WriteString(std::string_view S, std::string_view I, std::string_view V) override {
    Writes.push_back(std::string(I) + "=" + std::string(V));
    if (static_cast<int>(Writes.size()) == FailingWrite) RaiseWriteError(FileName());
    Inner.WriteString(S, I, V);
  }
  void ReadSection(std::string_view S, TStringList& L) override { Inner.ReadSection(S, L); }
  void UpdateFile() override { Inner.UpdateFile(); }

  std::vector<std::string> Writes;

private:
  TCustomIniFile& Inner;
  int FailingWrite;
};

TEST_F(UpdateLanguageTableTest, WritesEntryKeysThenSelectThenNumber) {
  WriteBytes("Case.INI", EightKeys);
  TIniFile Ini(Path);
  TRecordingIniFile Recorder(Ini, 0);
  UpdateLanguageTable(Recorder, true);
  EXPECT_EQ(Recorder.Writes, (std::vector<std::string>{"Descrip3=Russian", "File3=app_ru", "DlgDll3=dll_ru",
                                                       "Select=2", "Number=3"}));
}

TEST_F(UpdateLanguageTableTest, FailedWriteMidPassLeavesTheFileWhole) {
  for (int FailingWrite = 1; FailingWrite <= 5; ++FailingWrite) {
    WriteBytes("Case.INI", EightKeys);
    {
      TIniFile Ini(Path);
      TRecordingIniFile Recorder(Ini, FailingWrite);
      EXPECT_THROW(UpdateLanguageTable(Recorder, true), EIniFileException);
      // Released without UpdateFile, as the run driver does on the error path.
    }
    WriteBytes("Expected.INI", EightKeys);
    EXPECT_EQ(ReadBack(Path), ReadBack(OtherPath)) << "write " << FailingWrite << " failed";
  }
}

}  // namespace
