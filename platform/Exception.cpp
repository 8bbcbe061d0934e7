#include "platform/Exception.h"

#include "platform/Format.h"

Exception::Exception(const std::string& Message, const void* RaiseAddress)
    : std::runtime_error(Message), Address(RaiseAddress) {}

EIniFileException::EIniFileException(const std::string& FileName, const void* RaiseAddress)
    : Exception(Format("Unable to write to %s", {FileName}), RaiseAddress) {}

// Kept out of line so that the return address is inside the writing operation.
__attribute__((noinline)) void RaiseWriteError(const std::string& FileName) {
  throw EIniFileException(FileName, __builtin_extract_return_addr(__builtin_return_address(0)));
}
