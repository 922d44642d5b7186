// Macro sets: lookup through parents, substitution of references, persistence, and the
// process-wide default set.
#include "support/Macros.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/EntryPoints.h"
#include "core/Expression.h"
#include "core/Nesting.h"
#include "core/Translator.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/StringList.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

TMacros* DefaultMacros = nullptr;

namespace {

// Every live set, so that a set being freed can be removed as the parent of the others.
std::vector<TMacros*>& LiveSets() {
  static std::vector<TMacros*> sets;
  return sets;
}

// Expansion state shared by all sets: expansions nest across sets (a parent's lookup, an
// expression macro that expands again), so one depth and one substitution count cover them.
int ExpandDepth = 0;
int Substitutions = 0;

// Holds one level of macro expansion for its lifetime.
class TExpandLevel {
public:
  TExpandLevel() {
    if (ExpandDepth >= kMaxMacroNesting)
      throw Exception(Format(Res("宏嵌套太深(超过%d层)"), {kMaxMacroNesting}));
    if (ExpandDepth++ == 0) Substitutions = 0;
  }
  ~TExpandLevel() { --ExpandDepth; }
  TExpandLevel(const TExpandLevel&) = delete;
  TExpandLevel& operator=(const TExpandLevel&) = delete;
};

void CountSubstitution(const std::string& text) {
  if (++Substitutions > kMaxMacroSubstitutions)
    throw Exception(Format(Res("宏替换次数太多(超过%d次)"), {kMaxMacroSubstitutions}));
  if (text.size() > kMaxMacroTextBytes)
    throw Exception(
        Format(Res("宏展开后的文本太长(超过%d字节)"), {static_cast<int>(kMaxMacroTextBytes)}));
}

// The 1-based position of the first c at or after from on a character boundary; 0 when none.
int FindSign(const std::string& text, char c, int from) {
  int size = static_cast<int>(text.size());
  for (int pos = std::max(from, 1); pos <= size; pos = NextCharPos(text, pos))
    if (text[pos - 1] == c) return pos;
  return 0;
}

// At most limit bytes of text, shortened by one more byte rather than splitting a character.
std::string CutToBytes(const std::string& text, int limit) {
  if (static_cast<int>(text.size()) <= limit) return text;
  int end = 1;
  while (true) {
    int next = NextCharPos(text, end);
    if (next - 1 > limit) break;
    end = next;
  }
  return text.substr(0, end - 1);
}

}  // namespace

TMacros::TMacros() : Parent(DefaultMacros) { LiveSets().push_back(this); }

TMacros::~TMacros() {
  auto& sets = LiveSets();
  sets.erase(std::remove(sets.begin(), sets.end(), this), sets.end());
  for (TMacros* set : sets)
    if (set->Parent == this) set->Parent = nullptr;
  if (DefaultMacros == this) DefaultMacros = nullptr;
  ReleaseHandle(this);
}

void TMacros::SetMacroText(const std::string& name, const std::string& text) {
  if (!name.empty() && name[0] == '.' && Parent) {
    Parent->SetMacroText(name.substr(1), text);
  } else if (!name.empty() && name[0] == '\\' && DefaultMacros) {
    DefaultMacros->SetMacroText(name.substr(1), text);
  } else {
    SetValue(name, text);
  }
}

std::string TMacros::GetMacroText(const std::string& name) {
  if (name.empty()) return {};
  TExpandLevel level;
  if (name[0] == ExpSign) {
    TTextNestingGuard textLevel;
    std::unique_ptr<TExpression> tree = TranslateExp(name.substr(1));
    if (ExpTranslator->Status != tsOk) return ExpTranslator->ErrorMsg();
    if (!tree) return {};
    tree->Evaluate(-1);
    return tree->GetString();
  }
  std::string text;
  if (name[0] == '.') {
    if (Parent) text = Parent->GetMacroText(name.substr(1));
  } else if (name[0] == '\\') {
    if (DefaultMacros) text = DefaultMacros->GetMacroText(name.substr(1));
  }
  if (text.empty()) {
    text = GetValue(name);
    if (text.empty() && ParentEnable && Parent) text = Parent->GetMacroText(name);
  }
  if (FindSign(text, StartSign, 1)) CheckStr(text);
  return text;
}

void TMacros::Define(const TStringList& names, const TStringList& texts) {
  for (int i = 0; i < names.Count(); ++i)
    SetMacroText(names.Get(i), i < texts.Count() ? texts.Get(i) : std::string());
}

void TMacros::Undefine(const TStringList& names) {
  for (int i = 0; i < names.Count(); ++i) SetMacroText(names.Get(i), {});
}

void TMacros::UndefineMacros(const std::string& list) {
  std::string rest = list;
  while (!rest.empty()) SetMacroText(CutSParam(rest, ";"), {});
}

void TMacros::Join(const TStringList& lines) {
  for (int i = 0; i < lines.Count(); ++i) {
    std::string name, value;
    SeparateEnvLine(lines.Get(i), name, value);
    SetMacroText(name, value);
  }
}

bool TMacros::GetNextMacroRef(const std::string& text, int& pos, std::string& name) {
  pos = FindSign(text, StartSign, pos);
  if (pos == 0) return false;
  int from = pos + 1;
  if (from <= static_cast<int>(text.size()) && text[from - 1] == '(') {
    bool found = false;
    from = SeekCloseBracket(text, from, found);
    if (!found) return false;
  }
  int end = FindSign(text, EndSign, from);
  if (end == 0) return false;
  name = text.substr(pos, end - pos - 1);
  return true;
}

bool TMacros::CheckStr(std::string& text) {
  TExpandLevel level;
  bool found = false;
  int pos = 1;
  std::string name;
  while (GetNextMacroRef(text, pos, name)) {
    found = true;
    if (name.empty()) {
      text.erase(pos, 1);
      ++pos;
      continue;
    }
    if (name[0] == '(') {
      bool closed = false;
      int close = SeekCloseBracket(name, 1, closed);
      if (closed) {
        std::string inner = name.substr(1, close - 3);
        CheckStr(inner);
        text.replace(pos, close - 1, inner);
        CountSubstitution(text);
        continue;
      }
    }
    std::string value = GetMacroText(name);
    if (!value.empty() || NullReplace) {
      text.replace(pos - 1, name.size() + 2, value);
      CountSubstitution(text);
    } else {
      pos += static_cast<int>(name.size()) + 2;
    }
  }
  return found;
}

bool TMacros::CheckShortStr(std::string& text) {
  bool found = CheckStr(text);
  text = CutToBytes(text, 255);
  return found;
}

bool TMacros::CheckText(char*& buffer) {
  if (!buffer) return false;
  std::string text(buffer);
  std::string before = text;
  bool found = CheckStr(text);
  if (text != before) {
    char* fresh = new char[text.size() + 1];
    std::memcpy(fresh, text.c_str(), text.size() + 1);
    delete[] buffer;
    buffer = fresh;
  }
  return found;
}

bool TMacros::CheckStrs(TStringList& lines) {
  bool found = false;
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Get(i);
    if (CheckStr(line)) {
      found = true;
      lines.Put(i, line);
    }
  }
  return found;
}

bool TMacros::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                 void* param) {
  if (!TStoredStrList::EnumrateProperties(callback, purpose, param)) return false;
  struct TSign {
    char* sign;
    const char* name;
    char standard;
  };
  for (const TSign& s : {TSign{&StartSign, "StartSign", '~'}, TSign{&EndSign, "EndSign", '~'},
                         TSign{&ExpSign, "ExpSign", '?'}})
    if (!callback(s.sign, s.name, ptChar, *s.sign != s.standard, 0, param)) return false;
  for (auto [flag, name] : {std::pair{&ParentEnable, "ParentEnable"},
                            std::pair{&NullReplace, "NullReplace"}}) {
    // The callback sees one byte, whatever the representation of bool.
    uint8_t value = *flag ? 1 : 0;
    bool goOn = callback(&value, name, ptBoolean, value == 0, 0, param);
    *flag = value != 0;
    if (!goOn) return false;
  }
  return true;
}

void InitMacros() {
  if (DefaultMacros) return;
  RegisterClass(TMacros::StaticClass());
  DefaultMacros = new TMacros;
  DefaultMacros->Parent = nullptr;
}

void DoneMacros() {
  delete DefaultMacros;
  DefaultMacros = nullptr;
  UnRegisterClass(TMacros::StaticClass());
}

TMacros* MacrosOfHandle(int32_t handle) {
  if (handle != 0)
    if (TMacros* set = ObjectOfHandleAs<TMacros>(handle, hkMacros)) return set;
  return DefaultMacros;
}

std::unique_ptr<TExpression> TransMacroExpText(const std::string& text, TMacros* macros) {
  std::string expanded = text;
  if (!macros) macros = DefaultMacros;
  if (macros) macros->CheckStr(expanded);
  std::unique_ptr<TExpression> tree = TranslateExp(expanded);
  if (ExpTranslator->Status != tsOk) expanded = ExpTranslator->ErrorMsg();
  if (!tree) tree = CreateStrExp(expanded);
  return tree;
}

}  // namespace qnexp
