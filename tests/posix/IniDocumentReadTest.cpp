#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/IniDocument.h"
#include "tests/support/Filler.h"

namespace {

using namespace std::string_literals;

std::vector<std::string> Names(TIniDocument& Document, std::string_view Section = "Language") {
  TStringList List;
  Document.KeyNames(Section, List);
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.emplace_back(List[I]);
  return Result;
}

struct TReadCase {
  const char* Name;
  std::string File;
  std::vector<std::string> KeyNames;                                // of [Language]
  std::vector<std::pair<std::string, std::optional<std::string>>> Values;  // ident, value read
};

void PrintTo(const TReadCase& C, std::ostream* Out) { *Out << C.Name; }


class IniReadCase : public testing::TestWithParam<TReadCase> {};

TEST_P(IniReadCase, ReadsAsThePlatformDoes) {
  TIniDocument Document(GetParam().File);
  EXPECT_EQ(Names(Document), GetParam().KeyNames);
  for (const auto& [Ident, Expected] : GetParam().Values) EXPECT_EQ(Document.Value("Language", Ident), Expected) << Ident;
  EXPECT_FALSE(Document.Modified());
}

// The same files while their bytes still arrive, a unit at a time: the walk
// that finds the section waits for each line whole, and a Unicode file is
// converted once all of it is there.
TEST_P(IniReadCase, ReadsTheSameWhileTheBytesArrive) {
  const std::string& File = GetParam().File;
  std::string Units;
  Units.reserve(File.size() + 64);  // a buffer of its own, which moves with the text
  Units.resize(File.size(), '\n');
  char* const Into = Units.data();
  TArrival Arrival(File.size());
  std::optional<TIniDocument> Document;
  {
    const TFiller Filler(File, Into, Arrival, 1);
    Document.emplace(std::move(Units), Arrival);
    Document->HasKeys("Language");
  }
  Document->Arrived();
  EXPECT_EQ(Names(*Document), GetParam().KeyNames);
  for (const auto& [Ident, Expected] : GetParam().Values) EXPECT_EQ(Document->Value("Language", Ident), Expected) << Ident;
  EXPECT_EQ(Document->Bytes(), File);
}

std::string PrintName(const testing::TestParamInfo<TReadCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadCase,
    testing::Values(
        TReadCase{"EveryKindOfLineBreak", "[Language]\r\na=1\nb=2\rc=3\r\n\n\rd=4", {"a", "b", "c", "d"},
                  {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        TReadCase{"NulEndsTheLineForReading", "[Language]\r\na=1\0b=2\r\nc=3\0\r\n"s, {"a", "c"},
                  {{"a", "1"}, {"b", std::nullopt}, {"c", "3"}}},
        TReadCase{"BlanksTrimmedButNotNbsp", "[Language]\n \t\v\f\x1A" "a \t= 1 \x1A\n\xA0" "b=\xA0" "2\xA0\n",
                  {"a", "\xA0" "b"}, {{"a", "1"}, {"\xA0" "b", "\xA0" "2\xA0"}, {"b", std::nullopt}}},
        TReadCase{"SemicolonCommentsHashIsAKey", "[Language]\n; x=1\n  ;y=2\n#z=3\na=1 ; note\n", {"#z", "a"},
                  {{"x", std::nullopt}, {"y", std::nullopt}, {"#z", "3"}, {"a", "1 ; note"}}},
        TReadCase{"HeaderNameBetweenFirstOpenAndLastClose", "  [ language ] ; x\na=1\n[Lang]uage]\nb=2\n", {"a"},
                  {{"a", "1"}, {"b", std::nullopt}}},
        TReadCase{"OpenBracketWithoutCloseIsAnEntry", "[Language]\na=1\n[Other\nb=2\n", {"a", "b"},
                  {{"[Other", std::nullopt}, {"b", "2"}}},
        TReadCase{"LinesBeforeTheFirstHeaderAreNotLanguage", "a=1\nb=2\n[Language]\nc=3\n", {"c"},
                  {{"a", std::nullopt}, {"c", "3"}}},
        TReadCase{"InnerBlanksOfNamesMustMatch", "[Two  Words]\na=1\n[Language]\nTwo  Words=2\n", {"Two  Words"},
                  {{"Two  Words", "2"}, {"Two Words", std::nullopt}, {"two  words", "2"}}},
        TReadCase{"OnlyTheFirstSectionOfANameCounts", "[Language]\na=1\n[Other]\n[LANGUAGE]\nb=2\na=9\n", {"a"},
                  {{"a", "1"}, {"b", std::nullopt}}},
        TReadCase{"SplitAtTheFirstEquals", "[Language]\nj = x = y\n", {"j"}, {{"j", "x = y"}}},
        TReadCase{"EntryWithoutEqualsHidesALaterValue", "[Language]\nNumber\nNumber=5\nx\n", {"Number"},
                  {{"Number", std::nullopt}, {"x", std::nullopt}}},
        TReadCase{"EmptyNameEndsTheList", "[Language]\na=1\n=2\nb=3\n", {"a"}, {{"a", "1"}, {"b", "3"}}},
        TReadCase{"DuplicatesListedFirstOneRead", "[Language]\na=1\nA=2\na=3\n", {"a", "A", "a"}, {{"a", "1"}}},
        TReadCase{"OnePairOfQuotesRemoved", "[Language]\na=\" v \"\nb=\"a\"b\"\nc=\"v'\nd=''\ne=\"\nf=\nk=\"\"\"\n",
                  {"a", "b", "c", "d", "e", "f", "k"},
                  {{"a", " v "}, {"b", "a\"b"}, {"c", "\"v'"}, {"d", ""}, {"e", "\""}, {"f", ""}, {"k", "\""}}},
        TReadCase{"BytesAboveAsciiPassThrough", "[Language]\nDescrip1=\xD0\xF3\xF1\n", {"Descrip1"},
                  {{"Descrip1", "\xD0\xF3\xF1"}}},
        TReadCase{"Utf8MarkIsRecognised", "\xEF\xBB\xBF[Language]\r\na=1\r\n", {"a"}, {{"a", "1"}}},
        TReadCase{"Utf16LittleEndianWithMark", "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\r\0\n\0a\0=\0\x42\x04\r\0\n\0"s,
                  {"a"}, {{"a", "\xD1\x82"}}},
        TReadCase{"Utf16WithoutMarkHasNoSection", "[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0a\0=\0\x31\0"s, {},
                  {{"a", std::nullopt}}},
        TReadCase{"Utf16BigEndianWithMark", "\xFE\xFF\0[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0a\0=\0\x31"s, {"a"},
                  {{"a", "1"}}},
        TReadCase{"Utf16BigEndianWithoutMarkHasNoSection", "\0[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0a\0=\0\x31"s,
                  {}, {{"a", std::nullopt}}},
        TReadCase{"EmptyFile", "", {}, {{"a", std::nullopt}}}),
    PrintName);

TEST(IniRead, KeyLookupFindsNamesIgnoringAsciiCaseOnly) {
  TIniDocument Document("[Language]\nNumber=2\n\xC4x=1\n");
  EXPECT_EQ(Document.Value("LANGUAGE", " number "), "2");
  EXPECT_EQ(Document.Value("Language", "\xE4X"), std::nullopt);
  EXPECT_EQ(Document.Value("Language", "\xC4X"), "1");
}

TEST(IniRead, NameValueLinesUseTheFirstEntryOfEachListedName) {
  TIniDocument Document("[Language]\nNumber\nNumber=5\na = \"x\"\na=2\n");
  TStringList Lines;
  Document.NameValueLines("Language", Lines);
  ASSERT_EQ(Lines.Count(), 3);
  EXPECT_EQ(Lines[0], "Number=");
  EXPECT_EQ(Lines[1], "a=x");
  EXPECT_EQ(Lines[2], "a=x");
}

TEST(IniRead, LargeSectionIsIndexedNotScannedPerKey) {
  std::string File = "[Language]\n";
  for (int I = 0; I < 200000; ++I) File += "Key" + std::to_string(I) + "=v" + std::to_string(I) + "\n";
  TIniDocument Document(std::move(File));
  TStringList Lines;
  Document.NameValueLines("Language", Lines);
  ASSERT_EQ(Lines.Count(), 200000);
  EXPECT_EQ(Lines[199999], "Key199999=v199999");
  EXPECT_EQ(Document.Value("Language", "key123456"), "v123456");
}

}  // namespace
