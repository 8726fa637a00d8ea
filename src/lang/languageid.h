#pragma once

#include <QString>

namespace quendral {

inline constexpr quint16 kLangIdPolish = 1045;
inline constexpr quint16 kLangIdEnglish = 1033;

// The system's default language identifier: 1045 on a Polish system, 1033
// for every other language on platforms without such identifiers.
quint16 systemDefaultLangId();

} // namespace quendral
