#include "front/report/messages.h"

#include <gtest/gtest.h>

#include "front/report/message.h"
#include "support/cp932.h"

namespace quorvane {
namespace {

// Each stored text, decoded from code page 932, must read exactly as the
// program means it: a slipped escape would show here as a wrong character.
TEST(MessagesTest, DecodeToTheirReadableSpelling) {
  struct Case {
    std::string_view stored;
    std::string_view readable;
  } cases[] = {
      {kUsage,
       "Quorvane Ver2.0  ※使用は [自己責任] で！\n\nUsage:\n"
       "    Quorvane ダイナミックDNSドメイン名 ホスト名\n"
       "             HOSTS を書き換えます.\n"
       "    Quorvane   (パラメータ無し)\n"
       "             HOSTS を元に戻します.\n"},
      {kReading, "読み込み中... %s\n"},
      {kWriting, "書き込み中... %s\n"},
      {kLinesAdded, "%d 行追加しました.\n"},
      {kLinesDeleted, "%d 行削除しました.\n"},
      {kCannotOpenList, "%sが開けません."},
      {kBadListLine, "%s\nファイル=%s, 行＝%d, 書式が間違っています."},
      {kCannotOpenHosts, "HOSTS が開けません."},
      {kCannotWriteHosts, "HOSTS に書き込めません."},
      {kCannotStartNetwork, "winsock を初期化できません. [%d]"},
      {kCannotResolve, "ipアドレスを取得できません. [%d]"},
      {kTitle, "%s (%d)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeCp932(c.stored), c.readable);
  }
}

TEST(MessageTest, FormatKeepsOwnTextApartFromOutsideBytes) {
  Message message = Format(kBadListLine, {"a\r\n", "list.txt", 3});
  ASSERT_EQ(message.pieces.size(), 4u);
  EXPECT_TRUE(message.pieces[0].source == Message::Source::kOutside &&
              message.pieces[0].bytes == "a\r\n");
  EXPECT_EQ(message.pieces[1].source, Message::Source::kOwnText);
  EXPECT_EQ(message.pieces[2].source, Message::Source::kOutside);
  EXPECT_EQ(message.pieces[2].bytes, "list.txt");
  EXPECT_EQ(message.pieces[3].source, Message::Source::kOwnText);
  EXPECT_EQ(DecodeCp932(message.Bytes()),
            "a\r\n\nファイル=list.txt, 行＝3, 書式が間違っています.");
}

TEST(MessageTest, NumbersAndPercentSigns) {
  EXPECT_EQ(Format("%d%% of %s", {-12, "x"}).Bytes(), "-12% of x");
  EXPECT_EQ(Format(kTitle, {kProgramName, 198}).Bytes(), "Quorvane (198)");
  // Outside bytes that look like a format stay what they are.
  EXPECT_EQ(Format("[%s]", {"%d%s"}).Bytes(), "[%d%s]");
  EXPECT_TRUE(Format("", {}).pieces.empty());
}

}  // namespace
}  // namespace quorvane
