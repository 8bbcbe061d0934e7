#include <exception>

#include "app/RunTargets.h"
#include "app/UncaughtErrorReport.h"

// Arguments are ignored: the tool has no options.
int main() {
  try {
    RunTargets();
  } catch (...) {
    return ReportUncaughtError(std::current_exception());
  }
  return 0;
}
