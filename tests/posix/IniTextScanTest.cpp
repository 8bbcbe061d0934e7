#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/IniDocument.h"

// Lines are scanned many bytes at a time. Each case is read at every offset
// within such a step, and with the file ending right after it or not, so a
// stop, "=" or NUL on either side of a step boundary is read the same.
namespace {

using namespace std::string_literals;

struct TScanCase {
  const char* Name;
  std::string Lines;                    // the body of [Language]
  std::vector<std::string> KeyNames;    // as listed
  std::vector<std::string> NameValues;  // "name=value" lines as listed
  std::vector<std::pair<std::string, std::optional<std::string>>> Values;
};

void PrintTo(const TScanCase& C, std::ostream* Out) { *Out << C.Name; }

std::vector<std::string> Items(const TStringList& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.emplace_back(List[I]);
  return Result;
}

const std::string LongName = "Descrip_abcdefghijklmnopqrstuvwxyz0123456789";
const std::string LongValue = "Deutsch (Deutschland) with a value longer than a step";

const TScanCase Cases[] = {
    {"LongNameAndValue", LongName + "=" + LongValue + "\r\n", {LongName}, {LongName + "=" + LongValue},
     {{LongName, LongValue}, {"descrip_ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", LongValue}}},
    {"NulBeforeEqualLeavesNoValue", "LongEnoughName_0123456789\0=hidden=x\r\nNext=1\r\n"s, {"Next"}, {"Next=1"},
     {{"LongEnoughName_0123456789", std::nullopt}, {"Next", "1"}}},
    {"NulInValueEndsIt", "Key=value_0123456789\0abc=def\nOther=2\n"s, {"Key", "Other"}, {"Key=value_0123456789", "Other=2"},
     {{"Key", "value_0123456789"}, {"Other", "2"}}},
    {"LoneCarriageReturns", "First_0123456789=1\rSecond=2\rThird_0123456789012345=3\r", {"First_0123456789", "Second",
     "Third_0123456789012345"}, {"First_0123456789=1", "Second=2", "Third_0123456789012345=3"}, {{"Second", "2"}}},
    {"BlanksAndQuotes", " \t Spaced  Name \v= \f\"quoted value\"\x1A \r\n", {"Spaced  Name"}, {"Spaced  Name=quoted value"},
     {{"SPACED  NAME", "quoted value"}, {"Spaced Name", std::nullopt}}},
    {"EqualFirstAfterBlanks", "    =value_0123456789\r\nAfter=1\r\n", {}, {}, {{"After", "1"}}},
    {"EmptyValues", "Empty_0123456789=\r\nBlank=   \r\nQuoted=\"\"\r\n", {"Empty_0123456789", "Blank", "Quoted"},
     {"Empty_0123456789=", "Blank=", "Quoted="}, {{"Empty_0123456789", ""}, {"Blank", ""}, {"Quoted", ""}}},
    {"CommentsAndOddBrackets", "; a comment = with a sign_0123456789\r\n[Odd_0123456789=1\r\n", {"[Odd_0123456789"},
     {"[Odd_0123456789=1"}, {{"[Odd_0123456789", "1"}, {"; a comment", std::nullopt}}},
    {"DuplicatesReadTheFirst", "Dup_0123456789=first\r\ndup_0123456789=second\r\n", {"Dup_0123456789", "dup_0123456789"},
     {"Dup_0123456789=first", "dup_0123456789=first"}, {{"DUP_0123456789", "first"}}},
    {"ValuelessFirstEntry", "Bare_0123456789\r\nBare_0123456789=5\r\n", {"Bare_0123456789"}, {"Bare_0123456789="},
     {{"Bare_0123456789", std::nullopt}}},
    {"ShortLinesShareAStep", "A\r\nA=1\nK\0=x\rK=2\r\nB=3\r\n"s, {"A", "K", "B"}, {"A=", "K=", "B=3"},
     {{"A", std::nullopt}, {"K", std::nullopt}, {"B", "3"}}},
    {"HighBytesAndHash", "#Name\xA0\xC3\xA9_0123456789=v\xA0\r\n", {"#Name\xA0\xC3\xA9_0123456789"},
     {"#Name\xA0\xC3\xA9_0123456789=v\xA0"}, {{"#name\xA0\xC3\xA9_0123456789", "v\xA0"}}},
};

class IniTextScan : public testing::TestWithParam<TScanCase> {};

TEST_P(IniTextScan, ReadsTheSameAtEveryOffset) {
  const TScanCase& Case = GetParam();
  for (std::size_t Shift = 0; Shift < 40; ++Shift) {
    for (const std::string& Trailer : {""s, "\r\n[Window]\r\nLeft=10\r\n"s}) {
      // The comment's length moves the section against the scan's steps.
      std::string Lines = Case.Lines;
      if (Trailer.empty()) Lines.erase(Lines.find_last_not_of("\r\n") + 1);
      TIniDocument Document("; " + std::string(Shift, 'x') + "\r\n[Language]\r\n" + Lines + Trailer);
      TStringList List;
      Document.KeyNames("Language", List);
      EXPECT_EQ(Items(List), Case.KeyNames) << "shift " << Shift << ", trailer " << !Trailer.empty();
      Document.NameValueLines("Language", List);
      EXPECT_EQ(Items(List), Case.NameValues) << "shift " << Shift << ", trailer " << !Trailer.empty();
      for (const auto& [Ident, Expected] : Case.Values)
        EXPECT_EQ(Document.Value("Language", Ident), Expected) << Ident << ", shift " << Shift;
    }
  }
}

std::string PrintName(const testing::TestParamInfo<TScanCase>& Info) { return Info.param.Name; }

INSTANTIATE_TEST_SUITE_P(Lines, IniTextScan, testing::ValuesIn(Cases), PrintName);

}  // namespace
