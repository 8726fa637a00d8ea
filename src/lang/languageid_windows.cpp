#include "lang/languageid.h"

#include <windows.h>

namespace quendral {

quint16 systemDefaultLangId()
{
    return GetSystemDefaultLangID();
}

} // namespace quendral
