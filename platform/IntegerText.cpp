#include "platform/IntegerText.h"

namespace {

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

std::size_t HexPrefixLength(std::string_view Text) {
  if (Text.starts_with("0x") || Text.starts_with("0X")) return 2;
  if (!Text.empty() && (Text[0] == '$' || Text[0] == 'x' || Text[0] == 'X')) return 1;
  return 0;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view Text) {
  std::size_t I = 0;
  while (I < Text.size() && Text[I] == ' ') ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) Negative = Text[I++] == '-';
  Text.remove_prefix(I);

  if (const std::size_t Prefix = HexPrefixLength(Text); Prefix != 0) {
    std::string_view Digits = Text.substr(Prefix);
    if (Digits.empty()) return std::nullopt;
    std::uint64_t Value = 0;
    for (char C : Digits) {
      const int D = HexDigit(C);
      if (D < 0) return std::nullopt;
      Value = Value * 16 + static_cast<unsigned>(D);
      if (Value > 0xFFFFFFFFu) return std::nullopt;
    }
    std::uint32_t Pattern = static_cast<std::uint32_t>(Value);
    if (Negative) Pattern = 0u - Pattern;
    return static_cast<std::int32_t>(Pattern);
  }

  if (Text.empty()) return std::nullopt;
  const std::uint64_t Limit = Negative ? 2147483648u : 2147483647u;
  std::uint64_t Value = 0;
  for (char C : Text) {
    if (C < '0' || C > '9') return std::nullopt;
    Value = Value * 10 + static_cast<unsigned>(C - '0');
    if (Value > Limit) return std::nullopt;
  }
  const std::uint32_t Magnitude = static_cast<std::uint32_t>(Value);
  return static_cast<std::int32_t>(Negative ? 0u - Magnitude : Magnitude);
}

std::string IntegerText(std::int32_t Value) { return std::to_string(Value); }
