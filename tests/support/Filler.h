#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "platform/posix/Arrival.h"

// Fills a buffer from Source on a thread of its own, Chunk units at a time,
// publishing each as a file read does; joined on release.
class TFiller {
public:
  TFiller(const std::string& Source, char* Into, TArrival& Arrival, std::size_t Chunk)
      : Thread([&Source, Into, &Arrival, Chunk] {
          for (std::size_t Done = 0; Done < Source.size();) {
            const std::size_t Count = std::min(Chunk, Source.size() - Done);
            std::memcpy(Into + Done, Source.data() + Done, Count);
            Done += Count;
            Arrival.Publish(Done);
          }
        }) {}
  ~TFiller() { Thread.join(); }
  TFiller(const TFiller&) = delete;
  TFiller& operator=(const TFiller&) = delete;

private:
  std::thread Thread;
};
