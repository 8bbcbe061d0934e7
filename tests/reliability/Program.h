#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/Report.h"
#include "tests/e2e/Tree.h"

// Runs the program under test (LANGREG_UNDER_TEST) in a tree's working folder,
// with a watchdog, and measures what it used.
struct TRunOptions {
  std::vector<std::pair<std::string, std::string>> Environment;
  std::vector<std::string> Wrapper;  // words put before the program, e.g. setpriv
  int TimeoutSeconds = 300;
  bool MeasureMemory = false;  // through LANGREG_PEAK_MEMORY
};

struct TRunResult {
  int Status = -1;  // exit status, or 128 + signal
  std::string Out;
  std::string Err;
  long MaxResidentKb = 0;  // with MeasureMemory
  bool TimedOut = false;
};

TRunResult RunProgram(const TTree& Tree, const TRunOptions& Options = {});

// Starts the program with no output captured; the caller waits for it.
pid_t StartProgram(const TTree& Tree, const TRunOptions& Options = {});

// Fails the test unless the run ended with status 1 and the report naming Path.
void ExpectWriteFailureReport(const TRunResult& Run, const std::string& Path);

// Leftover temporary files in the folders of the three targets.
std::vector<std::filesystem::path> Leftovers(const TTree& Tree);

