// Macro sets: named texts substituted into other texts (expression texts above all) before
// they are used, with a parent set to fall back on and the process-wide DefaultMacros.
// Single-threaded, like the rest of the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "support/StoredStrList.h"

namespace qnexp {

class TStringList;

// Macro expansion nested deeper than this (a macro whose text refers to itself, directly or
// through others, or a chain of parents that loops) raises Exception "宏嵌套太深(超过%d层)"
// instead of exhausting the stack.
inline constexpr int kMaxMacroNesting = 100;
// One expansion performing more substitutions than this (a macro that keeps reproducing a
// reference to itself at the same level) raises Exception "宏替换次数太多(超过%d次)".
inline constexpr int kMaxMacroSubstitutions = 100000;
// A text growing beyond this many bytes while being expanded raises Exception
// "宏展开后的文本太长(超过%d字节)", so that a few doubling macros cannot exhaust memory.
inline constexpr size_t kMaxMacroTextBytes = 64 * 1024 * 1024;

// A persistable list of "name=text" items. A reference StartSign + name + EndSign in a text
// stands for the text of macro name; a name that starts with ExpSign is an expression whose
// value is substituted. Names are compared without regard to ASCII case.
class TMacros : public TStoredStrList {
  QN_CLASS(TMacros, TStoredStrList)
public:
  // Parent starts as DefaultMacros (none while DefaultMacros itself is being made).
  TMacros();
  // Forgets the set's object handle; sets that had this one as parent lose their parent, so
  // no set is ever left pointing at a freed one.
  ~TMacros() override;

  char StartSign = '~';
  char EndSign = '~';
  char ExpSign = '?';
  // Not owned; never stored.
  TMacros* Parent = nullptr;
  bool ParentEnable = true;
  // Whether a reference to an empty or unknown macro is replaced by the empty text.
  bool NullReplace = true;

  // A name starting with "." goes, without the dot, to the parent (stored here with its dot
  // when there is no parent); one starting with "\" goes, without it, to DefaultMacros. Any
  // other name sets the item name=text; an empty text removes the item.
  virtual void SetMacroText(const std::string& name, const std::string& text);
  // The text of macro name, itself expanded when it holds StartSign; "" for an empty or
  // unknown name. An ExpSign name is translated and evaluated: a translation failure gives the
  // translator's ErrorMsg, an evaluation error propagates. Raises the nesting error above.
  virtual std::string GetMacroText(const std::string& name);
  // SetMacroText for each name with the text at the same index ("" once texts run out).
  virtual void Define(const TStringList& names, const TStringList& texts);
  // SetMacroText(name, "") for each name.
  virtual void Undefine(const TStringList& names);
  // Undefines every name of the ";"-separated list (separators inside quotes do not count).
  virtual void UndefineMacros(const std::string& list);
  // Sets each "name=value" line; the name is trimmed and upper-cased.
  virtual void Join(const TStringList& lines);
  // From pos (1-based) finds the next reference: pos moves onto its StartSign and name gets
  // the text between the signs; false (pos then undefined) when no complete reference
  // remains. A "(" right after the start sign hides end signs up to its matching ")". Signs
  // are only recognised on character boundaries, never as the second byte of a character.
  virtual bool GetNextMacroRef(const std::string& text, int& pos, std::string& name);
  // Substitutes every reference in text; true when at least one was found. StartSign
  // EndSign side by side leaves one literal StartSign; "(" ... ")" as a name is expanded first
  // and the result used as the name. A substituted text is scanned again together with what
  // follows it. Takes time in proportion to the texts it produces; raises the errors of the
  // limits above as soon as a substitution would cross one (text is then unspecified).
  virtual bool CheckStr(std::string& text);

  // CheckStr, then the text is cut to at most 255 bytes (never inside a character).
  bool CheckShortStr(std::string& text);
  // CheckStr on a zero-terminated buffer allocated with new[]; when anything changed the
  // buffer is freed and replaced by a new one. A null buffer is left alone (false).
  bool CheckText(char*& buffer);
  // CheckStr on every line, in place; true when any line had a reference.
  bool CheckStrs(TStringList& lines);

  // After the stored list's properties: "StartSign", "EndSign", "ExpSign" (ptChar, stored
  // when not the default) and "ParentEnable", "NullReplace" (ptBoolean, stored when false).
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;
};

// The process-wide set: made by InitMacros, freed by DoneMacros; null outside that span.
extern TMacros* DefaultMacros;

// The library's load step for macros: registers TMacros as a persistable class and makes an
// empty DefaultMacros without a parent. Calling it twice does nothing more.
void InitMacros();
// The unload step: frees DefaultMacros and unregisters the class.
void DoneMacros();

// The set an expression designates by handle (kind hkMacros); DefaultMacros for 0 and for a
// handle that designates no live set.
TMacros* MacrosOfHandle(int32_t handle);

// The text of an expression macro (the name after ExpSign). The engine's macro functions
// install the handler that translates and evaluates it; until then such a macro is empty.
using TExpressionMacroHandler = std::string (*)(const std::string& expression);
void SetExpressionMacroHandler(TExpressionMacroHandler handler);

}  // namespace qnexp
