// The integer read against a second, differently written reading of the
// same rule, and the decimal text of every integer read back as itself.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/IntegerText.h"

#define CHECK(Condition) \
  if (!(Condition)) std::abort()

namespace {

std::optional<std::int32_t> Expected(std::string_view Text) {
  Text.remove_prefix(std::min(Text.find_first_not_of(' '), Text.size()));
  bool Negative = false;
  if (!Text.empty() && (Text[0] == '-' || Text[0] == '+')) {
    Negative = Text[0] == '-';
    Text.remove_prefix(1);
  }
  int Base = 10;
  for (std::string_view Prefix : {"0x", "0X", "$", "x", "X"}) {
    if (Text.starts_with(Prefix)) {
      Base = 16;
      Text.remove_prefix(Prefix.size());
      break;
    }
  }
  if (Text.empty() || Text[0] == '-' || Text[0] == '+') return std::nullopt;
  std::uint64_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value, Base);
  if (Error != std::errc() || End != Text.data() + Text.size()) return std::nullopt;
  if (Base == 16) {
    if (Value > 0xFFFFFFFFu) return std::nullopt;
    const std::uint32_t Pattern = static_cast<std::uint32_t>(Value);
    return static_cast<std::int32_t>(Negative ? ~Pattern + 1u : Pattern);
  }
  const std::int64_t Signed = Negative ? -static_cast<std::int64_t>(Value) : static_cast<std::int64_t>(Value);
  if (Value > 2147483648u || Signed < INT32_MIN || Signed > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(Signed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  CHECK(ParseInteger(Text) == Expected(Text));
  if (Size >= 4) {
    std::int32_t Value;
    std::memcpy(&Value, Data, sizeof Value);
    CHECK(ParseInteger(IntegerText(Value)) == Value);
  }
  return 0;
}
