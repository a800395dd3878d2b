// Runs one command and reports what it cost, for the comparison script:
// wall time, CPU time (user plus system, the command's whole process tree)
// and peak resident memory (of the largest process in that tree).
//
// Usage: timed_run COMMAND [ARGS...]
// Prints "WALL_MS CPU_MS PEAK_KIB" on standard output; the command's own
// output goes to /dev/null, and its standard input is /dev/null. The exit
// status is the command's (1 when it could not be started or was killed).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

double Milliseconds(const timeval& t) {
  return t.tv_sec * 1e3 + t.tv_usec / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: timed_run COMMAND [ARGS...]\n");
    return 2;
  }
  timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child < 0) {
    perror("timed_run: fork");
    return 1;
  }
  if (child == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  rusage usage;
  if (wait4(child, &status, 0, &usage) != child) {
    perror("timed_run: wait4");
    return 1;
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  double wall =
      (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6;
  // wait4 counts the child together with every descendant it waited for,
  // and the peak is that of the largest (the floor is a few processes).
  printf("%.2f %.2f %ld\n", wall,
         Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime),
         usage.ru_maxrss);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 1;
}
