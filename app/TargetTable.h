#pragma once

#include <array>
#include <string_view>

struct TTarget {
  // As passed to the INI file object, and as error messages name it.
  std::string_view Path;
  bool UpdatesSelect;
};

// Visited in this order.
inline constexpr std::array<TTarget, 3> Targets{{
    {".\\Init_LAN.INI", true},
    {"C:\\WINDOWS\\KORVEL.INI", true},
    {"..\\Setup.INI", false},
}};
