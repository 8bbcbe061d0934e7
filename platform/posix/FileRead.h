#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <thread>

#include "platform/posix/Arrival.h"
#include "platform/posix/FileDescriptor.h"

// A file as read in one go. Anything that is not a regular file read to its
// end counts as absent for reading and is never written.
struct TFileSnapshot {
  enum TState { Missing, Readable, Unusable } State = Missing;
  std::string Bytes;
  struct stat Status {};
};

// Never blocks: FIFOs, devices and sockets are not opened for reading.
TFileSnapshot ReadWholeFile(const std::string& HostPath);

// The first step of ReadWholeFile: a regular file opened, with its status in
// Snapshot (still Unusable until read); otherwise no descriptor, and the
// snapshot says why.
TFileDescriptor OpenForReading(const std::string& HostPath, TFileSnapshot& Snapshot);
// The second: reads the opened file whole into Snapshot, which says Readable
// only if exactly the file as opened was read.
bool ReadOpenedFile(TFileDescriptor File, TFileSnapshot& Snapshot);
// A buffer of Size bytes for a file's text, none of them written yet, with
// room for the few lines an update adds so they need no second copy.
std::string UnfilledBuffer(std::size_t Size);

// Reads an opened file of Size bytes into Data on a thread of its own (or at
// once, where no thread is to be had), so that the caller can use the bytes
// as they arrive. The destructor waits for the reader.
class TBackgroundRead {
public:
  TBackgroundRead(TFileDescriptor File, const struct stat& Opened, char* Data, TArrival& Arrival);
  ~TBackgroundRead();
  TBackgroundRead(const TBackgroundRead&) = delete;
  TBackgroundRead& operator=(const TBackgroundRead&) = delete;

  // Waits for the end: true if exactly the file as opened was read. Bytes
  // not read are zeros, and all of them count as arrived either way.
  bool Finish();

private:
  void Run() noexcept;

  TFileDescriptor File;
  struct stat Opened;
  char* Data;
  TArrival& Arrival;
  bool Whole = false;
  std::thread Reader;
};
