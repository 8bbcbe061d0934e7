#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Asks for huge pages under a large buffer that is about to be filled: one
// fault per 2 MiB instead of one per 4 KiB, which is most of the cost of
// touching fresh memory. Only a hint; a no-op where the host has none.
inline void PreferHugePages([[maybe_unused]] const void* Data, [[maybe_unused]] std::size_t Size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
  const auto Begin = (reinterpret_cast<std::uintptr_t>(Data) + Huge - 1) & ~(Huge - 1);
  const auto End = (reinterpret_cast<std::uintptr_t>(Data) + Size) & ~(Huge - 1);
  if (End > Begin) ::madvise(reinterpret_cast<void*>(Begin), End - Begin, MADV_HUGEPAGE);
#endif
}
