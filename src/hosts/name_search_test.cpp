// NameSearch, with each way of skipping, against a plain look at every place
// of the text: the same occurrences in the same order, wherever they sit in
// the sixteen-byte blocks the wide skip reads.
#include "hosts/name_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/line_owner.h"

namespace quorvane {
namespace {

struct Occurrence {
  size_t end, size, name;
};

// Every occurrence, in the order ForEach reports them: by end, then longest
// first.
std::vector<Occurrence> Occurrences(const std::vector<std::string_view>& names,
                                    std::string_view text) {
  std::vector<Occurrence> found;
  for (size_t i = 0; i < names.size(); ++i) {
    const size_t size = names[i].size();
    for (size_t at = 0; at + size <= text.size(); ++at) {
      if (SameName(text.substr(at, size), names[i])) {
        found.push_back({at + size, size, i});
      }
    }
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.end != b.end ? a.end < b.end : a.size > b.size;
  });
  return found;
}

TEST(NameSearchTest, BothSkipsFindEveryOccurrence) {
  const std::string pad(13, ' ');  // with "nas", across a 16-byte boundary
  const struct {
    std::vector<std::string_view> names;
    std::string text;
  } cases[] = {
      // At a line's start and in its middle, in capitals, in a short text.
      {{"nas"}, "nas 1\n"},
      {{"nas", "box"}, "10.0.0.1 box NaS\n10.0.0.2 nas.lan\n# nAs\n"},
      // Across the blocks, and as the text's last bytes.
      {{"nas", "box"}, pad + "nas" + pad + "xbox" + pad + "nas" + pad + "nas"},
      {{"nas"}, std::string(14, ' ') + "nas"},
      // Names sharing a first byte, one of them a byte long; then more
      // starts than the wide skip takes.
      {{"nas", "nab", "n", "ns1"}, pad + "nab\nNS1 nnas" + pad + "xn"},
      {{"nas", "nb", "nc", "nd", "ne"}, pad + "nd ne" + pad + "nb" + pad},
      // Names inside others: every one found, the longer first.
      {{"as", "nas", "s"}, pad + pad + "nas NAS"},
      // No name: bytes that look like a start with 0x20 set, near misses.
      {{"1.5"}, std::string(40, '\x11') + "\x11.5 1,5 1.6"},
      {{"nas"}, std::string(64, 'n') + "a na\ns"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    const auto want = Occurrences(c.names, c.text);
    std::vector<size_t> want_names;
    for (const Occurrence& found : want) want_names.push_back(found.name);
    for (auto skip :
         {NameSearch::Skip::kWideWhereFew, NameSearch::Skip::kPairTable}) {
      SCOPED_TRACE(static_cast<int>(skip));
      NameSearch search(c.names, skip);
      std::vector<size_t> names;
      search.ForEach(c.text, [&](size_t name) { names.push_back(name); });
      EXPECT_EQ(names, want_names);
      for (size_t from = 0; from <= c.text.size(); ++from) {
        size_t first_end = std::string_view::npos;
        for (const Occurrence& found : want) {
          if (found.end - found.size >= from) {
            first_end = std::min(first_end, found.end);
          }
        }
        ASSERT_EQ(search.FindEnd(c.text, from), first_end) << "from " << from;
      }
    }
  }
}

}  // namespace
}  // namespace quorvane
