#pragma once

#include "platform/TCustomIniFile.h"

// Adds the Russian entry to the file's language table when the table qualifies
// and does not list it yet; with UpdatesSelect, points "Select" at the last
// entry whenever Russian is added or found. A failed write raises
// EIniFileException unchanged.
void UpdateLanguageTable(TCustomIniFile& IniFile, bool UpdatesSelect);
