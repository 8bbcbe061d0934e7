#include "app/RunTargets.h"

#include <memory>
#include <string>

#include "app/TargetTable.h"
#include "language/LanguageConstants.h"
#include "language/UpdateLanguageTable.h"
#include "platform/TIniFile.h"

void RunTargets() {
  // The next target, read during the pass over the one before and indexed
  // while that one is committed (a commit mostly waits on the disk); its index
  // waits for the pass to let its lists go, so memory holds two files at most.
  // Reading changes nothing, so an error that ends the run still leaves every
  // later target as it was.
  std::unique_ptr<TIniFile> Next;
  for (std::size_t I = 0; I < Targets.size(); ++I) {
    // Released on both paths; only a completed pass reaches the file.
    const std::unique_ptr<TIniFile> IniFile =
        Next ? std::move(Next) : std::make_unique<TIniFile>(std::string(Targets[I].Path));
    if (I + 1 < Targets.size()) {
      // This file first: two reads at once would share the cores.
      IniFile->ReadNow(Language::SectionName);
      Next = std::make_unique<TIniFile>(std::string(Targets[I + 1].Path));
      Next->ReadAhead(Language::SectionName);
    }
    UpdateLanguageTable(*IniFile, Targets[I].UpdatesSelect);
    if (Next) Next->IndexReadAhead();
    IniFile->UpdateFile();
  }
}
