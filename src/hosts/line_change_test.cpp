// What each kind of changed line is reported as, and the count by kind.
#include "hosts/line_change.h"

#include <gtest/gtest.h>

#include "hosts/kept_line.h"
#include "report/language.h"
#include "report/texts.h"

namespace quorvane {
namespace {

TEST(LineChangeTest, DescribesEachKindFromTheBytes) {
  const std::string kept = KeptLine("1.1.1.1 box nas\r\n", {"nas", "box"});
  const struct {
    std::string old_line, new_line, said;
  } cases[] = {
      {"", "192.0.2.7\tnas\t##Quorvane##\n", "nas: added 192.0.2.7\n"},
      {"10.0.0.1\tNAS\t##Quorvane##\r\n", "192.0.2.7\tnas\t##Quorvane##\r\n",
       "nas: 10.0.0.1 -> 192.0.2.7\n"},
      {"#2001:db8::1\tnas\t##Quorvane##", "2001:db8::1\tnas\t##Quorvane##\n",
       "nas: #2001:db8::1 -> 2001:db8::1\n"},
      {"192.0.2.7\tnas\t##Quorvane##\n", "#192.0.2.7\tnas\t##Quorvane##\n",
       "nas: disabled 192.0.2.7\n"},
      {"", kept, "nas box: kept aside: 1.1.1.1 box nas\n"},
      {kept, "1.1.1.1 box nas\r\n", "nas box: given back: 1.1.1.1 box nas\n"},
  };
  SetLanguage(Language::kEnglish);
  for (const auto& c : cases) {
    EXPECT_EQ(ChangeLine(DescribeChange(c.old_line, c.new_line)).Bytes(),
              c.said)
        << c.new_line;
  }
}

TEST(LineChangeTest, CountsOnlyTheKindsThatHappened) {
  const LineChange added{LineChange::kAdded, "a", "", "192.0.2.7"};
  const LineChange kept{LineChange::kKeptAside, "a", "1.1.1.1 a", ""};
  const LineChange back{LineChange::kGivenBack, "a", "", "1.1.1.1 a"};
  SetLanguage(Language::kEnglish);
  EXPECT_EQ(CountLine({added, added, kept}).Bytes(),
            "2 lines added, 1 entry kept aside.\n");
  EXPECT_EQ(
      CountLine({back, {LineChange::kDisabled, "a", "", "1.1.1.1"}}).Bytes(),
      "1 line disabled, 1 entry given back.\n");
  // Additions alone say what the original program said, byte for byte.
  SetLanguage(Language::kJapanese);
  EXPECT_EQ(CountLine({added, added}).Bytes(),
            Format(kLinesAdded, {2}).Bytes());
  SetLanguage(Language::kEnglish);
}

}  // namespace
}  // namespace quorvane
