// The host core's texts on Windows: i18n.h implemented by win32/i18n_win32.cpp
// over the compiled catalogues of po/ (MoCatalog), which are installed beside
// the program as share\locale\LANG\LC_MESSAGES\pixavon.mo. The language is
// the user's interface language (win32/text.h user_catalogue()); the texts
// are UTF-8, which the console writer (write_utf8) shows in any console.
#pragma once

#include <string>

namespace pixavon::host::win32 {

// Texts from then on from `language`'s catalogue ("ja", "zh_CN", "zh_TW") in
// `locale_folder`; "" for English. False (and English) if that catalogue is
// missing or damaged. Call before other threads use tr().
bool use_catalogue(const std::string& locale_folder, const std::string& language);

// share\locale beside the running program.
std::string installed_locale_folder();

}  // namespace pixavon::host::win32
