#pragma once

#include <unistd.h>

// Owns one open file descriptor.
class TFileDescriptor {
public:
  explicit TFileDescriptor(int Descriptor = -1) noexcept : Fd(Descriptor) {}
  ~TFileDescriptor() { Close(); }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  TFileDescriptor(TFileDescriptor&& Other) noexcept : Fd(Other.Fd) { Other.Fd = -1; }
  TFileDescriptor& operator=(TFileDescriptor&& Other) noexcept {
    if (this != &Other) {
      Close();
      Fd = Other.Fd;
      Other.Fd = -1;
    }
    return *this;
  }

  explicit operator bool() const noexcept { return Fd >= 0; }
  int Get() const noexcept { return Fd; }
  // Returns close's result: on some file systems a late write error shows here.
  int Close() noexcept {
    const int Result = Fd >= 0 ? ::close(Fd) : 0;
    Fd = -1;
    return Result;
  }

private:
  int Fd;
};
