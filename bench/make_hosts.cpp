// Writes the benchmark input (see hosts_maker.h) to files: the hosts file,
// and a list file with one "DOMAIN NAME" pair per managed line.
//
// Usage: make_hosts HOSTS LIST [LINES [MANAGED]]   (defaults 500000, 1000)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hosts_maker.h"

namespace {

bool WriteFile(const char* path, const std::string& bytes) {
  FILE* file = fopen(path, "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 5) {
    fprintf(stderr, "usage: make_hosts HOSTS LIST [LINES [MANAGED]]\n");
    return 2;
  }
  long lines = argc > 3 ? atol(argv[3]) : 500000;
  int managed = argc > 4 ? atoi(argv[4]) : 1000;
  quorvane::BenchInput input;
  if (!quorvane::MakeBenchInput(lines, managed, &input)) {
    fprintf(stderr, "make_hosts: LINES must exceed MANAGED plus the header\n");
    return 2;
  }
  std::string list = "# pairs for the benchmark file\n";
  for (const auto& [domain, name] : input.pairs) {
    list += domain + " " + name + "\n";
  }
  if (!WriteFile(argv[1], input.hosts) || !WriteFile(argv[2], list)) {
    perror("make_hosts");
    return 1;
  }
  return 0;
}
