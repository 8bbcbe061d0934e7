#include <windows.h>

#include <climits>

#include "platform/TStringList.h"

bool SameText(std::string_view A, std::string_view B) {
  if (A.size() > INT_MAX || B.size() > INT_MAX) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()),
                        B.data(), static_cast<int>(B.size())) == CSTR_EQUAL;
}
