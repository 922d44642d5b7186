// Depth limits and the stack check shared by every nested path of evaluation and translation.
#include "core/Nesting.h"

#include <pthread.h>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

struct TStackBounds {
  uintptr_t Lowest = 0;
  size_t Size = 0;
};

// The calling thread's stack, read once per thread; empty when it cannot be told.
const TStackBounds& StackBounds() {
  thread_local const TStackBounds bounds = [] {
    TStackBounds found;
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) == 0) {
      void* lowest = nullptr;
      size_t size = 0;
      if (pthread_attr_getstack(&attributes, &lowest, &size) == 0) {
        found.Lowest = reinterpret_cast<uintptr_t>(lowest);
        found.Size = size;
      }
      pthread_attr_destroy(&attributes);
    }
    return found;
  }();
  return bounds;
}

// Text nested at run time, counted across every path that starts one.
int TextDepth = 0;

}  // namespace

size_t ThreadStackSize() { return StackBounds().Size; }

TStackCheck::TStackCheck() : Lowest(StackBounds().Lowest), Size(StackBounds().Size) {}

bool StackIsLow() {
  const TStackBounds& bounds = StackBounds();
  if (bounds.Size == 0) return false;
  auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  // A frame outside the bounds (an alternate signal stack, say) cannot be judged.
  if (here < bounds.Lowest || here - bounds.Lowest > bounds.Size) return false;
  return here - bounds.Lowest < bounds.Size / 2;
}

TNestingGuard::TNestingGuard(int& depth, int limit, const char* message,
                             std::string_view name)
    : Depth(depth) {
  if (Depth >= limit || StackIsLow()) {
    if (!name.empty()) throw Exception(Format(Res(message), {std::string(name), limit}));
    throw Exception(Format(Res(message), {limit}));
  }
  ++Depth;
}

TTextNestingGuard::TTextNestingGuard()
    : Guard(TextDepth, kMaxTextNesting, "表达式文本的计算嵌套太深(超过%d层)") {}

}  // namespace qnexp
