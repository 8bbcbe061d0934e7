/* The least any safe update of a file does: read it whole, write a new file
 * beside it, flush it, rename it over the old one and flush the folder.
 * Each path given is replaced once by its own content. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdint.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

/* A floor, not a straw man: the buffer gets huge pages, as langreg's do. */
static void PreferHugePages(void* Data, size_t Size) {
  const uintptr_t Huge = (uintptr_t)2 << 20;
  const uintptr_t Begin = ((uintptr_t)Data + Huge - 1) & ~(Huge - 1);
  const uintptr_t End = ((uintptr_t)Data + Size) & ~(Huge - 1);
  if (End > Begin) madvise((void*)Begin, End - Begin, MADV_HUGEPAGE);
}

static int Fail(const char* What, const char* Path) {
  fprintf(stderr, "io-floor: %s %s: %s\n", What, Path, strerror(errno));
  return 1;
}

static int ReplaceOnce(const char* Path) {
  int In = open(Path, O_RDONLY | O_CLOEXEC);
  if (In < 0) return Fail("open", Path);
  struct stat Status;
  if (fstat(In, &Status) != 0) return Fail("stat", Path);
  size_t Size = (size_t)Status.st_size, Used = 0;
  char* Bytes = malloc(Size ? Size : 1);
  if (!Bytes) return Fail("malloc", Path);
  PreferHugePages(Bytes, Size);
  while (Used < Size) {
    ssize_t Got = read(In, Bytes + Used, Size - Used);
    if (Got < 0 && errno == EINTR) continue;
    if (Got <= 0) return Fail("read", Path);
    Used += (size_t)Got;
  }
  close(In);

  char Folder[4096], Temporary[4200];
  snprintf(Folder, sizeof Folder, "%s", Path);
  char* Slash = strrchr(Folder, '/');
  if (Slash) *Slash = '\0'; else strcpy(Folder, ".");
  snprintf(Temporary, sizeof Temporary, "%s.io-floor-%d", Path, (int)getpid());

  int Out = open(Temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Status.st_mode & 07777);
  if (Out < 0) return Fail("create", Temporary);
  for (size_t Done = 0; Done < Size;) {
    ssize_t Put = write(Out, Bytes + Done, Size - Done);
    if (Put < 0 && errno == EINTR) continue;
    if (Put <= 0) return Fail("write", Temporary);
    Done += (size_t)Put;
  }
  if (fsync(Out) != 0) return Fail("fsync", Temporary);
  if (close(Out) != 0) return Fail("close", Temporary);
  if (rename(Temporary, Path) != 0) return Fail("rename", Temporary);
  int Dir = open(Folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Dir < 0 || fsync(Dir) != 0) return Fail("fsync", Folder);
  close(Dir);
  free(Bytes);
  return 0;
}

int main(int Count, char** Paths) {
  for (int I = 1; I < Count; ++I)
    if (ReplaceOnce(Paths[I]) != 0) return 1;
  return 0;
}
