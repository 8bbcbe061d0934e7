#include "app/UncaughtErrorReport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include <cxxabi.h>

#include "platform/Exception.h"
#include "platform/Format.h"
#include "platform/Process.h"

namespace {

std::string ReadableTypeName(const std::type_info& Type) {
  int Status = 0;
  std::unique_ptr<char, void (*)(void*)> Name(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &Status), std::free);
  return Status == 0 && Name ? std::string(Name.get()) : std::string(Type.name());
}

}  // namespace

std::string FormatErrorReport(std::string_view ClassName, std::string_view ModuleName,
                              std::uintptr_t Offset, std::string_view Message) {
  char Address[17];
  std::snprintf(Address, sizeof Address, "%08llX", static_cast<unsigned long long>(Offset));
  const std::string_view Period = !Message.empty() && Message.back() != '.' ? "." : "";
  return Format("Exception %s in module %s at %s.\r\n%s%s\r\n",
                {ClassName, ModuleName, Address, Message, Period});
}

int ReportUncaughtError(std::exception_ptr Error) noexcept {
  try {
    std::string ClassName = "Exception";
    std::string Message;
    const void* Address = nullptr;
    try {
      std::rethrow_exception(Error);
    } catch (const Exception& E) {
      ClassName = E.ClassName();
      Message = E.what();
      Address = E.ExceptAddr();
    } catch (const std::bad_alloc& E) {
      ClassName = "EOutOfMemory";
      Message = "Out of memory";
    } catch (const std::exception& E) {
      ClassName = ReadableTypeName(typeid(E));
      Message = E.what();
    } catch (...) {
    }
    const std::uintptr_t Offset = Address ? Process::ImageOffset(Address) : 0;
    Process::WriteStdErr(
        Process::AnsiToOem(FormatErrorReport(ClassName, Process::ModuleName(), Offset, Message)));
    Process::WriteStdErr("\r\n");
  } catch (...) {
    // Nothing more can be said; the status still tells.
  }
  return 1;
}
