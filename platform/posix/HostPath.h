#pragma once

#include <optional>
#include <string>
#include <string_view>

// Maps a Windows path onto this host as Wine does: back-slashes separate,
// relative paths start at the working folder, and a drive letter is the Wine
// prefix's dosdevices entry ("C:" falls back to drive_c). A component that does
// not exist as written is matched ignoring letter case (the exact name wins;
// among several, the first in byte order). None when a folder on the way does
// not exist; the last component may name a missing file.
std::optional<std::string> HostPathOf(std::string_view WindowsPath);

// $WINEPREFIX, else ~/.wine.
std::string WinePrefix();
