// NameSearch, with each way of skipping, against a plain look at every place
// of the text: the same occurrences in the same order, wherever they sit in
// the blocks the wide skip reads.
#include "hosts/name_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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

void ExpectPlainOccurrences(const std::vector<std::string_view>& names,
                            const std::string& text) {
  SCOPED_TRACE(testing::PrintToString(text));
  const auto want = Occurrences(names, text);
  std::vector<size_t> want_names;
  for (const Occurrence& found : want) want_names.push_back(found.name);
  for (auto skip :
       {NameSearch::Skip::kWideWhereFew, NameSearch::Skip::kSse2WhereFew,
        NameSearch::Skip::kPairTable}) {
    SCOPED_TRACE(static_cast<int>(skip));
    NameSearch search(names, skip);
    std::vector<size_t> found_names;
    search.ForEach(text, [&](size_t name) { found_names.push_back(name); });
    EXPECT_EQ(found_names, want_names);
    for (size_t from = 0; from <= text.size(); ++from) {
      size_t first_end = std::string_view::npos;
      for (const Occurrence& found : want) {
        if (found.end - found.size >= from) {
          first_end = std::min(first_end, found.end);
        }
      }
      ASSERT_EQ(search.FindEnd(text, from), first_end) << "from " << from;
    }
  }
}

TEST(NameSearchTest, EverySkipFindsEveryOccurrence) {
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
  for (const auto& c : cases) ExpectPlainOccurrences(c.names, c.text);

  // The name, and a near miss before it, at every place of the wide skips'
  // steps of 16, 32 and 64 places, and in the last bytes they leave over.
  for (size_t at = 0; at + 3 <= 140; ++at) {
    std::string text(140, '-');
    text.replace(at, 3, "nAs");
    if (at >= 4) text.replace(at - 4, 3, "nab");
    ExpectPlainOccurrences({"nas", "box"}, text);
  }

  // Names too many and too long for the table of moves: looked up by edges.
  std::vector<std::string> long_names;
  for (int i = 0; i < 90; ++i) {
    std::string name;
    for (int j = 0; j < 250; ++j)
      name += static_cast<char>('$' + (i * 7 + j * j) % 90);
    long_names.push_back(name);
  }
  std::vector<std::string_view> names(long_names.begin(), long_names.end());
  std::string upper = long_names[5];
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ExpectPlainOccurrences(names, pad + long_names[3] + "\n" + upper +
                                    long_names[3].substr(0, 200) + pad);
}

}  // namespace
}  // namespace quorvane
