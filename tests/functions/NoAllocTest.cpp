// Evaluating a tree of numeric operators and functions allocates nothing on the heap.
//
// This file replaces the global allocation functions for the whole test program. The
// replacements forward to malloc and free and only count while a measurement is running, so
// every other test behaves as with the default ones.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "HandTree.h"
#include "functions/Arithmetic.h"
#include "functions/Comparison.h"
#include "core/EntryPoints.h"
#include "core/Variables.h"

namespace {

std::atomic<bool> Counting{false};
std::atomic<long> Allocations{0};

void* Allocate(std::size_t size) {
  if (Counting.load(std::memory_order_relaxed)) Allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  if (Counting.load(std::memory_order_relaxed)) Allocations.fetch_add(1, std::memory_order_relaxed);
  std::size_t align = static_cast<std::size_t>(alignment);
  if (align < sizeof(void*)) align = sizeof(void*);
  void* block = nullptr;
  if (posix_memalign(&block, align, size ? size : 1) != 0) return nullptr;
  return block;
}

void* OrThrow(void* block) {
  if (!block) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new[](std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return OrThrow(AllocateAligned(size, alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return OrThrow(AllocateAligned(size, alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return AllocateAligned(size, alignment);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}

using namespace qnexp;
using namespace handtree;

// Allocations made inside the library are seen too: joining texts must be counted.
TEST(NoAllocation, CountingSeesTheLibrarysAllocations) {
  auto text = Make<TExp_Add>(Str("a long enough text to leave the small buffer"), Int(12345));
  Allocations = 0;
  Counting = true;
  text->Evaluate(kForceStamp);
  Counting = false;
  EXPECT_GT(Allocations.load(), 0);
}

TEST(NoAllocation, NumericTreeEvaluates) {
  // Arithmetic over integers, reals and date-times, with comparisons and logic.
  auto sum = Make<TExp_Add>(Make<TExp_Mul>(Int(6), Real(1.5)), Make<TExp_Div>(Int(7), Int(2)));
  auto power = Make<TExp_Power>(Make<TExp_Sub>(std::move(sum), Int(1)), Real(0.5));
  auto functions = Make<TExp_Add>(
      Make<TExp_Min>(Make<TExp_Abs>(Int(-4)), Make<TExp_Neg>(Real(2.5))),
      Make<TExp_Max>(Make<TExp_Mod>(Int(17), Int(5)),
                     Make<TExp_IntDiv>(Int(9), Int(0), Make<TExp_RealDiv>(Int(1), Int(4)))));
  auto days = Make<TExp_Sub>(Date(45000.5), Make<TExp_Div>(Real(1), Int(0)));
  auto checks = Make<TExp_And>(
      Make<TExp_Or>(Make<TExp_Great>(std::move(power), Int(3)), Make<TExp_Equ>(Int(1), Real(1))),
      Make<TExp_And>(Make<TExp_Not>(Make<TExp_LorE>(std::move(days), Date(45000))),
                     Make<TExp_Odd>(Make<TExp_Not>(Int(4)))));
  auto tree = Make<TExp_Add>(Make<TExp_Add>(std::move(functions), Int(1)),
                             Make<TExp_Mul>(Make<TExp_Sub>(Int(0), Make<TExp_Not>(Int(0))),
                                            Make<TExp_Add>(Int(0), Make<TExp_Abs>(Int(0)))));
  auto root = Make<TExp_And>(std::move(checks), Make<TExp_GorE>(std::move(tree), Int(0)));
  ASSERT_EQ(root->DataType, etBoolean);

  Allocations = 0;
  Counting = true;
  for (int32_t stamp = 0; stamp < 200; ++stamp) {
    root->Evaluate(stamp);
    root->Evaluate(kForceStamp);
  }
  Counting = false;
  EXPECT_EQ(Allocations.load(), 0);
  EXPECT_TRUE(root->GetBoolean());
}

TEST(NoAllocation, TranslatedTreeOverChangingVariables) {
  // Variables are read through their references; the look-up is cached, not repeated.
  for (const char* name : {"noallocA", "noallocB", "noallocC"})
    PubVarList->SetVarExp(name, CreateRealExp(1.5).release());
  std::unique_ptr<TExpression> root =
      TranslateExp("(noallocA + noallocB * noallocC) / (noallocA - 2) ^ 2 + Abs(noallocB)");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->DataType, etReal);
  root->Evaluate(kForceStamp);
  TExpression* a = PubVarList->GetVarExp("noallocA");

  Allocations = 0;
  Counting = true;
  for (int i = 0; i < 200; ++i) {
    a->PutReal(0.5L + i);
    root->Evaluate(kForceStamp);
  }
  Counting = false;
  EXPECT_EQ(Allocations.load(), 0);
  EXPECT_GT(root->GetReal(), 0);
  for (const char* name : {"noallocA", "noallocB", "noallocC"}) PubVarList->SetVarExp(name, nullptr);
}
