#include "tray/startupmemory.h"

#include <malloc.h>

namespace quendral {

void returnFreeHeap()
{
    _heapmin();
}

} // namespace quendral
