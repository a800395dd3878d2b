// The language of the program's own texts: Japanese where the user's
// language is Japanese, English otherwise. It is chosen once, at the start
// of a run, from what the user's system says (UserLanguage, one per
// platform in language_*.cpp), and every text is then formatted in it.
#ifndef QUORVANE_REPORT_LANGUAGE_H_
#define QUORVANE_REPORT_LANGUAGE_H_

#include <string_view>

namespace quorvane {

enum class Language { kEnglish, kJapanese };

// The language that gettext would choose from these environment values
// (empty when unset): the locale is the first non-empty of LC_ALL,
// LC_MESSAGES and LANG; the C and POSIX locales (or none) speak English;
// otherwise LANGUAGE, a colon-separated list, is asked first, and its first
// entry in a language the program has (ja, or en and C, English) decides,
// while one with none of them leaves the untranslated English. Otherwise
// the locale's language decides: "ja" (as in ja_JP.UTF-8, ja_JP.eucJP, ja)
// is Japanese. Whether the locale is installed does not matter.
Language LanguageOfLocale(std::string_view lc_all, std::string_view lc_messages,
                          std::string_view lang, std::string_view language);

// Platform: the user's language. POSIX: LanguageOfLocale of the
// environment. Windows: the user's interface language.
Language UserLanguage();

// The language every text of this run is formatted in; English until set.
void SetLanguage(Language language);
Language CurrentLanguage();

}  // namespace quorvane

#endif  // QUORVANE_REPORT_LANGUAGE_H_
