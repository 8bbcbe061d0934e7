#pragma once

#include <cstddef>
#include <string>

// A realistic INI file whose "Language" section holds Keys keys: a count, a
// selection and numbered entries of three keys each, with CRLF line breaks, a
// few comments, and small sections before and after it. No value is "Russian",
// so a pass adds an entry.
std::string GeneratedIni(std::size_t Keys);
