#pragma once

namespace quendral {

// Gives back what only start-up needed, once the splash is gone: the font
// engines it loaded (its title's font, often a large substitute where the
// named one is missing, would otherwise be cached for good; fonts in use
// load again when next drawn) and the heap pages left free.
void releaseStartUpMemory();

// Returns the free pages of the heap to the system; one file per platform.
void returnFreeHeap();

} // namespace quendral
