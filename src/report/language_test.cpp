#include "report/language.h"

#include <gtest/gtest.h>

#include <string_view>

namespace quorvane {
namespace {

TEST(LanguageTest, ChosenAsGettextChooses) {
  constexpr Language ja = Language::kJapanese, en = Language::kEnglish;
  struct Case {
    std::string_view lc_all, lc_messages, lang, language;
    Language want;
  };
  const Case cases[] = {
      {"", "", "", "", en},
      {"", "", "ja_JP.UTF-8", "", ja},
      {"", "", "ja", "", ja},
      {"", "", "ja_JP.eucJP@x", "", ja},
      {"", "", "jam_JM", "", en},
      {"", "", "de_DE.UTF-8", "", en},
      // The first non-empty of LC_ALL, LC_MESSAGES, LANG.
      {"C", "", "ja_JP.UTF-8", "", en},
      {"", "ja_JP", "C.UTF-8", "", ja},
      {"en_US.UTF-8", "ja_JP", "", "", en},
      // LANGUAGE counts only outside C and POSIX; its first entry in a
      // language the program has decides, or else nothing does.
      {"POSIX", "", "", "ja", en},
      {"", "", "C", "ja", en},
      {"", "", "en_US.UTF-8", "ja", ja},
      {"", "", "ja_JP.UTF-8", "en_GB:ja", en},
      {"", "", "ja_JP.UTF-8", "fr:de", en},
      {"", "", "de_DE.UTF-8", "fr:ja_JP:en", ja},
      {"", "", "C.UTF-8", "ja", ja},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LanguageOfLocale(c.lc_all, c.lc_messages, c.lang, c.language),
              c.want)
        << c.lc_all << "|" << c.lc_messages << "|" << c.lang << "|"
        << c.language;
  }
}

}  // namespace
}  // namespace quorvane
