#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/IniDocument.h"

namespace {

using namespace std::string_literals;

struct TWriteCase {
  const char* Name;
  std::string Before;
  const char* Ident;
  const char* Value;
  std::string After;
};

void PrintTo(const TWriteCase& C, std::ostream* Out) { *Out << C.Name; }


class IniWriteCase : public testing::TestWithParam<TWriteCase> {};

TEST_P(IniWriteCase, ChangesOnlyTheTouchedLine) {
  const TWriteCase& Case = GetParam();
  TIniDocument Document(Case.Before);
  Document.SetValue("Language", Case.Ident, Case.Value);
  EXPECT_EQ(Document.Bytes(), Case.After);
  EXPECT_EQ(Document.Modified(), Case.Before != Case.After);
  // What was written reads back, from the new bytes too.
  EXPECT_EQ(Document.Value("Language", Case.Ident), Case.Value);
  EXPECT_EQ(TIniDocument(Document.Bytes()).Value("Language", Case.Ident), Case.Value);
}

std::string PrintName(const testing::TestParamInfo<TWriteCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Replace, IniWriteCase,
    testing::Values(
        TWriteCase{"KeepsSpacingAroundEquals", "[Language]\r\n  Number = 2  \r\nx=1\r\n", "Number", "3",
                   "[Language]\r\n  Number = 3\r\nx=1\r\n"},
        TWriteCase{"KeepsNameAsSpelled", "[language]\nNUMBER=2\n", "Number", "3", "[language]\nNUMBER=3\n"},
        TWriteCase{"ReplacesQuotedValue", "[Language]\nSelect=\"0\"\n", "Select", "2", "[Language]\nSelect=2\n"},
        TWriteCase{"EmptyValue", "[Language]\nSelect=\r\n", "Select", "2", "[Language]\nSelect=2\r\n"},
        TWriteCase{"OnlyTheFirstDuplicate", "[Language]\nSelect=0\nSelect=1\n", "Select", "2",
                   "[Language]\nSelect=2\nSelect=1\n"},
        TWriteCase{"OnlyTheFirstSection", "[Language]\nSelect=0\n[Language]\nSelect=0\n", "Select", "2",
                   "[Language]\nSelect=2\n[Language]\nSelect=0\n"},
        TWriteCase{"EntryWithoutEqualsGainsAValue", "[Language]\n  Number  \nNumber=5\n", "Number", "6",
                   "[Language]\n  Number=6\nNumber=5\n"},
        TWriteCase{"KeepsBytesAfterANul", "[Language]\nNumber=2\0tail\r\nx=1"s, "Number", "3",
                   "[Language]\nNumber=3\0tail\r\nx=1"s},
        TWriteCase{"SameValueAsReadChangesNothing", "[Language]\r\nSelect = \"2\" \r\n", "Select", "2",
                   "[Language]\r\nSelect = \"2\" \r\n"},
        TWriteCase{"KeepsUtf8Mark", "\xEF\xBB\xBF[Language]\nSelect=0\n", "Select", "1",
                   "\xEF\xBB\xBF[Language]\nSelect=1\n"}),
    PrintName);

INSTANTIATE_TEST_SUITE_P(
    Add, IniWriteCase,
    testing::Values(
        TWriteCase{"AfterTheLastEntryBeforeCommentsAndBlanks",
                   "[Language]\r\nNumber=1\r\n; tail\r\n\r\n[Other]\r\nx=1\r\n", "Select", "0",
                   "[Language]\r\nNumber=1\r\nSelect=0\r\n; tail\r\n\r\n[Other]\r\nx=1\r\n"},
        TWriteCase{"TakesTheBreakOfTheLineItFollows", "[Language]\r\na=1\nb=2\r[Other]\r\n", "c", "3",
                   "[Language]\r\na=1\nb=2\rc=3\r[Other]\r\n"},
        TWriteCase{"NoFinalBreakStaysWithout", "[Language]\nNumber=1", "Select", "0", "[Language]\nNumber=1\nSelect=0"},
        TWriteCase{"NoBreakAtAllUsesCrLf", "[Language]", "Select", "0", "[Language]\r\nSelect=0"},
        TWriteCase{"AfterAnEntryWithoutEquals", "[Language]\na=1\nstray\n\n", "b", "2",
                   "[Language]\na=1\nstray\nb=2\n\n"},
        TWriteCase{"KeepsOtherSectionsAndDuplicates",
                   "x=0\r\n[Language]\r\na=1\r\n[Language]\r\nb=1\r\n", "b", "2",
                   "x=0\r\n[Language]\r\na=1\r\nb=2\r\n[Language]\r\nb=1\r\n"},
        TWriteCase{"NewSectionAtTheEnd", "[Other]\nx=1\n", "Select", "0", "[Other]\nx=1\n[Language]\nSelect=0\n"},
        TWriteCase{"NewSectionAfterAnOpenLastLine", "[Other]\r\nx=1", "Select", "0",
                   "[Other]\r\nx=1\r\n[Language]\r\nSelect=0"}),
    PrintName);

TEST(IniWrite, Utf16FileIsWrittenInUtf16) {
  const std::string Before = "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0N\0=\0\x31\0\n\0"s;
  TIniDocument Document(Before);
  Document.SetValue("Language", "N", "2");
  Document.SetValue("Language", "S", "0");
  EXPECT_EQ(Document.Bytes(), "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0N\0=\0\x32\0\n\0S\0=\0\x30\0\n\0"s);
}

TEST(IniWrite, Utf16BigEndianIsWrittenInItsOwnByteOrder) {
  TIniDocument Document("\xFE\xFF\0[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0N\0=\0\x31\0\n"s);
  Document.SetValue("Language", "N", "2");
  Document.SetValue("Language", "S", "0");
  EXPECT_EQ(Document.Bytes(), "\xFE\xFF\0[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0N\0=\0\x32\0\n\0S\0=\0\x30\0\n"s);
}

TEST(IniWrite, Utf16OddByteAndUnpairedSurrogatesSurvive) {
  const std::string Before = "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0x\0=\0\x00\xD8\n\0N\0=\0\x31\0\x07"s;
  TIniDocument Document(Before);
  Document.SetValue("Language", "N", "2");
  std::string After = Before;
  After[After.size() - 3] = '\x32';
  EXPECT_EQ(Document.Bytes(), After);
}

TEST(IniWrite, SuccessiveWritesKeepEachOtherAndTheIndexRight) {
  TIniDocument Document("[Language]\r\nNumber=9\r\nSelect=0\r\n\r\n[Next]\r\nNumber=1\r\n");
  for (const char* Key : {"Descrip10", "File10", "DlgDll10"}) Document.SetValue("Language", Key, Key);
  Document.SetValue("Language", "Select", "9");
  Document.SetValue("Language", "Number", "10");
  Document.SetValue("Language", "File10", "again");
  EXPECT_EQ(Document.Bytes(),
            "[Language]\r\nNumber=10\r\nSelect=9\r\nDescrip10=Descrip10\r\nFile10=again\r\nDlgDll10=DlgDll10\r\n"
            "\r\n[Next]\r\nNumber=1\r\n");
  EXPECT_EQ(Document.Value("Next", "Number"), "1");
}

// Lists may hold spans of the document's bytes: a write made while one is
// held must leave its items as they were read, and the list must stay
// readable after the document is gone. Kept to lists of every kind of text.
TEST(IniWrite, ListsHeldAcrossWritesKeepWhatTheyRead) {
  const std::string Body = "[Language]\r\nNumber=9\r\nSelect = 0\r\nDescrip9=English\r\n";
  for (const std::string& Before : {Body, "\xEF\xBB\xBF"s + Body,
                                    "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0N\0u\0m\0b\0e\0r\0=\0\x39\0\n\0"s}) {
    SCOPED_TRACE(testing::PrintToString(Before));
    auto Document = std::make_unique<TIniDocument>(Before);
    TStringList Names, Lines;
    Document->KeyNames("Language", Names);
    Document->NameValueLines("Language", Lines);
    const auto Items = [](const TStringList& List) {
      std::vector<std::string> Result;
      for (int I = 0; I < List.Count(); ++I) Result.emplace_back(List[I]);
      return Result;
    };
    const std::vector<std::string> NamesRead = Items(Names), LinesRead = Items(Lines);
    ASSERT_EQ(NamesRead.front(), "Number");
    ASSERT_EQ(LinesRead.front(), "Number=9");

    // A write that changes nothing must not mark the document changed.
    EXPECT_FALSE(Document->SetValue("Language", "Number", "9"));
    EXPECT_FALSE(Document->Modified());
    // Longer at the top, so every later byte moves; then a new key.
    EXPECT_TRUE(Document->SetValue("Language", "Number", "10"));
    EXPECT_TRUE(Document->SetValue("Language", "Descrip10", "Russian"));
    EXPECT_EQ(Items(Names), NamesRead);
    EXPECT_EQ(Items(Lines), LinesRead);
    EXPECT_TRUE(Document->Modified());
    EXPECT_EQ(Document->Value("Language", "Number"), "10");
    TStringList After;
    Document->KeyNames("Language", After);
    EXPECT_EQ(After[After.Count() - 1], "Descrip10");
    EXPECT_FALSE(Document->SetValue("Language", "Number", "10"));
    EXPECT_TRUE(Document->Modified());

    Document.reset();
    EXPECT_EQ(Items(Names), NamesRead);
    EXPECT_EQ(Items(Lines), LinesRead);
  }
}

TEST(IniWrite, RefusesWhatWouldBreakTheFileStructure) {
  EXPECT_TRUE(TIniDocument::CanStore("Language", "Descrip3", "Russian"));
  EXPECT_TRUE(TIniDocument::CanStore("Language", "Select", ""));
  for (const auto& [Section, Ident, Value] : std::initializer_list<std::tuple<std::string, std::string, std::string>>{
           {"Language", "a=b", "1"}, {"Language", "a\nb", "1"}, {"Language", "a", "1\r2"}, {"Language", "a", "1\0"s},
           {"Language", "", "1"}, {"Language", "  ", "1"}, {"Language", ";a", "1"}, {"Language", "[a]", "1"},
           {"", "a", "1"}, {"Lang\nuage", "a", "1"}})
    EXPECT_FALSE(TIniDocument::CanStore(Section, Ident, Value)) << Ident << "/" << Value;
}

}  // namespace
