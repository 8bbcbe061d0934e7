#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reads an integer the way the INI object's integer read does: optional leading
// spaces, an optional sign, then decimal digits in the 32-bit range, or "$", "x",
// "X", "0x" or "0X" and up to 32 bits of hexadecimal (a two's-complement pattern).
// Nothing may follow. Empty when Text is anything else.
std::optional<std::int32_t> ParseInteger(std::string_view Text);

// Decimal text: no leading zeros, "-" when negative.
std::string IntegerText(std::int32_t Value);
