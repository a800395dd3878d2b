#include "report/language.h"

namespace quorvane {

namespace {

Language g_language = Language::kEnglish;

// The language part of a locale name: "ja" of "ja_JP.UTF-8@x".
std::string_view LanguagePart(std::string_view name) {
  return name.substr(0, name.find_first_of("_.@"));
}

}  // namespace

Language LanguageOfLocale(std::string_view lc_all, std::string_view lc_messages,
                          std::string_view lang, std::string_view language) {
  std::string_view locale = !lc_all.empty()        ? lc_all
                            : !lc_messages.empty() ? lc_messages
                                                   : lang;
  if (locale.empty() || locale == "C" || locale == "POSIX") {
    return Language::kEnglish;
  }
  if (!language.empty()) {
    while (!language.empty()) {
      size_t colon = language.find(':');
      std::string_view part = LanguagePart(language.substr(0, colon));
      if (part == "ja") return Language::kJapanese;
      if (part == "en" || part == "C") return Language::kEnglish;
      language = colon == std::string_view::npos ? std::string_view()
                                                 : language.substr(colon + 1);
    }
    return Language::kEnglish;
  }
  return LanguagePart(locale) == "ja" ? Language::kJapanese
                                      : Language::kEnglish;
}

void SetLanguage(Language language) { g_language = language; }

Language CurrentLanguage() { return g_language; }

}  // namespace quorvane
