#include "hosts_maker.h"

#include <cstdint>
#include <cstdio>

namespace quorvane {

namespace {

// A small generator of our own: the standard distributions differ between
// library implementations, and the files must not.
class Random {
 public:
  uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state_ >> 33);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint64_t state_ = 20240601;
};

// A domain name of letters, hyphens and dots: no digits, so it never holds
// a managed host name, and never "nas".
std::string Domain(Random& random) {
  static const char* const kTops[] = {"com",  "net", "org",    "io",
                                      "info", "biz", "online", "click"};
  for (;;) {
    std::string domain;
    int labels = 2 + random.Below(2);
    for (int l = 0; l < labels; ++l) {
      int length = 4 + random.Below(14);
      for (int i = 0; i < length; ++i) {
        domain += static_cast<char>('a' + random.Below(26));
      }
      if (random.Below(4) == 0) domain += '-' + std::string(1, 'a' + l);
      domain += '.';
    }
    domain += kTops[random.Below(8)];
    if (domain.find("nas") == std::string::npos) return domain;
  }
}

std::string Address(const char* prefix, int i) {
  return prefix + std::to_string(i / 256) + "." + std::to_string(i % 256);
}

std::string Name(int i, int managed) {
  if (i == managed - 1) return "nas";
  char name[16];
  snprintf(name, sizeof name, "host%04d", i);
  return name;
}

}  // namespace

bool MakeBenchInput(long lines, int managed, BenchInput* input) {
  const char* const kHeader[] = {
      "# Blocklist for benchmarks\r\n",
      "# Generated; every domain below is made up.\r\n",
      "127.0.0.1 localhost\r\n",
      "::1 localhost\r\n",
      "\r\n",
  };
  const long header = sizeof kHeader / sizeof kHeader[0];
  if (managed < 1 || lines < header + managed) return false;

  Random random;
  std::string& hosts = input->hosts;
  hosts.clear();
  hosts.reserve(lines * 44);
  for (const char* line : kHeader) hosts += line;
  long rest = lines - header;
  long gap = rest / managed;  // a managed line closes every gap
  int next = 0;
  for (long i = 1; i <= rest; ++i) {
    if (next < managed && i % gap == 0) {
      std::string address =
          next == managed - 1 ? "192.0.2.1" : Address("172.16.", next);
      hosts += address + "\t" + Name(next, managed) + "\t##Quorvane##\r\n";
      ++next;
    } else {
      hosts += "0.0.0.0 " + Domain(random) + "\r\n";
    }
  }

  std::vector<int> order(managed);
  for (int i = 0; i < managed; ++i) order[i] = i;
  for (int i = managed - 1; i > 0; --i) {
    std::swap(order[i], order[random.Below(i + 1)]);
  }
  input->pairs.clear();
  for (int i : order) {
    input->pairs.emplace_back(Address("10.0.", i), Name(i, managed));
  }
  return true;
}

}  // namespace quorvane
