#pragma once

#include <string>
#include <string_view>

// The program's strings are bytes; a Unicode INI file is read and written
// through these, with UTF-8 standing for its text in between.
std::u16string Utf8ToUtf16(std::string_view Text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view Text);
