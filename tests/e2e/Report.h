#pragma once

#include <string>

// Checks a run that ended on a failed write: status 1, nothing on standard
// output, and the report naming Path exactly, with any 8-digit code position.
void ExpectWriteFailureReport(int Status, const std::string& Out, const std::string& Err, const std::string& Path);
