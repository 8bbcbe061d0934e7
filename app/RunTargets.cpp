#include "app/RunTargets.h"

#include <memory>
#include <string>

#include "app/TargetTable.h"
#include "language/LanguageConstants.h"
#include "language/UpdateLanguageTable.h"
#include "platform/TIniFile.h"

void RunTargets() {
  // The next target, read while the one before is committed: a commit mostly
  // waits on the disk. Reading changes nothing, so an error that ends the run
  // still leaves every later target as it was.
  std::unique_ptr<TIniFile> Next;
  for (std::size_t I = 0; I < Targets.size(); ++I) {
    // Released on both paths; only a completed pass reaches the file.
    const std::unique_ptr<TIniFile> IniFile =
        Next ? std::move(Next) : std::make_unique<TIniFile>(std::string(Targets[I].Path));
    UpdateLanguageTable(*IniFile, Targets[I].UpdatesSelect);
    if (I + 1 < Targets.size()) {
      Next = std::make_unique<TIniFile>(std::string(Targets[I + 1].Path));
      Next->ReadAhead(Language::SectionName);
    }
    IniFile->UpdateFile();
  }
}
