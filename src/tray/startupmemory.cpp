#include "tray/startupmemory.h"

#include <QFont>
#include <QPixmapCache>

namespace quendral {

void releaseStartUpMemory()
{
    // Drops this thread's font cache; fonts notice the new cache and load
    // their engines again when next used.
    QFont::cleanup();
    // Drops the pictures drawn from SVG files so far: the splash's, and the
    // program's icon at the four sizes each window is given; an icon draws
    // its picture again when next shown.
    QPixmapCache::clear();
    returnFreeHeap();
}

} // namespace quendral
