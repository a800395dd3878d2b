#include "report/windows_text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "report/texts.h"

namespace quorvane {
namespace {

TEST(WindowsTextTest, CutStopsAtTheLimitWithoutSplittingACharacter) {
  // A 2000-byte path in error 147: the text is cut at the formatter's limit.
  std::string path(2000, 'p');
  Message text = Format(kCannotOpenList.japanese, {path});
  Message cut = Cut(text, 1023);
  EXPECT_EQ(cut.Bytes(), std::string(1023, 'p'));

  // Cut inside the Japanese: never half of a double-byte character.
  Message short_path = Format(kCannotOpenList.japanese, {"ab"});
  ASSERT_EQ(short_path.Bytes().substr(2, 2), "\x82\xaa");  // が
  EXPECT_EQ(Cut(short_path, 3).Bytes(), "ab");
  EXPECT_EQ(Cut(short_path, 4).Bytes(), "ab\x82\xaa");
  EXPECT_EQ(Cut(short_path, 1000).Bytes(), short_path.Bytes());
  // Pieces keep their origin, so each is decoded from its own code page.
  EXPECT_EQ(Cut(short_path, 4).pieces[0].source, Message::Source::kOutside);
  EXPECT_EQ(Cut(short_path, 4).pieces[1].source, Message::Source::kOwnText);
}

TEST(WindowsTextTest, WideTextDecodesOwnTextFromCodePage932) {
  EXPECT_EQ(WideText(Format(kCannotOpenHosts.japanese, {})),
            L"HOSTS \u304c\u958b\u3051\u307e\u305b\u3093.");
  EXPECT_EQ(WideText(Format(kTitle, {kProgramName, 238})), L"Quorvane (238)");
}

TEST(WindowsTextTest, APathIsUtf8ToTheSystemAndShownInTheCodePage) {
  const std::string japan = "\xe6\x97\xa5\xe6\x9c\xac";  // 日本
  EXPECT_EQ(Wide(japan), L"\u65e5\u672c");
  EXPECT_EQ(Utf8(L"\u65e5\u672c"), japan);
  Message text = Format("%s!", {PathArg(japan)});
  EXPECT_EQ(WideText(text), L"\u65e5\u672c!");
  EXPECT_EQ(Cut(text, 5).Bytes(), "\xe6\x97\xa5");  // never half of one
  // In a file or pipe: the code page's bytes, "?" where it has none.
  const bool sjis = GetACP() == 932;
  EXPECT_EQ(PieceBytes(text.pieces[0]), sjis ? "\x93\xfa\x96{" : "??");
  EXPECT_EQ(CodePageBytes(japan),
            sjis ? std::optional<std::string>("\x93\xfa\x96{") : std::nullopt);
  EXPECT_EQ(CodePageBytes("caf\xc3\xa9"),
            sjis ? std::nullopt : std::optional<std::string>("caf\xe9"));
}

}  // namespace
}  // namespace quorvane
