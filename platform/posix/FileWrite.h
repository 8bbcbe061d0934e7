#pragma once

#include <string>
#include <string_view>

#include "platform/posix/FileRead.h"

// Whether HostPath could be written now: the file is a regular file read whole
// (or missing in an existing folder), has a write bit, and opens for writing.
bool CanWriteFile(const std::string& HostPath, const TFileSnapshot& Snapshot);

// Replaces the file's content with Bytes, durably. Where the folder allows it,
// a new file (same mode and owner) is renamed over the old one, so a crash
// leaves the old or the new content, never a mix; otherwise the file is
// rewritten in place. Returns 0 or the errno of the failure.
int ReplaceFileContent(const std::string& HostPath, const TFileSnapshot& Snapshot, std::string_view Bytes);

// Prefix of the temporary files a replacement makes beside Name.
std::string TemporaryPrefix(std::string_view Name);
