#include "app/RunTargets.h"

#include <string>

#include "app/TargetTable.h"
#include "language/UpdateLanguageTable.h"
#include "platform/TIniFile.h"

void RunTargets() {
  for (const TTarget& Target : Targets) {
    // Released on both paths; only a completed pass reaches the file.
    TIniFile IniFile{std::string(Target.Path)};
    UpdateLanguageTable(IniFile, Target.UpdatesSelect);
    IniFile.UpdateFile();
  }
}
