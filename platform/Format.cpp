#include "platform/Format.h"

std::string Format(std::string_view Pattern, std::initializer_list<std::string_view> Args) {
  std::string Result;
  auto Arg = Args.begin();
  for (std::size_t I = 0; I < Pattern.size(); ++I) {
    if (Pattern[I] == '%' && I + 1 < Pattern.size()) {
      if (Pattern[I + 1] == 's') {
        if (Arg != Args.end()) Result += *Arg++;
        ++I;
        continue;
      }
      if (Pattern[I + 1] == '%') {
        Result += '%';
        ++I;
        continue;
      }
    }
    Result += Pattern[I];
  }
  return Result;
}
