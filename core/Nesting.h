// Bounds for the paths on which evaluation and translation re-enter themselves: formula
// variables that refer to each other, texts translated and evaluated at run time (Calc,
// expression macros, include directives, expression fields), and the translator's own levels.
// Each path has a named depth limit; all of them also stop while the thread's stack still has
// room, because the levels of different paths stack up on one another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qnexp {

// Formula variables evaluated inside one another (a variable whose formula refers to itself,
// directly or through others) deeper than this raise Exception "变量%s的公式嵌套太深(超过%d层)".
inline constexpr int kMaxFormulaNesting = 1000;

// Texts translated and evaluated while another such text is being evaluated (Calc inside a
// text given to Calc, an expression macro that expands macros, an include directive whose
// expression calls Calc) nested deeper than this raise Exception
// "表达式文本的计算嵌套太深(超过%d层)". One level takes a whole translation and evaluation.
inline constexpr int kMaxTextNesting = 100;

// The size of the calling thread's stack, 0 when it cannot be told.
size_t ThreadStackSize();

// True when less than half of the calling thread's stack remains below the caller's frame:
// the nested paths above stop there, so that what runs inside the last level (a deep tree,
// a deep translation) still finds room.
bool StackIsLow();

// StackIsLow for a caller that asks again and again on one thread: the thread's stack is read
// once, when the check is made, and each question costs a comparison.
class TStackCheck {
public:
  TStackCheck();
  // StackIsLow, judged at the caller's frame.
  bool IsLow() const {
    if (Size == 0) return false;
    auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    // A frame outside the bounds (an alternate signal stack, say) cannot be judged.
    if (here < Lowest || here - Lowest > Size) return false;
    return here - Lowest < Size / 2;
  }

private:
  uintptr_t Lowest = 0;
  size_t Size = 0;
};

// Counts one level of a nested path for as long as it lives. Raises Exception with the
// message (a Format text whose arguments are the name, when one is given, and the limit) when the
// level would pass limit or the stack is low. Single-threaded like the engine.
class TNestingGuard {
public:
  TNestingGuard(int& depth, int limit, const char* message, std::string_view name = {});
  ~TNestingGuard() { --Depth; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;

private:
  int& Depth;
};

// One level of a text translated and evaluated at run time (kMaxTextNesting).
class TTextNestingGuard {
public:
  TTextNestingGuard();

private:
  TNestingGuard Guard;
};

}  // namespace qnexp
