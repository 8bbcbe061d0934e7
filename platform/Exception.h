#pragma once

#include <stdexcept>
#include <string>

// Root of the errors this program raises. Remembers where it was raised so the
// uncaught-error report can point at the failing code.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& Message, const void* RaiseAddress = nullptr);
  virtual const char* ClassName() const noexcept { return "Exception"; }
  const void* ExceptAddr() const noexcept { return Address; }

private:
  const void* Address;
};

// A failed write of an INI file object.
class EIniFileException : public Exception {
public:
  EIniFileException(const std::string& FileName, const void* RaiseAddress);
  const char* ClassName() const noexcept override { return "EIniFileException"; }
};

// Raises "Unable to write to <FileName>", recording the caller as the raise site.
[[noreturn]] void RaiseWriteError(const std::string& FileName);
