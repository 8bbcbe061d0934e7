#pragma once

#include <string>

// A language table fit for a new entry, between other sections that pad the
// file to about Sections * 100 bytes; Tag makes the files of one tree differ.
inline std::string PaddedTable(int Sections, const std::string& Tag) {
  std::string Text = "; " + Tag + "\r\n";
  auto Pad = [&](int From, int To) {
    for (int I = From; I < To; ++I) {
      Text += "[" + Tag + "-" + std::to_string(I) + "]\r\n";
      Text += "Path=C:\\Program Files\\" + Tag + "\\data\\" + std::to_string(I * 7919) + ".bin\r\n";
      Text += "Flags = 0x" + std::to_string(I % 97) + " ; kept\r\n\r\n";
    }
  };
  Pad(0, Sections / 2);
  Text +=
      "[Language]\r\nNumber=2\r\nSelect=0\r\nDescrip1=English\r\nFile1=app_en\r\nDlgDll1=dll_en\r\n"
      "Descrip2=German\r\nFile2=app_de\r\nDlgDll2=dll_de\r\n\r\n";
  Pad(Sections / 2, Sections);
  return Text;
}

inline std::string ReplaceFirst(std::string Text, const std::string& From, const std::string& To) {
  const std::size_t At = Text.find(From);
  if (At != std::string::npos) Text.replace(At, From.size(), To);
  return Text;
}

// What a table of PaddedTable's shape becomes in the first target.
inline std::string Updated(const std::string& Text, const std::string& Break = "\r\n") {
  std::string Result = ReplaceFirst(Text, "Number=2", "Number=3");
  Result = ReplaceFirst(Result, "Select=0", "Select=2");
  return ReplaceFirst(Result, "DlgDll2=dll_de" + Break,
                      "DlgDll2=dll_de" + Break + "Descrip3=Russian" + Break + "File3=app_ru" + Break +
                          "DlgDll3=dll_ru" + Break);
}
