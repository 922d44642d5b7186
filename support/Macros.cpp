// Macro sets: lookup through parents, substitution of references, persistence, and the
// process-wide default set.
#include "support/Macros.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Handles.h"
#include "runtime/StringList.h"
#include "support/SplitStr.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// Evaluates the expression of an ExpSign macro; the engine installs it.
TExpressionMacroHandler ExpressionMacroHandler = nullptr;

}  // namespace

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

// Counts one substitution that will make the expanded text newSize bytes long, before the
// text is built, so that neither limit lets the work run on once it is crossed.
void CountSubstitution(size_t newSize) {
  if (++Substitutions > kMaxMacroSubstitutions)
    throw Exception(Format(Res("宏替换次数太多(超过%d次)"), {kMaxMacroSubstitutions}));
  if (newSize > kMaxMacroTextBytes)
    throw Exception(
        Format(Res("宏展开后的文本太长(超过%d字节)"), {static_cast<int>(kMaxMacroTextBytes)}));
}

// The part of a text that an expansion has still to scan. A substituted text goes in front of
// it, to be scanned in its turn; the buffer keeps room before the rest for that, so putting a
// text there costs its own length, not the length of everything behind it.
class TPendingText {
public:
  explicit TPendingText(std::string_view text) { Prepend(text); }

  std::string_view View() const { return {Buffer.get() + Start, Capacity - Start}; }
  size_t Size() const { return Capacity - Start; }
  void Consume(size_t count) { Start += count; }

  void Prepend(std::string_view text) {
    if (text.empty()) return;
    if (text.size() > Start) {
      // Room for as much again as the text will then hold, so that growing stays linear.
      size_t size = Size();
      size_t capacity = 2 * (text.size() + size);
      // Left uninitialised: every byte is written before it is read.
      std::unique_ptr<char[]> grown(new char[capacity]);
      if (size > 0) std::memcpy(grown.get() + capacity - size, Buffer.get() + Start, size);
      Buffer = std::move(grown);
      Start = capacity - size;
      Capacity = capacity;
    }
    Start -= text.size();
    std::memcpy(Buffer.get() + Start, text.data(), text.size());
  }

private:
  std::unique_ptr<char[]> Buffer;
  size_t Capacity = 0;
  size_t Start = 0;
};

// Where FindMacroRef found a reference: the index of its start sign, and the length of the
// name between the signs.
struct TMacroRef {
  size_t Start = 0;
  size_t NameLength = 0;
  size_t End() const { return Start + NameLength + 2; }
};

// Finds the next complete reference in text from index from (a character start), as
// GetNextMacroRef describes it.
bool FindMacroRef(std::string_view text, size_t from, char startSign, char endSign,
                  TMacroRef& ref) {
  size_t start = FindChar(text, startSign, from);
  if (start == std::string_view::npos) return false;
  size_t nameFrom = start + 1;
  if (nameFrom < text.size() && text[nameFrom] == '(') {
    bool found = false;
    nameFrom = static_cast<size_t>(SeekCloseBracket(text, static_cast<int>(nameFrom) + 1, found)) - 1;
    if (!found) return false;
  }
  size_t end = FindChar(text, endSign, nameFrom);
  if (end == std::string_view::npos) return false;
  ref.Start = start;
  ref.NameLength = end - start - 1;
  return true;
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
  if (name[0] == ExpSign)
    return ExpressionMacroHandler ? ExpressionMacroHandler(name.substr(1)) : std::string();
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
  if (FindChar(text, StartSign) != std::string::npos) CheckStr(text);
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
  TMacroRef ref;
  if (!FindMacroRef(text, static_cast<size_t>(std::max(pos, 1)) - 1, StartSign, EndSign, ref))
    return false;
  pos = static_cast<int>(ref.Start) + 1;
  name = text.substr(ref.Start + 1, ref.NameLength);
  return true;
}

// The result is built once, front to back: what lies before a reference is final, and a
// substituted text is put in front of what is still to be scanned. The work is therefore in
// proportion to the texts produced, however often a macro reproduces its own reference.
bool TMacros::CheckStr(std::string& text) {
  TExpandLevel level;
  TPendingText pending(text);
  std::string done;
  bool found = false;
  TMacroRef ref;
  while (FindMacroRef(pending.View(), 0, StartSign, EndSign, ref)) {
    found = true;
    std::string_view rest = pending.View();
    done.append(rest.substr(0, ref.Start));
    std::string name(rest.substr(ref.Start + 1, ref.NameLength));
    // The bytes the text will have once the reference is replaced by a text of that size.
    auto sizeWith = [&](size_t replacement) {
      return done.size() + pending.Size() - ref.End() + replacement;
    };
    if (name.empty()) {
      // Two signs side by side leave one literal sign, and scanning goes on after them.
      done += StartSign;
      pending.Consume(ref.End());
      continue;
    }
    if (name[0] == '(') {
      bool closed = false;
      size_t close = static_cast<size_t>(SeekCloseBracket(name, 1, closed)) - 1;
      if (closed) {
        // The bracket's expansion becomes the name: the reference is scanned again.
        std::string computed = name.substr(1, close - 2);
        CheckStr(computed);
        computed.insert(computed.begin(), StartSign);
        CountSubstitution(sizeWith(computed.size() + name.size() - close + 1));
        pending.Consume(ref.Start + 1 + close);
        pending.Prepend(computed);
        continue;
      }
    }
    std::string value = GetMacroText(name);
    if (value.empty() && !NullReplace) {
      done.append(rest.substr(ref.Start, ref.End() - ref.Start));
      pending.Consume(ref.End());
      continue;
    }
    // The substituted text is scanned again, so a macro may refer to others.
    CountSubstitution(sizeWith(value.size()));
    pending.Consume(ref.End());
    pending.Prepend(value);
  }
  done.append(pending.View());
  text = std::move(done);
  return found;
}

bool TMacros::CheckShortStr(std::string& text) {
  bool found = CheckStr(text);
  text = CopyValid(text, 1, 255);
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

void SetExpressionMacroHandler(TExpressionMacroHandler handler) {
  ExpressionMacroHandler = handler;
}

}  // namespace qnexp
