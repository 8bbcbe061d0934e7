#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

// The report text for an error that left the program:
// "Exception <class> in module <module> at <offset>.\r\n<message><.>\r\n".
std::string FormatErrorReport(std::string_view ClassName, std::string_view ModuleName,
                              std::uintptr_t Offset, std::string_view Message);

// Writes the report for the exception in flight to standard error, as two
// writes whose results are ignored. Returns the exit status: 1.
int ReportUncaughtError(std::exception_ptr Error) noexcept;
