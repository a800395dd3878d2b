// The hash's values are part of what the program writes (journals, the
// Windows lock's name): pinned, the same on every machine.
#include "store/hash.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(HashTest, ValuesDependOnTheBytesAlone) {
  const char kLines[] =
      "127.0.0.1 localhost\r\n192.0.2.7\tnas\t##Quorvane##\r\n";
  const struct {
    std::string_view bytes;
    uint64_t fnv, bulk;
  } cases[] = {
      {"", 0xcbf29ce484222325ull, 0xcbf29ce484222325ull},
      {"a", 0xaf63dc4c8601ec8cull, 0xaf63dc4c8601ec8cull},
      {"0123456789abcdef", 0x2e373913e5ad677dull, 0x4914f088f409e718ull},
      {kLines, 0x28b866a665cd0a31ull, 0x06d7d9737b04b2c0ull},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fnv1a(c.bytes), c.fnv) << c.bytes;
    EXPECT_EQ(HashBytes(c.bytes), c.bulk) << c.bytes;
  }
  EXPECT_EQ(HashBytes("tail", HashBytes("0123456789")), 0x1a77aa19aaf6d701ull);
  // Two spellings of one Windows folder name one lock.
  for (const char* folder : {"C:\\Windows/System32\\drivers/etc",
                             "c:\\windows\\system32\\drivers\\etc"}) {
    EXPECT_EQ(Fnv1a(folder, kFnvBasis, Spelling::kWindowsPath),
              0x9c00f256b4fa714aull)
        << folder;
  }
}

}  // namespace
}  // namespace quorvane
