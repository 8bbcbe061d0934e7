#include "bench/GeneratedIni.h"

#include <array>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 8> Languages = {
    "English (United States)", "Deutsch (Deutschland)", "Francais (France)", "Espanol (Espana)",
    "Italiano (Italia)",        "Nederlands (Nederland)", "Polski (Polska)",   "Portugues (Brasil)"};
constexpr std::array<std::string_view, 8> Codes = {"en", "de", "fr", "es", "it", "nl", "pl", "pt"};

}  // namespace

std::string GeneratedIni(std::size_t Keys) {
  const std::size_t Entries = Keys >= 2 ? (Keys - 2) / 3 : 0;
  std::string Text;
  Text.reserve(64 * Keys + 512);
  Text += "; Settings of the application, written by its installer\r\n"
          "[General]\r\n"
          "Version=4.2.1\r\n"
          "InstallDir=C:\\Program Files\\Application\r\n"
          "\r\n"
          "[Language]\r\n"
          "; entries are numbered from 1\r\n";
  Text += "Number=" + std::to_string(Entries) + "\r\n";
  Text += "Select = 0\r\n";
  for (std::size_t N = 1; N <= Entries; ++N) {
    if (N % 50000 == 0) Text += "; further entries\r\n";
    const std::string Number = std::to_string(N);
    const std::size_t Which = N % Languages.size();
    Text += "Descrip" + Number + "=" + std::string(Languages[Which]) + " " + Number + "\r\n";
    Text += "File" + Number + "=app_" + std::string(Codes[Which]) + Number + "\r\n";
    Text += "DlgDll" + Number + "=dll_" + std::string(Codes[Which]) + Number + "\r\n";
  }
  for (std::size_t N = 2 + 3 * Entries; N < Keys; ++N) Text += "Spare" + std::to_string(N) + "=\r\n";
  Text += "\r\n"
          "; window placement\r\n"
          "[Window]\r\n"
          "Left=10\r\n"
          "Top=10\r\n";
  return Text;
}
