#include "platform/locale_separators.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace ordo::detail {

void ReadLocaleSeparators(char& decimal) noexcept {
    // A private locale object: reading the user's settings must not change the
    // process-wide C locale, which other code may rely on.
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return;
    const char* dp = nl_langinfo_l(RADIXCHAR, loc);
    if (dp != nullptr && dp[0] != '\0' && dp[1] == '\0') decimal = dp[0];
    freelocale(loc);
}

}  // namespace ordo::detail
