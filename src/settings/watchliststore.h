#pragma once

#include <QStringList>

namespace quendral {

class IniFile;

// The stored watch list: section Files of the settings file, keys file0 to
// file100, consecutive from file0 up to the first empty value. The monitoring
// tick and the watch-list window both go through here.
namespace watchlist {

inline constexpr int kMaxEntries = 100;
// Apply writes every slot, so entries beyond a shortened list are emptied.
inline constexpr int kSlots = kMaxEntries + 1;

// False for an entry that would read back as another path: one longer than a
// read returns, or ending in a blank or tab, which reads drop.
bool isStorable(const QString &entry);

// The entries up to the first empty value, of the list's slots only.
QStringList read(const IniFile &file);

// Writes the entries into the slots in order and empties the remaining
// slots. True when every value reached the file.
bool write(const IniFile &file, const QStringList &entries);

// Empties the list: the keys of the stored entries stay, with empty values.
// True when the list reads as empty afterwards.
bool empty(const IniFile &file);

} // namespace watchlist
} // namespace quendral
