#pragma once

#include <optional>
#include <string>

// A file's whole content, kept so that a failed pass can put it back.
struct TFileBytes {
  bool Exists = false;
  std::string Bytes;
};

// Empty when the file exists but cannot be read to its end.
std::optional<TFileBytes> ReadFileBytes(const std::string& Path);

// Makes the file hold exactly Kept again (removes it if it did not exist).
// A read-only attribute is lifted for the span of the write and set back.
bool RestoreFileBytes(const std::string& Path, const TFileBytes& Kept) noexcept;
