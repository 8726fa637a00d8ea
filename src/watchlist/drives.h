#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace quendral {

// One entry of the folder chooser's drive list: the text shown (also used in
// the not-ready message) and the folder the folder list opens on.
struct DriveEntry
{
    QString text;
    QString path;
};

using DriveSource = std::function<QList<DriveEntry>()>;

// The drives of this system in the chooser's order. The chooser opens on the
// second entry, so each platform puts its everyday location there.
QList<DriveEntry> systemDrives();

} // namespace quendral
