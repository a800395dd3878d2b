#include "hosts/name_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using namespace std::string_literals;

// What ForEach must report: for each place in `text`, in order, the names
// that end there, longest first.
std::vector<size_t> PlainOccurrences(const std::vector<std::string>& names,
                                     std::string_view text) {
  std::vector<size_t> found;
  for (size_t end = 1; end <= text.size(); ++end) {
    std::vector<size_t> here;
    for (size_t i = 0; i < names.size(); ++i) {
      size_t n = names[i].size();
      if (n <= end && text.substr(end - n, n) == names[i]) here.push_back(i);
    }
    std::sort(here.begin(), here.end(), [&](size_t a, size_t b) {
      return names[a].size() > names[b].size();
    });
    found.insert(found.end(), here.begin(), here.end());
  }
  return found;
}

size_t PlainFindEnd(const std::vector<std::string>& names,
                    std::string_view text, size_t from) {
  size_t best = std::string_view::npos;
  for (const std::string& name : names) {
    size_t at = text.find(name, from);
    if (at != std::string_view::npos) best = std::min(best, at + name.size());
  }
  return best;
}

std::vector<size_t> Reported(const NameSearch& search, std::string_view text) {
  std::vector<size_t> found;
  search.ForEach(text, [&](size_t i) { found.push_back(i); });
  return found;
}

NameSearch Build(const std::vector<std::string>& names) {
  return NameSearch(std::vector<std::string_view>(names.begin(), names.end()));
}

TEST(NameSearchTest, NamesInsideOneAnother) {
  std::vector<std::string> names = {"he", "she", "his", "hers", "e"};
  NameSearch search = Build(names);
  std::string text = "ushers and his sheep";
  // she, he and e end together; then hers; his; she, he, e again; e.
  EXPECT_EQ(Reported(search, text),
            (std::vector<size_t>{1, 0, 4, 3, 2, 1, 0, 4, 4}));
  EXPECT_EQ(search.FindEnd(text, 0), 4u);
  EXPECT_EQ(search.FindEnd(text, 3), 4u);   // "e" alone
  EXPECT_EQ(search.FindEnd(text, 4), 14u);  // "hers" started too early
  EXPECT_EQ(search.FindEnd(text, 19), std::string_view::npos);
  EXPECT_EQ(search.FindEnd(text, 99), std::string_view::npos);
}

TEST(NameSearchTest, EveryByteIsAByte) {
  // Bytes above 0x7f, NUL, CR and LF are bytes like any other; case counts.
  std::vector<std::string> names = {"\x82\xa0"s, "a\0b"s, "\r\n"s, "\xff"s,
                                    "NAS"s};
  NameSearch search = Build(names);
  std::string text = "x\x82\xa0 a\0b\r\n nas NAS \xff\xfe\x82"s;
  EXPECT_EQ(Reported(search, text), (std::vector<size_t>{0, 1, 2, 4, 3}));
  EXPECT_EQ(Reported(search, "nothing here \x82"), std::vector<size_t>{});
  EXPECT_EQ(Reported(Build({}), text), std::vector<size_t>{});
  EXPECT_EQ(Build({}).FindEnd(text, 0), std::string_view::npos);
}

// Random names and texts over a few letters, so that names inside names,
// shared prefixes and suffixes, and runs of matches are the usual case.
TEST(NameSearchTest, AgreesWithThePlainSearchOnRandomInput) {
  std::mt19937 random(7);
  auto word = [&](const char* letters, size_t max_length) {
    std::string w;
    size_t n = 1 + random() % max_length;
    size_t k = strlen(letters);
    for (size_t i = 0; i < n; ++i) w += letters[random() % k];
    return w;
  };
  for (int round = 0; round < 3000; ++round) {
    // Some rounds use more letters in the text than in the names, so that
    // long stretches start no name.
    const char* text_letters = round % 3 == 0 ? "abc.-xyz\n" : "ab\n";
    std::vector<std::string> names;
    size_t count = round % 10 == 0 ? 60 : random() % 6;
    for (size_t i = 0; i < count; ++i) {
      std::string name = word("ab\n", 1 + round % 5);
      if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(name);
      }
    }
    std::string text = word(text_letters, 1 + random() % 80);
    NameSearch search = Build(names);
    ASSERT_EQ(Reported(search, text), PlainOccurrences(names, text))
        << "text " << testing::PrintToString(text) << " names "
        << testing::PrintToString(names);
    for (size_t from = 0; from <= text.size(); ++from) {
      ASSERT_EQ(search.FindEnd(text, from), PlainFindEnd(names, text, from))
          << "text " << testing::PrintToString(text) << " from " << from;
    }
  }
}

}  // namespace
}  // namespace quorvane
