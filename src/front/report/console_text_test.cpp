#include "front/report/console_text.h"

#include <gtest/gtest.h>

#include "front/report/messages.h"

namespace quorvane {
namespace {

TEST(ConsoleTextTest, CharsetFollowsTheLocale) {
  EXPECT_EQ(ConsoleCharset("C", "ANSI_X3.4-1968"), "UTF-8");
  EXPECT_EQ(ConsoleCharset("POSIX", "ANSI_X3.4-1968"), "UTF-8");
  EXPECT_EQ(ConsoleCharset("C.UTF-8", "UTF-8"), "UTF-8");
  EXPECT_EQ(ConsoleCharset("ja_JP.eucJP", "EUC-JP"), "EUC-JP");
  EXPECT_EQ(ConsoleCharset("ja_JP.SJIS", "SHIFT_JIS"), "SHIFT_JIS");
}

TEST(ConsoleTextTest, OwnTextIsConverted) {
  EXPECT_EQ(ConvertOwnText(kCannotOpenHosts, "UTF-8"), "HOSTS が開けません.");
  EXPECT_EQ(ConvertOwnText(kCannotOpenHosts, "EUC-JP"),
            "HOSTS \xa4\xac\xb3\xab\xa4\xb1\xa4\xde\xa4\xbb\xa4\xf3.");
  EXPECT_EQ(ConvertOwnText(kCannotOpenHosts, "SHIFT_JIS"), kCannotOpenHosts);
  // A character set without Japanese still gets a readable line.
  std::string ascii = ConvertOwnText(kCannotOpenHosts, "ISO-8859-1");
  EXPECT_EQ(ascii.substr(0, 6), "HOSTS ");
  EXPECT_EQ(ascii.back(), '.');
  // Unknown character set: the bytes as stored.
  EXPECT_EQ(ConvertOwnText(kCannotOpenHosts, "NO-SUCH-CHARSET"),
            kCannotOpenHosts);
}

TEST(ConsoleTextTest, LongTextsAndStrayBytes) {
  std::string usage = ConvertOwnText(kUsage, "UTF-8");
  EXPECT_TRUE(usage.starts_with("Quorvane Ver2.0  ※使用は")) << usage;
  EXPECT_TRUE(usage.ends_with("\n             HOSTS を元に戻します.\n"))
      << usage;
  // A lone lead byte at the end cannot be decoded; it is passed on.
  EXPECT_EQ(ConvertOwnText("ab\x82", "UTF-8"), "ab\x82");
}

}  // namespace
}  // namespace quorvane
