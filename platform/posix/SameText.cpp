#include "platform/TStringList.h"

// The program runs in the "C" locale here, where only ASCII letters have case.
bool SameText(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I) {
    const auto Fold = [](char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; };
    if (Fold(A[I]) != Fold(B[I])) return false;
  }
  return true;
}
