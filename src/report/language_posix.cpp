#include <cstdlib>

#include "report/language.h"

namespace quorvane {

namespace {

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

Language UserLanguage() {
  return LanguageOfLocale(Variable("LC_ALL"), Variable("LC_MESSAGES"),
                          Variable("LANG"), Variable("LANGUAGE"));
}

}  // namespace quorvane
