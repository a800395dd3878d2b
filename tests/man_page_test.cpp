// Tests of the manual page as man and groff show it: no troff warning on a
// UTF-8 terminal, an ASCII one or PostScript; a NAME line that whatis can
// read; and every message the program prints, read from messages.h, with
// its fixed text as the program shows it.
//
// Usage: quorvane_man_test PAGE MESSAGES_H
#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "front/report/messages.h"
#include "support/cp932.h"
#include "support/run.h"

namespace quorvane {
namespace {

std::string g_page;
std::string g_messages_h;

class ManPage : public testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/quorvane-man.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    scratch_ = dir;
  }
  void TearDown() override {
    ASSERT_EQ(system(("rm -rf " + scratch_).c_str()), 0);
  }

  // man's own rendering, as a user with this locale sees it.
  RunResult Man(const std::string& locale) {
    return quorvane::Run({"/usr/bin/man", "--warnings", "-l", g_page},
                         {"LC_ALL=" + locale, "MANWIDTH=200"}, "", scratch_);
  }

  // groff with every warning on, for one output device.
  RunResult Groff(const std::string& device) {
    return quorvane::Run(
        {"/bin/sh", "-c", "preconv \"$0\" | groff -man -ww -z -T$1", g_page,
         device},
        {"LC_ALL=C.UTF-8"}, "", scratch_);
  }

  std::string scratch_;
};

TEST_F(ManPage, RendersWithoutWarnings) {
  for (const char* locale : {"C.UTF-8", "C"}) {
    RunResult r = Man(locale);
    EXPECT_EQ(r.status, 0) << locale;
    EXPECT_EQ(r.err, "") << locale;
    EXPECT_NE(r.out.find("EXIT STATUS"), std::string::npos) << locale;
  }
  for (const char* device : {"utf8", "ascii", "ps"}) {
    RunResult r = Groff(device);
    EXPECT_EQ(r.status, 0) << device;
    EXPECT_EQ(r.err, "") << device;
  }
}

TEST_F(ManPage, WithoutJapaneseCharactersTheMessagesAreSpeltInRomaji) {
  RunResult r = Man("C");
  EXPECT_NE(r.out.find("198  HOSTS ga akemasen."), std::string::npos);
  EXPECT_EQ(r.out.find("HOSTS ."), std::string::npos);  // a dropped message
}

TEST_F(ManPage, WhatisReadsItsName) {
  RunResult r = quorvane::Run({"/usr/bin/lexgrog", g_page}, {}, "", scratch_);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, g_page +
                       ": \"Quorvane - point hosts-file names at the "
                       "addresses of dynamic-DNS domains\"\n");
}

// The pieces of a message that stand in the page word for word: the text
// between its placeholders and line breaks, without the blanks at the ends.
std::vector<std::string> FixedPieces(std::string text) {
  text = std::regex_replace(text, std::regex("%[sd]"), "\n");
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string piece = text.substr(start, end - start);
    size_t first = piece.find_first_not_of(' ');
    if (first != std::string::npos) {
      pieces.push_back(
          piece.substr(first, piece.find_last_not_of(' ') - first + 1));
    }
    start = end + 1;
  }
  return pieces;
}

TEST_F(ManPage, ListsEveryMessageWithItsCode) {
  const std::string_view messages[] = {
      kUsage,
      kReading,
      kWriting,
      kLinesAdded,
      kLinesDeleted,
      kCannotOpenList,
      kBadListLine,
      kCannotOpenHosts,
      kCannotWriteHosts,
      kCannotStartNetwork,
      kCannotResolve,
  };
  // Every text in messages.h is listed above (besides the program name and
  // the title, checked below): a new one must be described in the page.
  std::string header = ReadFile(g_messages_h);
  std::regex declaration("inline constexpr std::string_view k");
  auto count = std::distance(
      std::sregex_iterator(header.begin(), header.end(), declaration),
      std::sregex_iterator());
  EXPECT_EQ(count, static_cast<long>(std::size(messages)) + 2);

  RunResult r = Man("C.UTF-8");
  ASSERT_EQ(r.status, 0);
  for (std::string_view message : messages) {
    for (const std::string& piece : FixedPieces(DecodeCp932(message))) {
      EXPECT_NE(r.out.find(piece), std::string::npos) << piece;
    }
  }
  EXPECT_NE(r.out.find(std::string(kProgramName) + " (code)"),
            std::string::npos);
  for (int code : {kErrorListOpen, kErrorListLine, kErrorHostsOpen,
                   kErrorHostsWrite, kErrorNetworkStart, kErrorResolve}) {
    EXPECT_NE(r.out.find("       " + std::to_string(code) + "  "),
              std::string::npos)
        << code;
  }
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    fprintf(stderr, "usage: quorvane_man_test PAGE MESSAGES_H\n");
    return 2;
  }
  quorvane::g_page = argv[1];
  quorvane::g_messages_h = argv[2];
  return RUN_ALL_TESTS();
}
