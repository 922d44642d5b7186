// Builds the expression texts the translation benchmark reads, and measures their shape.
#include "bench/BenchText.h"

#include <algorithm>
#include <vector>

#include "runtime/Gbk.h"

namespace qnexp {

namespace {

// splitmix64: tiny, fast, and the same sequence on every platform, which keeps the texts
// identical from run to run and machine to machine.
class TBenchRandom {
public:
  explicit TBenchRandom(uint64_t seed) : State(seed) {}
  uint64_t Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  // Uniform in 0..n-1 (n > 0); the modulo bias is irrelevant here.
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
  bool OneIn(int n) { return Below(n) == 0; }

private:
  uint64_t State;
};

// Writes one leaf term at a time. Operands of - * / ^ are always numeric, and a comparison
// only ever appears as the right operand of "+" after a numeric left side (a number plus a
// boolean stays a number), so every term translates without a type mismatch. Powers never
// have a zero base, so folding a constant power cannot fail.
class TTermWriter {
public:
  explicit TTermWriter(uint64_t seed) : Random(seed) {}

  void Term(std::string& out) {
    out += '(';
    Atom(out, 0);
    int operators = 2 + Random.Below(kBenchTextMaxTermOperators / 2 - 1);
    bool afterComparison = false;
    for (int i = 0; i < operators; ++i) {
      Gap(out);
      if (!afterComparison && Random.OneIn(6)) {
        out += "+ ";
        Comparison(out);
        afterComparison = true;
        continue;
      }
      static const char kAnyOp[] = {'+', '-', '*', '/', '+', '-'};
      out += afterComparison ? kAnyOp[4 + Random.Below(2)] : kAnyOp[Random.Below(6)];
      if (!Random.OneIn(3)) out += ' ';
      Atom(out, 0);
      afterComparison = false;
    }
    out += ')';
  }

private:
  void Atom(std::string& out, int depth) {
    int pick = depth >= 2 ? Random.Below(60) : Random.Below(100);
    if (pick < 30) {
      Variable(out);
    } else if (pick < 45) {
      Integer(out);
    } else if (pick < 60) {
      Real(out);
    } else if (pick < 70) {
      out += Random.OneIn(2) ? "Min(" : "Max(";
      Atom(out, depth + 1);
      out += Random.OneIn(2) ? ", " : ",";
      Atom(out, depth + 1);
      out += ')';
    } else if (pick < 78) {
      out += Random.OneIn(2) ? "Neg(" : "Abs(";
      Atom(out, depth + 1);
      out += ')';
    } else if (pick < 88) {
      static const char* const kOps[] = {" + ", " - ", " * ", " / ", "+", "-", "*"};
      out += '(';
      Atom(out, depth + 1);
      out += kOps[Random.Below(7)];
      Atom(out, depth + 1);
      out += ')';
    } else {
      Power(out);
    }
  }

  void Variable(std::string& out) { out += static_cast<char>('a' + Random.Below(6)); }

  void Integer(std::string& out) {
    int kind = Random.Below(20);
    if (kind == 0) {
      static const char* const kHex[] = {"$1F", "0x2A", "$FF", "0x10"};
      out += kHex[Random.Below(4)];
    } else if (kind == 1) {
      out += '-';
      out += std::to_string(1 + Random.Below(99));
    } else {
      out += std::to_string(1 + Random.Below(9999));
    }
  }

  void Real(std::string& out) {
    if (Random.OneIn(8)) {
      out += std::to_string(1 + Random.Below(99));
      out += Random.OneIn(2) ? "E" : "e";
      out += std::to_string(Random.Below(4));
      return;
    }
    out += std::to_string(Random.Below(1000));
    out += '.';
    int fraction = 1 + Random.Below(999);
    if (fraction < 100) out += '0';
    if (fraction < 10) out += '0';
    out += std::to_string(fraction);
  }

  void Power(std::string& out) {
    if (Random.OneIn(2))
      Variable(out);
    else
      out += std::to_string(1 + Random.Below(9));
    static const char* const kExponents[] = {"^2", " ^ 3", "^0.5", "^ 2", "^1.5"};
    out += kExponents[Random.Below(5)];
  }

  void Comparison(std::string& out) {
    static const char* const kCompare[] = {" = ", " <> ", " < ", " <= ", " > ", " >= "};
    out += '(';
    if (Random.OneIn(3)) {
      StringConstant(out);
      out += kCompare[Random.Below(6)];
      StringConstant(out);
    } else {
      Atom(out, 1);
      out += kCompare[Random.Below(6)];
      Atom(out, 1);
    }
    out += ')';
  }

  void StringConstant(std::string& out) {
    switch (Random.Below(6)) {
      case 0: out += "'alpha'"; break;
      case 1: out += "'beta gamma'"; break;
      case 2: out += "\"delta\""; break;
      case 3: out += "'It''s'"; break;
      case 4: out += "'" + Res("金额") + "'"; break;
      default: out += "'" + Res("本期余额") + "'"; break;
    }
  }

  // Blanks between an operand and its operator, now and then a comment: mostly a brace
  // comment (sometimes nested, sometimes with a quoted brace), sometimes a line comment.
  void Gap(std::string& out) {
    int pick = Random.Below(40);
    if (pick == 0) {
      out += " {" + Res("注释") + " note} ";
    } else if (pick == 1) {
      out += " {outer {inner} '}' done} ";
    } else if (pick == 2) {
      out += " // trailing remark\n";
    } else if (pick < 25) {
      out += ' ';
    }
  }

  TBenchRandom Random;
};

// Joins the terms first..last-1 into a balanced tree of groups of at most kBenchTextFanOut
// parts, with the operators chosen from the same random stream.
void JoinTerms(const std::vector<std::string>& terms, size_t first, size_t last,
               TBenchRandom& random, std::string& out) {
  size_t count = last - first;
  if (count == 1) {
    out += terms[first];
    return;
  }
  size_t parts = std::min<size_t>(kBenchTextFanOut, count);
  static const char* const kJoin[] = {" + ", " - ", " * ", " / "};
  out += '(';
  for (size_t part = 0; part < parts; ++part) {
    size_t from = first + count * part / parts;
    size_t to = first + count * (part + 1) / parts;
    if (part > 0) out += kJoin[random.Below(4)];
    JoinTerms(terms, from, to, random, out);
  }
  out += ')';
}

}  // namespace

std::string GenerateBenchText(size_t targetBytes, uint64_t seed) {
  TTermWriter writer(seed);
  std::vector<std::string> terms;
  // The groups that join the terms add about a fifteenth to their bytes.
  size_t termBytes = targetBytes / 16 * 15;
  size_t total = 0;
  do {
    std::string term;
    writer.Term(term);
    total += term.size();
    terms.push_back(std::move(term));
  } while (total < termBytes);
  TBenchRandom joinRandom(seed ^ 0xA5A5A5A5A5A5A5A5ULL);
  std::string text;
  text.reserve(total + total / 16);
  JoinTerms(terms, 0, terms.size(), joinRandom, text);
  return text;
}

TBenchTextShape MeasureBenchText(const std::string& text) {
  TBenchTextShape shape;
  std::vector<int> chain{0};  // operators seen so far at each open level
  size_t n = text.size();
  auto isNameChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
  };
  auto countOperator = [&]() {
    shape.LongestChain = std::max(shape.LongestChain, ++chain.back());
  };
  size_t i = 0;
  while (i < n) {
    char c = text[i];
    if (c == '\'' || c == '"') {
      size_t close = text.find(c, i + 1);
      i = close == std::string::npos ? n : close + 1;
      // A doubled quote continues the same constant.
      if (i < n && text[i] == c) continue;
      ++shape.Strings;
    } else if (c == '{') {
      int braces = 0;
      while (i < n) {
        char d = text[i];
        if (d == '\'' || d == '"') {
          size_t close = text.find(d, i + 1);
          i = close == std::string::npos ? n : close + 1;
          continue;
        }
        if (d == '{') ++braces;
        if (d == '}' && --braces == 0) break;
        ++i;
      }
      ++i;
      ++shape.Comments;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      size_t end = text.find('\n', i);
      i = end == std::string::npos ? n : end + 1;
      ++shape.Comments;
    } else if (c == '(') {
      chain.push_back(0);
      shape.MaxDepth = std::max(shape.MaxDepth, static_cast<int>(chain.size()) - 1);
      ++i;
    } else if (c == ')') {
      if (chain.size() > 1) chain.pop_back();
      ++i;
    } else if (c == ',') {
      chain.back() = 0;
      ++i;
    } else if (c == '<' || c == '>') {
      if (i + 1 < n && (text[i + 1] == '=' || (c == '<' && text[i + 1] == '>'))) ++i;
      ++shape.Comparisons;
      countOperator();
      ++i;
    } else if (c == '=') {
      ++shape.Comparisons;
      countOperator();
      ++i;
    } else if (c == '+' || c == '-' || c == '*' || c == '/' || c == '^') {
      countOperator();
      ++i;
    } else if (isNameChar(c)) {
      size_t end = i;
      while (end < n && isNameChar(text[end])) ++end;
      std::string_view name(text.data() + i, end - i);
      if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'f') ++shape.Variables;
      if (end < n && text[end] == '(' &&
          (name == "Min" || name == "Max" || name == "Neg" || name == "Abs"))
        ++shape.Calls;
      i = end;
    } else {
      ++i;
    }
  }
  return shape;
}

}  // namespace qnexp
