#include "platform/posix/TextEncoding.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& Out, std::uint32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

void AppendUtf16(std::u16string& Out, std::uint32_t C) {
  if (C < 0x10000) {
    Out += static_cast<char16_t>(C);
  } else {
    C -= 0x10000;
    Out += static_cast<char16_t>(0xD800 | (C >> 10));
    Out += static_cast<char16_t>(0xDC00 | (C & 0x3FF));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string Out;
  Out.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size();) {
    const auto Lead = static_cast<unsigned char>(Text[I]);
    int Length = Lead < 0x80 ? 1 : (Lead >> 5) == 6 ? 2 : (Lead >> 4) == 14 ? 3 : (Lead >> 3) == 30 ? 4 : 0;
    std::uint32_t C = Length == 1 ? Lead : Length == 2 ? (Lead & 0x1F) : Length == 3 ? (Lead & 0x0F) : (Lead & 0x07);
    bool Valid = Length != 0 && I + static_cast<std::size_t>(Length) <= Text.size();
    for (int K = 1; Valid && K < Length; ++K) {
      const auto Next = static_cast<unsigned char>(Text[I + static_cast<std::size_t>(K)]);
      Valid = (Next & 0xC0) == 0x80;
      C = (C << 6) | (Next & 0x3F);
    }
    if (!Valid || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) {
      // Not UTF-8: take the byte as its Latin-1 character.
      AppendUtf16(Out, Lead);
      ++I;
      continue;
    }
    AppendUtf16(Out, C);
    I += static_cast<std::size_t>(Length);
  }
  return Out;
}

std::string Utf16ToUtf8(std::u16string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    std::uint32_t C = Text[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 &&
        Text[I + 1] <= 0xDFFF) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00u);
      ++I;
    } else if (C >= 0xD800 && C <= 0xDFFF) {
      C = 0xFFFD;
    }
    AppendUtf8(Out, C);
  }
  return Out;
}
