#include "tray/startupmemory.h"

#include <QFont>

namespace quendral {

void releaseStartUpMemory()
{
    // Drops this thread's font cache; fonts notice the new cache and load
    // their engines again when next used.
    QFont::cleanup();
    returnFreeHeap();
}

} // namespace quendral
