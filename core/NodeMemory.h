// Memory for expression nodes. Translation makes and frees nodes by the dozen for every short
// text; the general allocator spends more on them than the translator spends on the text.
// Freed node blocks are kept per thread, by size, for that thread's next nodes, and handed
// back when the thread ends. Only 64 KB are kept, the nodes of a few short texts: blocks kept
// from a large tree come back scattered over memory that has left the cache, and a large
// text translated into them ran a quarter slower than into the allocator's fresh memory.
#pragma once

#include <cstddef>

namespace qnexp {

void* AllocateNodeMemory(std::size_t size);
void FreeNodeMemory(void* block, std::size_t size) noexcept;

// The bytes of freed node blocks the calling thread keeps for reuse, and the most it keeps.
std::size_t NodeMemoryKept();
std::size_t NodeMemoryKeptAtMost();
// False in builds with the address sanitizer, where every node goes to the general allocator
// so that a use after free is reported.
bool NodeMemoryKeepsBlocks();

}  // namespace qnexp
