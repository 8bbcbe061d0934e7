#include <gtest/gtest.h>

#include <string>

#include "platform/posix/IniDocument.h"
#include "platform/posix/IniText.h"

namespace {

struct TShape {
  const char* Name;
  const char* Break;
  bool Duplicates;  // every tenth name repeats an earlier one
};

void PrintTo(const TShape& Shape, std::ostream* Out) { *Out << Shape.Name; }

std::string Section(int Keys, const TShape& Shape) {
  std::string Text = std::string("[Language]") + Shape.Break + "Number=" + std::to_string(Keys) + Shape.Break;
  for (int I = 1; I < Keys; ++I) {
    const int Name = Shape.Duplicates && I % 10 == 0 ? I / 10 : I;
    Text += "Key" + std::to_string(Name) + "=v" + std::to_string(I) + Shape.Break;
  }
  // With lone CRs above, these few LFs make the index's first size too small.
  return Text + "\n[Other]\nx=1\n";
}

// Lines parsed by the operations of one pass over a section of that size.
std::size_t LinesParsedByAPass(int Keys, const TShape& Shape) {
  TIniText<char> Text(Section(Keys, Shape));
  bool Any = false;
  Text.ForEachKeyName("Language", [&](std::string_view) {
    Any = true;
    return false;
  });
  int Listed = 0;
  Text.ForEachKeyValue("Language", [&](std::string_view, auto Value) { Listed += Value.has_value(); });
  Text.ForEachKeyName("Language", [&](std::string_view) {});
  EXPECT_TRUE(Any);
  EXPECT_EQ(Listed, Keys);
  EXPECT_EQ(Text.Value("Language", "Number"), std::to_string(Keys));
  for (const char* Key : {"Descrip", "File", "DlgDll"}) Text.SetValue("Language", Key + std::to_string(Keys), "x");
  Text.SetValue("Language", "Select", "0");
  Text.SetValue("Language", "Number", std::to_string(Keys + 1));
  EXPECT_EQ(Text.Value("Language", "Key7"), "v7");
  EXPECT_EQ(Text.Value("Language", "Number"), std::to_string(Keys + 1));
  EXPECT_EQ(Text.Value("Other", "x"), "1");
  return Text.LinesParsed();
}

class IniTextScaling : public testing::TestWithParam<TShape> {};

// Counts work instead of timing it: a lookup that walked the section per
// listed name would parse a line count growing with the square of the size.
TEST_P(IniTextScaling, APassParsesEachLineAFewTimes) {
  for (const int Keys : {1000, 10000}) {
    const std::size_t Parsed = LinesParsedByAPass(Keys, GetParam());
    EXPECT_LE(Parsed, 6u * static_cast<std::size_t>(Keys)) << Keys << " keys";
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, IniTextScaling,
                         testing::Values(TShape{"CrLf", "\r\n", false}, TShape{"RepeatedNames", "\n", true},
                                         TShape{"LoneCarriageReturns", "\r", false}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The name=value lines take a shortcut where no name repeats; with or without
// it, each line must say what a read of that name says.
TEST(IniTextScaling, NameValueLinesAgreeWithReads) {
  using namespace std::string_literals;
  for (const std::string& File :
       {"[Language]\nstray\na = \"x\" \nb=\nc='y\n"s, "[Language]\nNumber\nNumber=5\na=1\nA=2\n"s,
        "\xEF\xBB\xBF[Language]\r\na=1\r\n"s, "\xFF\xFE[\0L\0a\0n\0g\0u\0a\0g\0e\0]\0\n\0a\0=\0\x42\x04\n\0"s}) {
    TIniDocument Document(File);
    TStringList Names, Lines;
    Document.KeyNames("Language", Names);
    Document.NameValueLines("Language", Lines);
    ASSERT_EQ(Lines.Count(), Names.Count());
    ASSERT_GT(Lines.Count(), 0);
    for (int I = 0; I < Names.Count(); ++I)
      EXPECT_EQ(Lines[I], std::string(Names[I]) + "=" + Document.Value("Language", Names[I]).value_or("")) << File;
  }
}

TEST(IniTextScaling, Utf8MarkStaysInFrontOfAnAddedSection) {
  TIniDocument Document("\xEF\xBB\xBF");
  Document.SetValue("Language", "Select", "0");
  EXPECT_EQ(Document.Bytes(), "\xEF\xBB\xBF[Language]\r\nSelect=0\r\n");
  std::string Storage;
  EXPECT_EQ(Document.BytesView(Storage), Document.Bytes());
}

}  // namespace
