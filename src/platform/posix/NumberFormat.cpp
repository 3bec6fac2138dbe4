#include "platform/NumberFormat.h"

#include <langinfo.h>
#include <locale.h>

namespace hopplix {

NumberFormat systemNumberFormat()
{
    const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (!user)
        return numberFormatOf(".", ""); // the locale named in the environment is not installed
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    const char* group = nl_langinfo_l(THOUSEP, user);
    const NumberFormat format = numberFormatOf(radix ? radix : "", group ? group : "");
    freelocale(user);
    return format;
}

} // namespace hopplix
