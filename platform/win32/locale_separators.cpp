#include "platform/locale_separators.h"
#include "platform/win32/windows_api.h"

namespace ordo::detail {

void ReadLocaleSeparators(char& decimal) noexcept {
    char buf[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) == 2) decimal = buf[0];
}

}  // namespace ordo::detail
