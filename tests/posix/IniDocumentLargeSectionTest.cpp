// A large section's key names and name=value lines, against lists built
// from the generator's own record of each line: every kind of line, names
// that come again, and an empty name that ends both lists anywhere.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/TStringList.h"
#include "platform/posix/IniDocument.h"

namespace {

struct TShape {
  const char* Name;
  const char* Break;
  bool Repeats;        // some names come again, later and in other letter case
  double EmptyNameAt;  // where a line with an empty name ends both lists; 0: none
};

void PrintTo(const TShape& Shape, std::ostream* Out) { *Out << Shape.Name; }

struct TBuilt {
  std::string Text;
  std::vector<std::string> Names, Lines;
};

std::string Upper(std::string S) {
  for (char& C : S) C = C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C;
  return S;
}

// About 2.5 MB of section, with every kind of line the lists treat apart:
// comments, blank lines, lines without "=", blanks around "=", quoted values.
TBuilt Build(const TShape& Shape) {
  constexpr int Count = 80000;
  const std::string Br = Shape.Break;
  TBuilt B;
  std::map<std::string, std::string> First;
  std::vector<std::pair<std::string, std::string>> Entries;  // as listed: name, its line's value
  bool Ended = false;
  B.Text = "[Other]" + Br + "Descrip1=elsewhere" + Br + "[Language]" + Br;
  for (int I = 0; I < Count; ++I) {
    const std::string N = std::to_string(I);
    if (Shape.EmptyNameAt > 0 && I == static_cast<int>(Count * Shape.EmptyNameAt)) {
      B.Text += " =no name" + Br;
      Ended = true;
    }
    std::string Name = "Descrip" + N, Value = "v" + N, Line;
    switch (I % 10) {
      case 1: Line = "; comment " + N; break;
      case 2: Line = "   "; break;
      case 3: Line = "NoEquals" + N; break;
      case 4: Line = "  " + Name + " =  " + Value + " "; break;
      case 5: Line = Name + "=\"" + Value + "\""; break;
      default: Line = Name + "=" + Value;
    }
    if (Shape.Repeats && I % 7 == 0 && I > Count / 2) {
      Name = "dEsCrIp" + std::to_string(I - Count / 2);
      Value = "late" + N;
      Line = Name + "=" + Value;
    }
    B.Text += Line + Br;
    if (Line.find('=') == std::string::npos || Line[0] == ';' || Ended) continue;
    First.emplace(Upper(Name), Value);
    Entries.emplace_back(Name, Value);
  }
  B.Text += "[Next]" + Br + "Descrip1=after" + Br;
  for (const auto& [Name, Value] : Entries) {
    B.Names.push_back(Name);
    B.Lines.push_back(Name + "=" + First.at(Upper(Name)));
  }
  return B;
}

std::vector<std::string> Items(const TStringList& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.emplace_back(List[I]);
  return Result;
}

class IniDocumentLargeSection : public testing::TestWithParam<TShape> {};

TEST_P(IniDocumentLargeSection, ListsReadAsOneWalkWould) {
  const TBuilt B = Build(GetParam());
  TIniDocument Document(B.Text);
  TStringList List;
  Document.NameValueLines("Language", List);
  const std::vector<std::string> Lines = Items(List);
  ASSERT_EQ(Lines.size(), B.Lines.size());
  for (std::size_t I = 0; I < Lines.size(); ++I) ASSERT_EQ(Lines[I], B.Lines[I]) << "line " << I;
  // Listed into a list that already holds items, as a pass does after Clear.
  List.Clear();
  Document.KeyNames("Language", List);
  EXPECT_EQ(Items(List), B.Names);
  EXPECT_EQ(Document.Value("Next", "Descrip1"), "after");
}

const TShape Shapes[] = {
    {"CrLf", "\r\n", false, 0},
    {"Lf", "\n", false, 0},
    {"LoneCr", "\r", false, 0},
    {"RepeatedNames", "\r\n", true, 0},
    {"EmptyNameInTheFirstHalf", "\r\n", false, 0.25},
    {"EmptyNameInTheSecondHalf", "\r\n", false, 0.75},
    {"EmptyNameJustBeforeTheMiddle", "\r\n", false, 0.4999},
};

INSTANTIATE_TEST_SUITE_P(Shapes, IniDocumentLargeSection, testing::ValuesIn(Shapes),
                         [](const testing::TestParamInfo<TShape>& Info) { return Info.param.Name; });

}  // namespace
