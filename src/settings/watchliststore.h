#pragma once

#include "settings/messageid.h"

#include <QStringList>

#include <optional>

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

// Why `entry` may not join the stored `entries`, or nothing when it may: the
// list is full; the path is empty, not absolute, begins with a blank, is
// enclosed in quotation marks, holds a line break or cannot be kept whole;
// it names a folder, or a file in a folder that does not exist; it is on the
// list already. A path that passes reads back exactly as given.
std::optional<Msg> refusal(const QStringList &entries, const QString &entry);

// The list to store when a window that loaded `loaded` applies `edited`
// while `stored` is what the file holds now: the stored list with the
// window's removals and additions, added entries in alphabetical order.
// Entries that left the file meanwhile (a completion empties it) stay gone.
QStringList merge(const QStringList &loaded, const QStringList &edited, const QStringList &stored);

// Where `entry` goes in `entries` kept in alphabetical order, letter case
// ignored: after every entry that sorts with it or before it.
qsizetype sortedRow(const QStringList &entries, const QString &entry);

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
