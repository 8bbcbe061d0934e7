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
