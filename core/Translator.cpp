// The translator: scanner, operand and operator readers, the level reduction, constant
// folding, calls and the include directive.
#include "core/Translator.h"

#include <array>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Nesting.h"
#include "core/Function.h"
#include "core/Variables.h"
// The operators the translator builds are node classes of these two families.
#include "functions/Arithmetic.h"
#include "functions/Comparison.h"
#include "functions/FlatEvaluation.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/NumConv.h"
#include "support/StrFuncs.h"

namespace qnexp {

const uint8_t Precedence[kOperatorCount] = {0, 1, 1, 2, 2, 3, 3, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8};

std::string NestingTooDeepMessage(int limit) {
  return Format(Res("表达式嵌套太深(超过%d层)"), {limit});
}

// One item of a level's work list: an operand and the operator code that follows it.
struct TExpTranslator::TExpNode {
  std::unique_ptr<TExpression> Expression;
  uint8_t Operator;
  int Depth;
};

// The items of one level on the work stack, from Base up; dropped (their nodes freed) when
// the level ends.
struct TExpTranslator::TWorkSegment {
  explicit TWorkSegment(std::vector<TExpNode>& work) : Work(work), Base(work.size()) {}
  ~TWorkSegment() {
    if (Work.size() > Base) Work.resize(Base);
  }
  TWorkSegment(const TWorkSegment&) = delete;
  TWorkSegment& operator=(const TWorkSegment&) = delete;
  std::vector<TExpNode>& Work;
  size_t Base;
};

namespace {

// Keeps the nesting counter right on every path out of a level.
struct TLevelGuard {
  explicit TLevelGuard(int& counter) : Counter(counter) { ++Counter; }
  ~TLevelGuard() { --Counter; }
  int& Counter;
};

bool IsQuote(char c) { return c == '\'' || c == '"'; }

// SeekEndOfNum of text from position, also giving the SeekEndOfInt it starts from.
int EndOfNumber(const std::string& text, int position, int& intEnd) {
  intEnd = SeekEndOfInt(text, position);
  if (intEnd == position) return position;
  char c = static_cast<size_t>(intEnd) <= text.size() ? text[intEnd - 1] : '\0';
  if (c == '.' || c == 'E' || c == 'e') {
    int more = SeekEndOfInt(text, intEnd + 1);
    if (more > intEnd + 1) return more;
  }
  return intEnd;
}

}  // namespace

TExpTranslator::TExpTranslator() {
  Functions = std::make_unique<TFunctionList>();
  VarList = PubVarList;
  Work.reserve(64);
  // Every lead byte starts a name, so any Chinese character can, traditional and
  // extension-area ones (first byte 0x81..0xA0) too.
  IdStartChars = CharRange('A', 'Z') | CharRange('a', 'z') | MakeCharSet("_") |
                 CharRange(0x81, 0xFF);
  IdChars = IdStartChars | CharRange('0', '9') | MakeCharSet(".@");
  const TClassInfo* classes[kOperatorCount] = {
      &TExp_Power::StaticClass(), &TExp_Mul::StaticClass(),    &TExp_Div::StaticClass(),
      &TExp_Add::StaticClass(),   &TExp_Sub::StaticClass(),    &TExp_Equ::StaticClass(),
      &TExp_NotEqu::StaticClass(), &TExp_Great::StaticClass(), &TExp_GorE::StaticClass(),
      &TExp_Less::StaticClass(),  &TExp_LorE::StaticClass(),   &TExp_In::StaticClass(),
      &TExp_And::StaticClass(),   &TExp_Or::StaticClass(),     nullptr,
      &TExp_VarAssign::StaticClass(), nullptr};
  for (int i = 0; i < kOperatorCount; ++i) OperatorClasses[i] = classes[i];
}

TExpTranslator::~TExpTranslator() = default;

std::string TExpTranslator::StatusMsg() {
  static const char* const messages[] = {
      "编译完成", "变量没定义", "无效函数名", "引号不匹配", "括号不匹配", "无效操作数",
      "无效操作符", "无效参数", "类型不匹配", "需要操作数", "需要括号", "参数不够"};
  if (Status >= sizeof messages / sizeof messages[0]) return "";
  return Res(messages[Status]);
}

std::string TExpTranslator::ErrorMsg() {
  size_t at = Position < 1 ? 0 : static_cast<size_t>(Position - 1);
  if (at > Text.size()) at = Text.size();
  return StatusMsg() + " (" + Text.substr(0, at) + Res("[错]") + Text.substr(at) + ")";
}

char TExpTranslator::CharAt(int position) const {
  if (position < 1 || static_cast<size_t>(position) > Text.size()) return '\0';
  return Text[position - 1];
}

void TExpTranslator::EnterLevel() {
  // A translation started inside a deep evaluation stops while the stack still has room.
  if (Nesting > kMaxNestingDepth || Stack.IsLow())
    throw Exception(NestingTooDeepMessage(kMaxNestingDepth));
}

// Evaluating a node while translating may start another translation (Calc, an expression
// macro): the working state of this one is put aside and given back afterwards, whatever
// happens in between.
class TExpTranslator::TWorkingState {
public:
  explicit TWorkingState(TExpTranslator& owner)
      : Owner(owner),
        Status(owner.Status),
        Text(std::move(owner.Text)),
        Position(owner.Position),
        Nesting(owner.Nesting),
        LastDepth(owner.LastDepth),
        MarkFlatEvaluation(owner.MarkFlatEvaluation),
        CloseOf(std::move(owner.CloseOf)) {
    owner.MarkFlatEvaluation = false;
    ++TFlatEvaluation::BuildingDeferred;
  }
  ~TWorkingState() {
    --TFlatEvaluation::BuildingDeferred;
    Owner.MarkFlatEvaluation = MarkFlatEvaluation;
    Owner.Status = Status;
    Owner.Text = std::move(Text);
    Owner.Position = Position;
    Owner.Nesting = Nesting;
    Owner.LastDepth = LastDepth;
    Owner.CloseOf = std::move(CloseOf);
  }
  TWorkingState(const TWorkingState&) = delete;
  TWorkingState& operator=(const TWorkingState&) = delete;

private:
  TExpTranslator& Owner;
  uint8_t Status;
  std::string Text;
  int32_t Position;
  int Nesting;
  int LastDepth;
  bool MarkFlatEvaluation;
  std::vector<int> CloseOf;
};

// From a comment start at position, the position after the comment (or the position itself
// when no comment starts there). Braces nest; quoted text inside braces is skipped whole, and
// so is every two-byte character, whose second byte may look like a brace.
int TExpTranslator::SkipComment(int position, int limit) {
  char c = CharAt(position);
  if (c == '/' && CharAt(position + 1) == '/') {
    int p = position + 2;
    while (p <= limit && CharAt(p) != '\n') ++p;
    return p <= limit ? p + 1 : p;
  }
  if (c == '{') {
    int depth = 0;
    int p = position;
    int length = static_cast<int>(Text.size());
    while (p <= length) {
      char d = CharAt(p);
      if (IsQuote(d)) {
        int end = SeekEndOfStr(Text, p);
        p = end > p ? end : p + 1;
        continue;
      }
      if (d == '{') ++depth;
      if (d == '}' && --depth == 0) return p + 1;
      p = NextCharPos(Text, p);
    }
    return p;
  }
  return position;
}

// One pass over the text finds every bracket pair the way the close-bracket scanner would
// from each "(", so that nested groups do not rescan the text once per level.
void TExpTranslator::IndexBrackets() {
  CloseOf.assign(Text.size() + 2, -1);
  std::vector<int> open;
  // The bytes that need a look: brackets, quotes and the lead bytes of two-byte characters.
  static const std::array<bool, 256> special = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c)
      table[c] = c == '(' || c == ')' || IsQuote(static_cast<char>(c)) ||
                 IsLeadByte(static_cast<unsigned char>(c));
    return table;
  }();
  const char* const text = Text.data();
  const int length = static_cast<int>(Text.size());
  int i = 1;
  while (i <= length) {
    const auto c = static_cast<unsigned char>(text[i - 1]);
    if (!special[c]) {
      ++i;
      continue;
    }
    if (c == '(') {
      open.push_back(i);
      CloseOf[i] = 0;
    } else if (c == ')') {
      if (!open.empty()) {
        CloseOf[open.back()] = i + 1;
        open.pop_back();
      }
    } else if (IsQuote(static_cast<char>(c))) {
      i = SeekEndOfStr(Text, i);
      continue;
    }
    // The next character, as NextCharPos steps: a lead byte takes the trail byte after it.
    i += IsLeadByte(c) && i < length && IsTrailByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
}

int TExpTranslator::FindCloseBracket(int position, bool& found) const {
  if (position >= 1 && static_cast<size_t>(position) < CloseOf.size() && CloseOf[position] >= 0) {
    found = CloseOf[position] > 0;
    return found ? CloseOf[position] : static_cast<int>(Text.size()) + 1;
  }
  return SeekCloseBracket(Text, position, found);
}

void TExpTranslator::SkipNote(int& position, int limit) {
  // Mostly there is nothing to skip: a token follows at once.
  if (position >= 1 && position <= limit && static_cast<size_t>(position) <= Text.size()) {
    auto c = static_cast<unsigned char>(Text[position - 1]);
    if (c > 32 && c != '/' && c != '{') return;
  }
  SkipBlanksAndComments(position, limit);
}

void TExpTranslator::SkipBlanksAndComments(int& position, int limit) {
  while (position <= limit) {
    unsigned char c = static_cast<unsigned char>(CharAt(position));
    if (c <= 32) {
      ++position;
      continue;
    }
    // Only "//" and "{" start a comment.
    if (c != '/' && c != '{') return;
    int after = SkipComment(position, limit);
    if (after == position) return;
    position = after;
  }
}

std::unique_ptr<TExpression> TExpTranslator::Translate(const std::string& text) {
  // The stack of the thread translating now.
  Stack = TStackCheck();
  Status = tsOk;
  Text = text;
  Nesting = 0;
  CloseOf.clear();
  if (Text.find("{$") != std::string::npos) Pretreat();
  IndexBrackets();
  Position = 1;
  std::unique_ptr<TExpression> result = TransExp(static_cast<int>(Text.size()));
  if (Status != tsOk) return nullptr;
  return result;
}

void TExpTranslator::Pretreat() {
  int i = 1;
  while (i <= static_cast<int>(Text.size())) {
    char c = CharAt(i);
    if (IsQuote(c)) {
      int end = SeekEndOfStr(Text, i);
      i = end > i ? end : i + 1;
    } else if (c == '/') {
      i = CharAt(i + 1) == '/' ? SkipComment(i, static_cast<int>(Text.size())) : i + 1;
    } else if (c == '{' && CharAt(i + 1) == '$') {
      int letterAt = i + 2;
      if (letterAt > static_cast<int>(Text.size())) {
        i = letterAt;
        continue;
      }
      char letter = CharAt(letterAt);
      int end = SkipComment(i, static_cast<int>(Text.size()));
      if (letter != 'I' && letter != 'i') {
        i = end;
        continue;
      }
      // A directive left open runs to the end of the text.
      int bodyEnd = CharAt(end - 1) == '}' ? end - 2 : end - 1;
      std::string kept;
      {
        Position = letterAt + 1;
        TLevelGuard guard(Nesting);
        std::unique_ptr<TExpression> body = TransExp(bodyEnd);
        if (Status == tsOk) {
          if (body) {
            TTextNestingGuard level;
            TWorkingState aside(*this);
            body->Evaluate(kForceStamp);
            kept = body->GetString();
          }
        } else {
          kept = ErrorMsg();
        }
      }
      Status = tsOk;
      if (Text.size() - static_cast<size_t>(end - i) + kept.size() > kMaxPretreatedTextBytes)
        throw Exception(Format(Res("包含指令展开后的表达式太长(超过%d字节)"),
                               {static_cast<int64_t>(kMaxPretreatedTextBytes)}));
      Text.replace(i - 1, end - i, kept);
      i += static_cast<int>(kept.size());
    } else if (c == '{') {
      i = SkipComment(i, static_cast<int>(Text.size()));
    } else {
      i = NextCharPos(Text, i);
    }
  }
}

std::unique_ptr<TExpression> TExpTranslator::TransExp(int dest) {
  TLevelGuard guard(Nesting);
  EnterLevel();
  // This level's items lie on the shared work stack above those of the levels around it;
  // whatever way the level ends, they are gone when it returns.
  TWorkSegment items(Work);
  while (Status == tsOk && Position <= dest) {
    int depth = 0;
    std::unique_ptr<TExpression> operand = ReadOperand(dest, depth);
    if (!operand) continue;
    uint8_t code = Status == tsOk ? ReadOperator(dest) : uint8_t(kOpEnd);
    Work.push_back(TExpNode{std::move(operand), code, depth});
  }
  int depth = 0;
  std::unique_ptr<TExpression> result = Reduce(items.Base, depth);
  result = Fold(std::move(result));
  LastDepth = depth;
  return result;
}

std::unique_ptr<TExpression> TExpTranslator::ReadOperand(int dest, int& depth) {
  SkipNote(Position, dest);
  if (Position > dest) {
    Status = tsOperandNeeded;
    return nullptr;
  }
  depth = 1;
  const char c = CharAt(Position);
  const unsigned char u = static_cast<unsigned char>(c);
  std::unique_ptr<TExpression> node;
  int end = Position;
  int intEnd = Position;

  // A call: after namePosition a "(" with its matching ")" must follow; then the call is
  // translated from the name. False when there is no such bracket pair.
  auto readCall = [&](int namePosition, bool reportUnmatched) -> bool {
    int p = namePosition;
    SkipNote(p, static_cast<int>(Text.size()));
    if (CharAt(p) != '(') return false;
    bool found = false;
    int close = FindCloseBracket(p, found);
    if (!found) {
      if (!reportUnmatched) return false;
      Status = tsBracketMismatch;
      Position = p;
      return true;
    }
    node = TransFunction(close - 1);
    depth = LastDepth;
    end = close;
    return true;
  };

  if (IsQuote(c) || c == '#' || c == '^') {
    end = SeekEndOfStr(Text, Position);
    std::string token = Text.substr(Position - 1, end - Position);
    node = CreateStrExp(ConstToStr(token));
  } else if ((c == '$' || c == '+' || c == '-' || (c >= '0' && c <= '9')) &&
             (end = EndOfNumber(Text, Position, intEnd)) > Position) {
    std::string_view token(Text.data() + Position - 1, static_cast<size_t>(end - Position));
    if (intEnd < end) {
      node = CreateRealExp(0);
      node->PutReal(StrToNum(token));
    } else {
      node = CreateIntExp(StrToInt(token));
    }
  } else if (c == '!' || c == '$' || c == '+' || c == '-') {
    if (!readCall(Position + 1, false)) {
      Status = tsBracketNeeded;
      return nullptr;
    }
  } else if (c == '(') {
    bool found = false;
    if (Nesting >= kMaxNestingDepth) throw Exception(NestingTooDeepMessage(kMaxNestingDepth));
    int close = FindCloseBracket(Position, found);
    if (!found) {
      Status = tsBracketMismatch;
      return nullptr;
    }
    ++Position;
    node = TransExp(close - 2);
    depth = LastDepth;
    end = close;
  } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || u >= 0x81) {
    int nameEnd = SeekEndOfID(Text, Position, IdStartChars, IdChars);
    std::string name = Text.substr(Position - 1, nameEnd - Position);
    int p = nameEnd;
    SkipNote(p, static_cast<int>(Text.size()));
    if (CharAt(p) == '(') {
      readCall(nameEnd, true);
    } else if (CharAt(p) == ':' && CharAt(p + 1) == '=') {
      node = CreateStrExp(name);
      end = nameEnd;
    } else {
      auto ref = std::make_unique<TExp_VarRef>();
      ref->SetSubExp(0, CreateStrExp(name).release());
      ref->TransOverOK();
      node = std::move(ref);
      depth = 2;
      end = nameEnd;
    }
  } else {
    Status = tsBadOperand;
    return nullptr;
  }
  if (Status == tsOk) Position = end;
  return node;
}

uint8_t TExpTranslator::ReadOperator(int dest) {
  SkipNote(Position, dest);
  if (Position > dest) return kOpEnd;
  // Where one symbol starts another the longer one wins: "<>", ">=", "<=", ":=".
  const char c = CharAt(Position);
  const char next = CharAt(Position + 1);
  int length = 1;
  uint8_t code = kOpEnd;
  switch (c) {
    case '^': code = kOpPower; break;
    case '*': code = kOpMul; break;
    case '/': code = kOpDiv; break;
    case '+': code = kOpAdd; break;
    case '-': code = kOpSub; break;
    case '=': code = kOpEqu; break;
    case '$': code = kOpIn; break;
    case '&': code = kOpAnd; break;
    case '|': code = kOpOr; break;
    case '<':
      code = next == '>' ? kOpNotEqu : (next == '=' ? kOpLorE : kOpLess);
      length = code == kOpLess ? 1 : 2;
      break;
    case '>':
      code = next == '=' ? kOpGorE : kOpGreat;
      length = code == kOpGreat ? 1 : 2;
      break;
    case ':':
      code = next == '=' ? kOpAssign : kOpFormat;
      length = code == kOpFormat ? 1 : 2;
      break;
    default: break;
  }
  if (code != kOpEnd) {
    Position += length;
    return code;
  }
  auto keyword = [&](const char* word) -> bool {
    size_t length = std::char_traits<char>::length(word);
    for (size_t k = 0; k < length; ++k) {
      if (AsciiUpper(CharAt(Position + static_cast<int>(k))) != word[k]) return false;
    }
    char after = CharAt(Position + static_cast<int>(length));
    if (IdChars.test(static_cast<unsigned char>(after))) return false;
    Position += static_cast<int>(length);
    return true;
  };
  if (keyword("AND")) return kOpAnd;
  if (keyword("OR")) return kOpOr;
  Status = tsBadOperator;
  return kOpEnd;
}

std::unique_ptr<TExpression> TExpTranslator::Combine(std::unique_ptr<TExpression> left,
                                                     std::unique_ptr<TExpression> right,
                                                     uint8_t code) {
  if (code == kOpFormat) {
    left->SetFormatExp(right.release());
    return left;
  }
  const TClassInfo* cls = code < kOperatorCount ? OperatorClasses[code] : nullptr;
  if (!cls || !left || !right) {
    Status = tsTypeMismatch;
    return nullptr;
  }
  std::unique_ptr<TExpression> node(static_cast<TExpression*>(cls->Create()));
  if (!node->SetSubExp(0, left.get())) {
    Status = tsTypeMismatch;
    return nullptr;
  }
  left.release();
  if (!node->SetSubExp(1, right.get())) {
    Status = tsTypeMismatch;
    return nullptr;
  }
  right.release();
  if (!node->TransOverOK()) {
    Status = tsTypeMismatch;
    return nullptr;
  }
  if (MarkFlatEvaluation) MarkForFlatEvaluation(*node);
  return node;
}

std::unique_ptr<TExpression> TExpTranslator::Reduce(size_t base, int& depth) {
  depth = 0;
  size_t end = Work.size();
  if (end == base) return nullptr;
  if (Work[end - 1].Operator != kOpEnd) {
    Work[end - 1].Operator = kOpEnd;
    if (Status == tsOk) Status = tsOperandNeeded;
  }
  // A stack whose binding levels strictly loosen from top to bottom: combining at the top as
  // soon as the next operator binds no tighter builds the same left-to-right tree as
  // rescanning the list from its start after each combination, in linear time. The stack
  // grows in the list's own room: it never holds more items than have been read.
  size_t top = base;  // one past the stack's top item
  for (size_t next = base; next < end; ++next) {
    if (top != next) Work[top] = std::move(Work[next]);
    ++top;
    while (top - base >= 2 &&
           Precedence[Work[top - 2].Operator] <= Precedence[Work[top - 1].Operator]) {
      // Nothing is held by reference across Combine: the work stack may grow meanwhile.
      std::unique_ptr<TExpression> right = std::move(Work[top - 1].Expression);
      uint8_t rightOperator = Work[top - 1].Operator;
      int rightDepth = Work[top - 1].Depth;
      --top;
      uint8_t code = Work[top - 1].Operator;
      int leftDepth = Work[top - 1].Depth;
      int combinedDepth = code == kOpFormat ? std::max(leftDepth, rightDepth + 1)
                                            : std::max(leftDepth, rightDepth) + 1;
      if (combinedDepth > kMaxTreeDepth)
        throw Exception(NestingTooDeepMessage(kMaxTreeDepth));
      std::unique_ptr<TExpression> combined =
          Combine(std::move(Work[top - 1].Expression), std::move(right), code);
      TExpNode& left = Work[top - 1];
      left.Expression = std::move(combined);
      left.Operator = rightOperator;
      left.Depth = combinedDepth;
      if (!left.Expression) return nullptr;
    }
  }
  depth = Work[base].Depth;
  return std::move(Work[base].Expression);
}

std::unique_ptr<TExpression> TExpTranslator::Fold(std::unique_ptr<TExpression> result) {
  if (!result || !result->IsConst() || &result->ClassType() == &TExpression::StaticClass())
    return result;
  {
    TWorkingState aside(*this);
    result->Evaluate(result->SyncFlag == 0 ? 1 : 0);
  }
  std::unique_ptr<TExpression> constant = std::make_unique<TExpression>();
  constant->AssignFormatValue(*result);
  return constant;
}

std::unique_ptr<TExpression> TExpTranslator::TransFunction(int dest) {
  TLevelGuard guard(Nesting);
  EnterLevel();
  static const TCharSet functionStart = MakeCharSet("!$-");
  int nameEnd = SeekEndOfID(Text, Position, IdStartChars | functionStart, IdChars);
  std::string name = Text.substr(Position - 1, nameEnd - Position);
  std::unique_ptr<TExpression> node = Functions->CreateFunction(name);
  if (!node) {
    Status = tsBadFunctionName;
    return nullptr;
  }
  auto* function = ObjectAs<TFunction>(node.get());
  size_t open = Text.find('(', nameEnd - 1);
  Position = open == std::string::npos ? static_cast<int>(Text.size()) + 1
                                       : static_cast<int>(open) + 2;
  while (Position <= static_cast<int>(Text.size()) &&
         static_cast<unsigned char>(CharAt(Position)) <= 32)
    ++Position;

  int capacity = function ? function->ParamCapacity() : 0;
  int fixed = function ? function->FixedParamCount() : 0;
  int depth = 1;
  if (capacity > 0) {
    char current = CharAt(Position);
    int count = 0;
    while (count < capacity && current != ')' && Status == tsOk) {
      int argDepth = 0;
      current = ReadArgument(*node, count, dest, argDepth);
      depth = std::max(depth, argDepth + 1);
      ++count;
    }
    if (Status == tsOk) {
      if (count < fixed)
        Status = tsTooFewParameters;
      else if (current != ')')
        Status = tsBracketNeeded;
    }
  } else if (CharAt(Position) != ')') {
    Status = tsBracketNeeded;
  }
  if (Status != tsOk) return nullptr;
  if (!node->TransOverOK()) {
    Status = tsTooFewParameters;
    return nullptr;
  }
  if (depth > kMaxTreeDepth) throw Exception(NestingTooDeepMessage(kMaxTreeDepth));
  node = Fold(std::move(node));
  LastDepth = depth;
  return node;
}

char TExpTranslator::ReadArgument(TExpression& call, int index, int dest, int& depth) {
  std::unique_ptr<TExpression> argument = TransExp(dest);
  depth = LastDepth;
  char found = CharAt(Position);
  if (Status == tsBadOperator && (found == ',' || found == ')')) {
    Status = tsOk;
    if (argument && call.SetSubExp(index, argument.get())) {
      argument.release();
      ++Position;
    } else {
      Status = tsTypeMismatch;
    }
  } else if (Status == tsOk) {
    Status = tsBadParameter;
  }
  return found;
}

}  // namespace qnexp
