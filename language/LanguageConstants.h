#pragma once

#include <string_view>

namespace Language {

inline constexpr std::string_view SectionName = "Language";
inline constexpr std::string_view NumberKey = "Number";
inline constexpr std::string_view SelectKey = "Select";
inline constexpr std::string_view FileKeyPrefix = "File";
inline constexpr std::string_view DescripKeyPrefix = "Descrip";
inline constexpr std::string_view DlgDllKeyPrefix = "DlgDll";
inline constexpr std::string_view Description = "Russian";
inline constexpr std::string_view DlgDllValue = "dll_ru";
inline constexpr std::string_view FileValue = "app_ru";
inline constexpr std::string_view ValueSeparator = "=";

// Longest value text compared with the description.
inline constexpr std::size_t ComparedValueLength = 255;
// A table needs more keys than this to take a new entry.
inline constexpr int MinimumKeyCount = 5;

}  // namespace Language
