#pragma once

#include <atomic>
#include <cstddef>

// How much of a buffer another thread has filled so far. The filler
// publishes as it goes; a reader waits only for the bytes it needs next.
class TArrival {
public:
  explicit TArrival(std::size_t Total) noexcept : All(Total) {}
  TArrival(const TArrival&) = delete;
  TArrival& operator=(const TArrival&) = delete;

  // Units in place now, each of them readable from here on.
  std::size_t InPlace() const noexcept { return Count.load(std::memory_order_acquire); }
  // Waits until more than Known units are in place, or all of them.
  std::size_t WaitBeyond(std::size_t Known) const noexcept {
    std::size_t Now = InPlace();
    while (Now <= Known && Now < All) {
      Count.wait(Now, std::memory_order_acquire);
      Now = InPlace();
    }
    return Now;
  }
  std::size_t WaitFor(std::size_t Units) const noexcept { return Units == 0 ? InPlace() : WaitBeyond(Units - 1); }
  void WaitAll() const noexcept { WaitFor(All); }

  // For the filler: the first Units are written and will not change.
  void Publish(std::size_t Units) noexcept {
    Count.store(Units, std::memory_order_release);
    Count.notify_all();
  }

private:
  const std::size_t All;
  std::atomic<std::size_t> Count{0};
};
