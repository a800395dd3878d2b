#include <windows.h>

#include "report/language.h"

namespace quorvane {

Language UserLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE
             ? Language::kJapanese
             : Language::kEnglish;
}

}  // namespace quorvane
