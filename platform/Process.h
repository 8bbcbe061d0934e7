#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the uncaught-error report needs from the host process.
namespace Process {

// File name, without folder, of the running executable.
std::string ModuleName();
// Offset of Address from the start of the executable's loaded image.
std::uintptr_t ImageOffset(const void* Address);
// The console's character set, where the host has one; unchanged elsewhere.
std::string AnsiToOem(std::string_view Text);
// One write to standard error; the result is ignored by design.
void WriteStdErr(std::string_view Text) noexcept;

}  // namespace Process
