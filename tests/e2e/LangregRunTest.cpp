#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>

#include "tests/e2e/Report.h"
#include "tests/e2e/Tree.h"
#include "tests/support/Immutable.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using TTarget = TTree::TTarget;

std::string Lines(std::initializer_list<std::string> Items) {
  std::string Text;
  for (const std::string& Item : Items) Text += Item + "\r\n";
  return Text;
}

const std::string EightKeys = Lines({"[Language]", "Number=2", "Select=0", "Descrip1=English", "File1=app_en",
                                     "DlgDll1=dll_en", "Descrip2=German", "File2=app_de", "DlgDll2=dll_de"});
const std::string WithEntryThree = Lines({"[Language]", "Number=3", "Select=2", "Descrip1=English", "File1=app_en",
                                          "DlgDll1=dll_en", "Descrip2=German", "File2=app_de", "DlgDll2=dll_de",
                                          "Descrip3=Russian", "File3=app_ru", "DlgDll3=dll_ru"});
const std::string WithEntryThreeNoSelect =
    Lines({"[Language]", "Number=3", "Select=0", "Descrip1=English", "File1=app_en", "DlgDll1=dll_en",
           "Descrip2=German", "File2=app_de", "DlgDll2=dll_de", "Descrip3=Russian", "File3=app_ru", "DlgDll3=dll_ru"});
const std::string ListsRussian =
    Lines({"; kept as it is", "[Language]", "Number=1", "Select=0", "Descrip1=Russian", "File1=app_ru", "DlgDll1=dll_ru"});

void ExpectFile(const TTree& Tree, TTarget Target, const std::optional<std::string>& Expected) {
  const std::optional<std::string> Actual = Tree.Read(Target);
  if (!Expected) {
    EXPECT_FALSE(Actual.has_value()) << Tree.HostPath(Target) << " was created";
    return;
  }
  ASSERT_TRUE(Actual.has_value()) << Tree.HostPath(Target) << " is gone";
  if (TTree::ComparesAsProfile()) {
    EXPECT_EQ(ProfileView(*Actual), ProfileView(*Expected)) << Tree.HostPath(Target);
  } else {
    EXPECT_EQ(*Actual, *Expected) << Tree.HostPath(Target);
  }
}

void ExpectWriteFailureReport(const TTree::TRun& Run, const std::string& Path) {
  ::ExpectWriteFailureReport(Run.Status, Run.Out, Run.Err, Path);
}


struct TRunCase {
  const char* Name;
  std::optional<std::string> InitLan, Korvel, Setup;                 // before
  std::optional<std::string> InitLanAfter, KorvelAfter, SetupAfter;  // after
};

void PrintTo(const TRunCase& C, std::ostream* Out) { *Out << C.Name; }


class RunCase : public testing::TestWithParam<TRunCase> {};

TEST_P(RunCase, UpdatesEachQualifyingTableAndPrintsNothing) {
  const TRunCase& Case = GetParam();
  TTree Tree;
  if (Case.InitLan) Tree.Write(TTree::InitLan, *Case.InitLan);
  if (Case.Korvel) Tree.Write(TTree::Korvel, *Case.Korvel);
  if (Case.Setup) Tree.Write(TTree::Setup, *Case.Setup);
  const TTree::TRun Run = Tree.Run();
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "");
  EXPECT_EQ(Run.Err, "");
  ExpectFile(Tree, TTree::InitLan, Case.InitLanAfter);
  ExpectFile(Tree, TTree::Korvel, Case.KorvelAfter);
  ExpectFile(Tree, TTree::Setup, Case.SetupAfter);

  // Started again over the same files, it changes no byte.
  const std::optional<std::string> Before[] = {Tree.Read(TTree::InitLan), Tree.Read(TTree::Korvel),
                                               Tree.Read(TTree::Setup)};
  EXPECT_EQ(Tree.Run().Status, 0);
  EXPECT_EQ(Tree.Read(TTree::InitLan), Before[0]);
  EXPECT_EQ(Tree.Read(TTree::Korvel), Before[1]);
  EXPECT_EQ(Tree.Read(TTree::Setup), Before[2]);
}

std::string PrintName(const testing::TestParamInfo<TRunCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Trees, RunCase,
    testing::Values(
        TRunCase{"NoFilesAtAll", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        TRunCase{"TypicalRun", EightKeys, std::nullopt, ListsRussian, WithEntryThree, std::nullopt, ListsRussian},
        TRunCase{"OnlySetupQualifiesAndGetsNoSelect", std::nullopt, std::nullopt, EightKeys, std::nullopt,
                 std::nullopt, WithEntryThreeNoSelect},
        TRunCase{"AllThreeQualify", EightKeys, EightKeys, EightKeys, WithEntryThree, WithEntryThree,
                 WithEntryThreeNoSelect},
        TRunCase{"RussianListedSelectsInTheFirstTwoOnly",
                 Lines({"[Language]", "Number=4", "Select=0", "Descrip2=Russian"}),
                 Lines({"[Language]", "Number=5", "Descrip1=Russian"}),
                 Lines({"[Language]", "Number=4", "Select=0", "Descrip2=Russian"}),
                 Lines({"[Language]", "Number=4", "Select=3", "Descrip2=Russian"}),
                 Lines({"[Language]", "Number=5", "Descrip1=Russian", "Select=4"}),
                 Lines({"[Language]", "Number=4", "Select=0", "Descrip2=Russian"})},
        TRunCase{"TablesThatDoNotQualifyStayAsTheyAre",
                 Lines({"[Language]", "Number=1", "Select=0", "Descrip1=English", "File1=a", "DlgDll1=b"}),
                 Lines({"[Other]", "Number=1", "a=1", "b=1", "c=1", "d=1", "e=1"}), Lines({"[Language]"}),
                 Lines({"[Language]", "Number=1", "Select=0", "Descrip1=English", "File1=a", "DlgDll1=b"}),
                 Lines({"[Other]", "Number=1", "a=1", "b=1", "c=1", "d=1", "e=1"}), Lines({"[Language]"})}),
    PrintName);

// Text of the same lines in UTF-16 with its mark, either byte order.
std::string Utf16(const std::string& Ascii, bool BigEndian) {
  std::string Bytes = BigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char C : Ascii) {
    Bytes += BigEndian ? '\0' : C;
    Bytes += BigEndian ? C : '\0';
  }
  return Bytes;
}

// Files as Windows programs leave them: each must come out the same on both builds.
const TRunCase FormatCases[] = {
    {"Utf16LittleEndian", Utf16(EightKeys, false), std::nullopt, std::nullopt,
     Utf16(WithEntryThree, false), std::nullopt, std::nullopt},
    {"Utf16BigEndian", Utf16(EightKeys, true), std::nullopt, std::nullopt, Utf16(WithEntryThree, true),
     std::nullopt, std::nullopt},
    {"Utf8Mark", "\xEF\xBB\xBF" + EightKeys, std::nullopt, std::nullopt, "\xEF\xBB\xBF" + WithEntryThree,
     std::nullopt, std::nullopt},
    {"CommentsSpacingQuotesAndOtherSections",
     Lines({"; settings", "[Window]", "Number=9", "", "  [ language ]  ; the table", "Number = \"2\"",
            "Select=0", "Descrip1 = English", "File1=app_en", "DlgDll1=dll_en", "Descrip2=German", "; more later",
            "", "[Other]", "Descrip1=Russian"}),
     std::nullopt, std::nullopt,
     Lines({"; settings", "[Window]", "Number=9", "", "  [ language ]  ; the table", "Number = 3", "Select=2",
            "Descrip1 = English", "File1=app_en", "DlgDll1=dll_en", "Descrip2=German", "Descrip3=Russian",
            "File3=app_ru", "DlgDll3=dll_ru", "; more later", "", "[Other]", "Descrip1=Russian"}),
     std::nullopt, std::nullopt},
    {"OnlyTheFirstLanguageSectionCounts", EightKeys + Lines({"[LANGUAGE]", "Descrip9=Russian"}), std::nullopt,
     std::nullopt, WithEntryThree + Lines({"[LANGUAGE]", "Descrip9=Russian"}), std::nullopt, std::nullopt},
    {"LineWithoutEqualsHidesTheNumber",
     Lines({"[Language]", "Number", "Number=7", "Select=0", "Descrip2=English", "File2=app_en", "DlgDll2=dll_en",
            "x=1"}),
     std::nullopt, std::nullopt,
     Lines({"[Language]", "Number=2", "Number=7", "Select=1", "Descrip2=Russian", "File2=app_ru", "DlgDll2=dll_ru",
            "x=1"}),
     std::nullopt, std::nullopt},
    {"EmptyNameHidesTheWholeTable",
     Lines({"[Language]", "=x", "Number=2", "Select=0", "Descrip1=English", "File1=a", "DlgDll1=b", "c=1"}),
     std::nullopt, std::nullopt,
     Lines({"[Language]", "=x", "Number=2", "Select=0", "Descrip1=English", "File1=a", "DlgDll1=b", "c=1"}),
     std::nullopt, std::nullopt},
    {"MixedLineBreaksAndNoFinalBreak",
     "[Language]\nNumber=2\r\nSelect=0\rDescrip1=English\nFile1=a\nDlgDll1=b\nDescrip2=German", std::nullopt,
     std::nullopt,
     "[Language]\nNumber=3\r\nSelect=2\rDescrip1=English\nFile1=a\nDlgDll1=b\nDescrip2=German\n"
     "Descrip3=Russian\nFile3=app_ru\nDlgDll3=dll_ru",
     std::nullopt, std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Formats, RunCase, testing::ValuesIn(FormatCases), PrintName);

class RunTest : public testing::Test {
protected:
  TTree Tree;
};

TEST_F(RunTest, ArgumentsChangeNothing) {
  Tree.Write(TTree::InitLan, EightKeys);
  const TTree::TRun Run = Tree.Run({"--help", "-v", "/?", "x"});
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Out, "");
  EXPECT_EQ(Run.Err, "");
  ExpectFile(Tree, TTree::InitLan, WithEntryThree);
}

TEST_F(RunTest, FileNamesMatchIgnoringLetterCase) {
  WriteBytes(Tree.WorkFolder() / "init_lan.ini", EightKeys);
  EXPECT_EQ(Tree.Run().Status, 0);
  EXPECT_FALSE(fs::exists(Tree.HostPath(TTree::InitLan)));
  const std::optional<std::string> Updated = ReadBytes(Tree.WorkFolder() / "init_lan.ini");
  ASSERT_TRUE(Updated.has_value());
  if (TTree::ComparesAsProfile()) {
    EXPECT_EQ(ProfileView(*Updated), ProfileView(WithEntryThree));
  } else {
    EXPECT_EQ(*Updated, WithEntryThree);
  }
}

TEST_F(RunTest, AnotherWorkingFolderMeansOtherFirstAndThirdFiles) {
  Tree.Write(TTree::InitLan, EightKeys);
  Tree.Write(TTree::Korvel, EightKeys);
  const fs::path Elsewhere = Tree.WorkFolder().parent_path() / "other" / "bin";
  fs::create_directories(Elsewhere);
  WriteBytes(Elsewhere / "Init_LAN.INI", EightKeys);
  WriteBytes(Elsewhere.parent_path() / "Setup.INI", EightKeys);
  EXPECT_EQ(Tree.Run({}, Elsewhere).Status, 0);
  ExpectFile(Tree, TTree::InitLan, EightKeys);
  ExpectFile(Tree, TTree::Korvel, WithEntryThree);
  ExpectFile(Tree, TTree::Setup, std::nullopt);
  EXPECT_EQ(ReadBytes(Elsewhere / "Init_LAN.INI"), WithEntryThree);
  EXPECT_EQ(ReadBytes(Elsewhere.parent_path() / "Setup.INI"), WithEntryThreeNoSelect);
}

// The third target read ahead while the second is committed must still see
// the second's update when both are one file.
TEST_F(RunTest, OneFileReachedAsTwoTargetsIsUpdatedOnce) {
  // Large enough to be read ahead.
  std::string Padding = "[Padding]\r\n";
  while (Padding.size() < (std::size_t(5) << 20)) Padding += "; keeps the file large\r\n";
  for (const bool Symbolic : {false, true}) {
    SCOPED_TRACE(Symbolic ? "symbolic link" : "hard link");
    Tree.Write(TTree::Korvel, EightKeys + Padding);
    fs::remove(Tree.HostPath(TTree::Setup));
    if (Symbolic) {
      fs::create_symlink(Tree.HostPath(TTree::Korvel), Tree.HostPath(TTree::Setup));
    } else {
      fs::create_hard_link(Tree.HostPath(TTree::Korvel), Tree.HostPath(TTree::Setup));
    }
    EXPECT_EQ(Tree.Run().Status, 0);
    ExpectFile(Tree, TTree::Korvel, WithEntryThree + Padding);
    ExpectFile(Tree, TTree::Setup, WithEntryThree + Padding);
  }
}

TEST_F(RunTest, ReadOnlyFirstTargetEndsTheRunWithTheReport) {
  Tree.Write(TTree::InitLan, EightKeys);
  Tree.Write(TTree::Korvel, EightKeys);
  Tree.Write(TTree::Setup, EightKeys);
  TImmutable Lock(Tree.HostPath(TTree::InitLan));
  if (!Lock.Active) GTEST_SKIP() << "cannot make a file immutable here";
  ExpectWriteFailureReport(Tree.Run(), ".\\Init_LAN.INI");
  ExpectFile(Tree, TTree::InitLan, EightKeys);
  ExpectFile(Tree, TTree::Korvel, EightKeys);
  ExpectFile(Tree, TTree::Setup, EightKeys);
}

TEST_F(RunTest, FailureAtTheThirdTargetKeepsTheEarlierUpdates) {
  Tree.Write(TTree::InitLan, EightKeys);
  Tree.Write(TTree::Korvel, EightKeys);
  Tree.Write(TTree::Setup, EightKeys);
  TImmutable Lock(Tree.HostPath(TTree::Setup));
  if (!Lock.Active) GTEST_SKIP() << "cannot make a file immutable here";
  ExpectWriteFailureReport(Tree.Run(), "..\\Setup.INI");
  ExpectFile(Tree, TTree::InitLan, WithEntryThree);
  ExpectFile(Tree, TTree::Korvel, WithEntryThree);
  ExpectFile(Tree, TTree::Setup, EightKeys);
}

TEST_F(RunTest, SelectThatNeedsNoChangeStillFailsOnAReadOnlyFile) {
  Tree.Write(TTree::Korvel, Lines({"[Language]", "Number=1", "Select=0", "Descrip1=Russian"}));
  TImmutable Lock(Tree.HostPath(TTree::Korvel));
  if (!Lock.Active) GTEST_SKIP() << "cannot make a file immutable here";
  ExpectWriteFailureReport(Tree.Run(), "C:\\WINDOWS\\KORVEL.INI");
}

}  // namespace
