#pragma once

#include <sys/stat.h>

#include <string>

// A file as read in one go. Anything that is not a regular file read to its
// end counts as absent for reading and is never written.
struct TFileSnapshot {
  enum TState { Missing, Readable, Unusable } State = Missing;
  std::string Bytes;
  struct stat Status {};
};

// Never blocks: FIFOs, devices and sockets are not opened for reading.
TFileSnapshot ReadWholeFile(const std::string& HostPath);
