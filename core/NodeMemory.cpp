// Per-thread lists of freed node blocks.
#include "core/NodeMemory.h"

#include <new>

namespace qnexp {

namespace {

// Under the address sanitizer every node goes to the general allocator, so that a freed node
// stays poisoned and a use after free is reported.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepFreedBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kKeepFreedBlocks = false;
#else
constexpr bool kKeepFreedBlocks = true;
#endif
#else
constexpr bool kKeepFreedBlocks = true;
#endif

// Blocks are sized 8 bytes above a multiple of 16, up to kLargestKept; larger ones are never
// kept. The general allocator adds an 8-byte header and rounds to 16, so it gives a node of
// such a size exactly the room it would give the node's own size.
constexpr std::size_t kGrain = 16;
constexpr std::size_t kLargestKept = 520;
constexpr std::size_t kSizeClasses = kLargestKept / kGrain + 1;
constexpr std::size_t kMostBytesKept = std::size_t{64} << 10;

std::size_t SizeClassOf(std::size_t size) { return (size + 7) / kGrain; }
std::size_t BlockBytes(std::size_t sizeClass) { return sizeClass * kGrain + 8; }

struct TFreeBlock {
  TFreeBlock* Next;
};

// Trivially destructible, so it stays readable to the very end of the thread, after the
// drain below has run.
struct TThreadBlocks {
  TFreeBlock* Heads[kSizeClasses];
  std::size_t BytesKept;
  bool Open;    // the drain is registered: freed blocks may be kept
  bool Closed;  // the drain has run: freed blocks go straight back
};

thread_local TThreadBlocks Blocks;

// Hands the kept blocks back when the thread ends.
struct TDrain {
  ~TDrain() {
    for (std::size_t i = 0; i < kSizeClasses; ++i)
      while (TFreeBlock* block = Blocks.Heads[i]) {
        Blocks.Heads[i] = block->Next;
        ::operator delete(block);
      }
    Blocks.BytesKept = 0;
    Blocks.Closed = true;
  }
};

}  // namespace

void* AllocateNodeMemory(std::size_t size) {
  if (!kKeepFreedBlocks || size > kLargestKept) return ::operator new(size);
  TThreadBlocks& blocks = Blocks;
  std::size_t sizeClass = SizeClassOf(size);
  if (TFreeBlock* block = blocks.Heads[sizeClass]) {
    blocks.Heads[sizeClass] = block->Next;
    blocks.BytesKept -= BlockBytes(sizeClass);
    return block;
  }
  // Registered here, on the thread's first node, never while the thread is ending: a node
  // freed by a destructor at exit finds the thread either open or closed.
  if (!blocks.Open && !blocks.Closed) {
    static thread_local TDrain drain;
    blocks.Open = true;
  }
  return ::operator new(BlockBytes(sizeClass));
}

void FreeNodeMemory(void* block, std::size_t size) noexcept {
  if (!block) return;
  if (!kKeepFreedBlocks || size > kLargestKept) {
    ::operator delete(block);
    return;
  }
  TThreadBlocks& blocks = Blocks;
  std::size_t sizeClass = SizeClassOf(size);
  std::size_t bytes = BlockBytes(sizeClass);
  if (blocks.Open && !blocks.Closed && blocks.BytesKept + bytes <= kMostBytesKept) {
    auto* freed = static_cast<TFreeBlock*>(block);
    freed->Next = blocks.Heads[sizeClass];
    blocks.Heads[sizeClass] = freed;
    blocks.BytesKept += bytes;
    return;
  }
  ::operator delete(block);
}

std::size_t NodeMemoryKept() { return Blocks.BytesKept; }
std::size_t NodeMemoryKeptAtMost() { return kMostBytesKept; }
bool NodeMemoryKeepsBlocks() { return kKeepFreedBlocks; }

}  // namespace qnexp
