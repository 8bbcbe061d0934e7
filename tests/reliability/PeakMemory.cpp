// Runs a command and writes its peak resident memory (KiB) to the file named
// by its first argument. A process forked from a large test process would
// count that process's pages as its own; this small one forks afresh.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int Count, char** Arguments) {
  if (Count < 3) return 125;
  const pid_t Child = ::fork();
  if (Child == 0) {
    ::execvp(Arguments[2], Arguments + 2);
    ::_exit(127);
  }
  int Status = 0;
  rusage Usage{};
  if (Child < 0 || ::wait4(Child, &Status, 0, &Usage) != Child) return 125;
  if (FILE* Out = std::fopen(Arguments[1], "w")) {
    std::fprintf(Out, "%ld\n", Usage.ru_maxrss);
    std::fclose(Out);
  }
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128 + WTERMSIG(Status);
}
