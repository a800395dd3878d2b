#include "names/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

std::string Pairs(const ListScan& scan) {
  std::string out;
  for (const ListScan::Pair& pair : scan.pairs) {
    out += std::string(pair.domain) + "=" + std::string(pair.name) + ";";
  }
  return out;
}

TEST(ListFileTest, PairsCommentsAndSkippedLines) {
  ListScan scan = ScanListFile(
      "# my names\r\n"
      "ddns.example.net nas\r\n"
      "\r\n"
      "a.example\tpc1 extra words\n"
      "  indented.example skipped\n"
      "\tb.example also-skipped\n"
      "\vc.example x\n"
      "last.example nas2");
  EXPECT_TRUE(scan.ok);
  EXPECT_EQ(Pairs(scan),
            "ddns.example.net=nas;a.example=pc1;last.example=nas2;");
}

TEST(ListFileTest, EmptyAndCommentOnlyFilesHoldNoPairs) {
  EXPECT_TRUE(ScanListFile("").pairs.empty());
  ListScan scan = ScanListFile("#a b\n\n   \n#\n");
  EXPECT_TRUE(scan.ok);
  EXPECT_TRUE(scan.pairs.empty());
}

TEST(ListFileTest, OneWordLineIsReportedWithItsPhysicalNumber) {
  ListScan scan = ScanListFile("# comment\r\n\r\nlonely\r\nd n\r\n");
  EXPECT_FALSE(scan.ok);
  EXPECT_EQ(scan.bad_line, "lonely\r\n");
  EXPECT_EQ(scan.bad_line_number, 3);
  EXPECT_TRUE(scan.pairs.empty());

  scan = ScanListFile("a x\nb");
  EXPECT_FALSE(scan.ok);
  EXPECT_EQ(Pairs(scan), "a=x;");
  EXPECT_EQ(scan.bad_line, "b");
  EXPECT_EQ(scan.bad_line_number, 2);

  // A trailing blank does not make a second word.
  scan = ScanListFile("a \r\n");
  EXPECT_FALSE(scan.ok);
  EXPECT_EQ(scan.bad_line_number, 1);
}

TEST(ListFileTest, LongLinesAreWholeLines) {
  // A long comment stays one comment: its tail is never read as a pair.
  std::string comment = "#" + std::string(2000, 'c') + " tail.example x\n";
  // The scan's views point into the bytes, which must outlive it.
  std::string bytes =
      comment + "d n\n" + "e " + std::string(1500, 'h') + "\nshort\n";
  ListScan scan = ScanListFile(bytes);
  EXPECT_FALSE(scan.ok);
  ASSERT_EQ(scan.pairs.size(), 2u);
  EXPECT_EQ(scan.pairs[0].domain, "d");
  EXPECT_EQ(scan.pairs[1].name, std::string(1500, 'h'));
  EXPECT_EQ(scan.bad_line_number, 4);
}

TEST(ListFileTest, TextEndsAtNul) {
  using namespace std::string_literals;
  const std::string bytes = "a\0 b\nc d\n"s;
  ListScan scan = ScanListFile(bytes);
  EXPECT_FALSE(scan.ok);
  EXPECT_EQ(scan.bad_line, "a");
  EXPECT_EQ(Pairs(ScanListFile("a b\0c\nc d\n"s)), "a=b;c=d;");
  // A line that starts with NUL holds no words: malformed, not skipped.
  const std::string nul_first = "a b\n\0junk\nc d\n"s;
  scan = ScanListFile(nul_first);
  EXPECT_FALSE(scan.ok);
  EXPECT_EQ(scan.bad_line, "");
  EXPECT_EQ(scan.bad_line_number, 2);
  EXPECT_EQ(Pairs(scan), "a=b;");
}

}  // namespace
}  // namespace quorvane
