#include "tray/startupmemory.h"

#include <malloc.h>

namespace quendral {

void returnFreeHeap()
{
    // glibc gives back only the top of the heap by itself; the font data
    // freed lies in its middle.
    malloc_trim(0);
}

} // namespace quendral
