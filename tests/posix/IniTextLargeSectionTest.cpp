// A large section, indexed in one walk with reads ahead of the inserts: every
// read must match a plain reference, the first entry of a name winning over
// repeats far from it, in any letter case, with any line breaks.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/IniText.h"
#include "tests/support/Filler.h"

namespace {

struct TShape {
  const char* Name;
  const char* Break;
  int Lines;
};

void PrintTo(const TShape& Shape, std::ostream* Out) { *Out << Shape.Name; }

struct TBuilt {
  std::string Text;
  std::vector<std::string> Names;                  // in file order, repeats kept
  std::map<std::string, std::string> FirstValues;  // keyed by upper-case name
};

std::string Upper(std::string S) {
  for (char& C : S) C = C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
  return S;
}

// Names repeat far away (the first half's names again in the second, in other
// letter case), a few lines on, and at the very end; lines that are no entries and "["
// inside names and values are mixed in.
TBuilt Build(const TShape& Shape) {
  TBuilt B;
  const std::string Br = Shape.Break;
  B.Text = "[General]" + Br + "A=1" + Br + "[Language]" + Br;
  auto Add = [&](const std::string& Name, const std::string& Value) {
    B.Text += Name + "=" + Value + Br;
    B.Names.push_back(Name);
    B.FirstValues.emplace(Upper(Name), Value);
  };
  for (int I = 0; I < Shape.Lines; ++I) {
    if (I % 997 == 0) B.Text += "; a comment [Not] a header" + Br;
    if (I % 1009 == 0) B.Text += "   " + Br;
    if (I % 1013 == 0) {
      // An entry whose name starts with "[" but has no closing bracket.
      Add("[Open" + std::to_string(I), "x");
      continue;
    }
    if (I > Shape.Lines / 2 && I % 7 == 0) {
      Add("descrip" + std::to_string(I - Shape.Lines / 2), "late" + std::to_string(I));  // repeat of the first half
    } else if (I % 13 == 0 && I > 3) {
      Add("DESCRIP" + std::to_string(I - 3), "near" + std::to_string(I));  // within the reads ahead
    } else if (I % 11 == 0 && I > 0) {
      Add("Descrip" + std::to_string(I / 11), "again" + std::to_string(I));  // repeat nearby
    } else {
      Add("Descrip" + std::to_string(I), "v[" + std::to_string(I) + "]");
    }
  }
  Add("DESCRIP1", "last");
  B.Text += "  [Next]" + Br + "Descrip1=other" + Br;
  return B;
}

// Every read and a write, against the generator's record. The section is
// asked for in letter case other than the header's.
void ExpectReadsAndWrites(TIniText<char>& Text, const TBuilt& B, const std::string& Break) {
  std::vector<std::string> Names, Lines;
  Text.ForEachKeyName("language", [&](std::string_view Name) { Names.emplace_back(Name); });
  EXPECT_EQ(Names, B.Names);
  Text.ForEachKeyValue("LANGUAGE", [&](std::string_view Name, std::optional<std::string_view> Value) {
    Lines.push_back(std::string(Name) + "=" + std::string(Value.value_or("<none>")));
  });
  ASSERT_EQ(Lines.size(), B.Names.size());
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    ASSERT_EQ(Lines[I], B.Names[I] + "=" + B.FirstValues.at(Upper(B.Names[I]))) << "line " << I;
  }
  EXPECT_EQ(Text.Extent("Language").Entries, B.Names.size());
  for (const auto& [Name, Value] : B.FirstValues) ASSERT_EQ(Text.Value("Language", Name), Value) << Name;
  EXPECT_EQ(Text.Value("Next", "Descrip1"), "other");

  // A write goes to the first entry of the name, and a new key after the last.
  const std::string& Before = B.Text;
  ASSERT_TRUE(Text.SetValue("Language", "descrip7", "changed"));
  ASSERT_TRUE(Text.SetValue("Language", "Added", "1"));
  EXPECT_EQ(Text.Value("Language", "Descrip7"), "changed");
  EXPECT_EQ(Text.Value("Language", "Added"), "1");
  const std::string& After = Text.Units();
  const std::size_t Edit = Before.find("Descrip7=");
  EXPECT_EQ(After.substr(0, Edit), Before.substr(0, Edit));
  EXPECT_NE(After.find("DESCRIP1=last" + Break + "Added=1" + Break + "  [Next]"), std::string::npos);
}

class IniTextLargeSection : public testing::TestWithParam<TShape> {};

TEST_P(IniTextLargeSection, ReadsAsOnePlainWalkWould) {
  const TBuilt B = Build(GetParam());
  TIniText<char> Text(B.Text);
  ExpectReadsAndWrites(Text, B, GetParam().Break);
}

const TShape Shapes[] = {
    {"CrLf", "\r\n", 60000},
    {"Lf", "\n", 70000},
    {"LoneCr", "\r", 70000},
};

INSTANTIATE_TEST_SUITE_P(Breaks, IniTextLargeSection, testing::ValuesIn(Shapes),
                         [](const testing::TestParamInfo<TShape>& Info) { return Info.param.Name; });

// Mixed breaks: lone CRs among CR LFs make the index's first size too small,
// so it grows in the middle of the walk; no line may be left out.
TEST(IniTextLargeSectionBreaks, MixedBreaksCountEveryLine) {
  std::string Text = "[Language]\r\n";
  const char* const Breaks[] = {"\r\n", "\r", "\n", "\n\r"};
  int Keys = 0;
  while (Text.size() < (std::size_t(3) << 20)) {
    Text += "K" + std::to_string(Keys) + "=" + std::to_string(Keys) + Breaks[Keys % 4];
    ++Keys;
  }
  TIniText<char> Ini(Text);
  EXPECT_EQ(Ini.Extent("Language").Entries, static_cast<std::size_t>(Keys));
  for (int I = 0; I < Keys; I += 997) ASSERT_EQ(Ini.Value("Language", "k" + std::to_string(I)), std::to_string(I));
  EXPECT_EQ(Ini.Value("Language", "K" + std::to_string(Keys - 1)), std::to_string(Keys - 1));
}

struct TArriving {
  const char* Name;
  TShape Shape;
  std::size_t Chunk;  // units published at a time
};

void PrintTo(const TArriving& Case, std::ostream* Out) { *Out << Case.Name; }

// A text still arriving, as a file read on another thread fills it: until
// a line has arrived whole (a unit after its break), it is not read. The
// bytes not yet arrived are line breaks, so a walk that ran ahead of the
// filler would cut lines short and miss names.
class IniTextArriving : public testing::TestWithParam<TArriving> {};

TEST_P(IniTextArriving, FindsAndIndexesTheSectionAsAWholeTextWould) {
  const TBuilt B = Build(GetParam().Shape);
  TArrival Arrival(B.Text.size());
  std::string Units(B.Text.size(), '\n');
  char* const Into = Units.data();
  TIniText<char> Text(std::move(Units), 0, Arrival);
  ASSERT_EQ(Text.Units().data(), Into) << "the buffer moved with its text";
  {
    TFiller Filler(B.Text, Into, Arrival, GetParam().Chunk);
    EXPECT_EQ(Text.Extent("Language").Entries, B.Names.size());
  }
  Text.Arrived();
  EXPECT_EQ(Text.Units(), B.Text);
  ExpectReadsAndWrites(Text, B, GetParam().Shape.Break);
}

const TArriving ArrivingCases[] = {
    {"CrLfByTheUnit", {"CrLf", "\r\n", 3000}, 1},
    {"LoneCrByTheUnit", {"LoneCr", "\r", 3000}, 1},
    {"CrLfInOddChunks", {"CrLf", "\r\n", 60000}, 4093},
    {"LfInOddChunks", {"Lf", "\n", 70000}, 7},
    {"LoneCrInLargeChunks", {"LoneCr", "\r", 70000}, 256 << 10},
};

INSTANTIATE_TEST_SUITE_P(Chunks, IniTextArriving, testing::ValuesIn(ArrivingCases),
                         [](const testing::TestParamInfo<TArriving>& Info) { return Info.param.Name; });

// Sections the walk meets at the end, or never: the whole text is waited for,
// and what is read is what a whole text gives. The index is sized from the
// first megabyte; lines that are shorter further on only make it grow.
TEST(IniTextArrivingEdges, EndsAndShorterLinesFurtherOn) {
  std::string Long = "[Language]\r\n";
  int Keys = 0;
  while (Long.size() < (std::size_t(3) << 19)) Long += "K" + std::to_string(Keys++) + "=" + std::string(200, 'v') + "\r\n";
  while (Long.size() < (std::size_t(4) << 20)) Long += "K" + std::to_string(Keys++) + "=" + "\r\n";
  const std::string Texts[] = {
      Long,
      // A line of megabytes, a few units at a time, then the section.
      "[General]\r\nJunk=" + std::string(std::size_t(3) << 20, 'a') + "\r\n[Language]\r\nNumber=2\r\n",
      "[General]\r\nA=1\r\n[Language]\r\nNumber=2\r\nSelect=0",  // no final break
      "[General]\r\nA=1\r\n[Languages]\r\nNumber=2\r\n",        // no such section
      "",
  };
  for (const std::string& Source : Texts) {
    TIniText<char> Whole(Source);
    TArrival Arrival(Source.size());
    std::string Units(Source.size(), '\n');
    char* const Into = Units.data();
    TIniText<char> Text(std::move(Units), 0, Arrival);
    {
      TFiller Filler(Source, Into, Arrival, 5);
      EXPECT_EQ(Text.Extent("Language").Entries, Whole.Extent("Language").Entries);
    }
    Text.Arrived();
    EXPECT_EQ(Text.Value("Language", "Number"), Whole.Value("Language", "Number"));
    EXPECT_EQ(Text.Value("Language", "Select"), Whole.Value("Language", "Select"));
    for (int I = 0; I < Keys; I += 331) ASSERT_EQ(Text.Value("Language", "k" + std::to_string(I)), Whole.Value("Language", "K" + std::to_string(I)));
  }
}

}  // namespace
