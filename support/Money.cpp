// The amount formatter: parsing of the format language, the held amount text and the
// right-to-left rendering with units and their compression.
#include "support/Money.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// The characters every numeral style has a text for, in table order.
constexpr std::string_view kStyleChars = "+,-./0123456789";

struct TStyleTexts {
  std::string Chars[15];
  std::string Units[kMoneyUnitCount];
};

const TStyleTexts& StyleTexts(int style) {
  static const TStyleTexts* const styles = [] {
    static TStyleTexts all[kMoneyStyleCount];
    const char* const chars[kMoneyStyleCount][15] = {
        {"+", ",", "-", ".", "/", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"},
        {"＋", "，", "－", "。", "／", "０", "１", "２", "３", "４", "５", "６", "７", "８", "９"},
        {"正", "，", "负", "点", "／", "○", "一", "二", "三", "四", "五", "六", "七", "八", "九"},
        {"正", "，", "负", "点", "／", "零", "壹", "贰", "叁", "肆", "伍", "陆", "柒", "捌", "玖"}};
    const char* const plainUnits[kMoneyUnitCount] = {"厘", "分", "角", "元", "十", "百", "千", "万", "亿", "兆"};
    const char* const capitalUnits[kMoneyUnitCount] = {"厘", "分", "角", "圆", "拾", "佰", "仟", "万", "亿", "兆"};
    for (int s = 0; s < kMoneyStyleCount; ++s) {
      for (int c = 0; c < 15; ++c) all[s].Chars[c] = Res(chars[s][c]);
      for (int u = 0; u < kMoneyUnitCount; ++u)
        all[s].Units[u] = Res(s == msCapitals ? capitalUnits[u] : plainUnits[u]);
    }
    return all;
  }();
  return styles[style >= msPlain && style < kMoneyStyleCount ? style : msPlain];
}

const std::string& StyleChar(int style, char c) {
  return StyleTexts(style).Chars[kStyleChars.find(c)];
}

bool IsDigitOrSign(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-'; }

// The unit number of a marker at position p, or -1 when the position has none.
int UnitNumber(int p) {
  if (p < -3) return -1;
  if (p <= 4) return muYuan + p;
  switch (p % 16) {
    case 0: return muZhao;
    case 4:
    case 12: return muWan;
    case 8: return muYi;
    default: return muYuan + p % 4;
  }
}

// A quoted text at i ('...' or "...", a doubled quote standing for one, unterminated up to
// the end); i moves past it. False, and i unchanged, when there is no quote at i.
bool ReadQuoted(const std::string& f, size_t& i, std::string& out) {
  if (i >= f.size() || (f[i] != '\'' && f[i] != '"')) return false;
  char quote = f[i++];
  out.clear();
  while (i < f.size()) {
    if (f[i] == quote) {
      if (i + 1 < f.size() && f[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    size_t next = static_cast<size_t>(NextCharPos(f, static_cast<int>(i) + 1)) - 1;
    out.append(f, i, next - i);
    i = next;
  }
  return true;
}

// A signed decimal integer at i, saturating far beyond any meaningful value; i moves past it.
// False, and i unchanged, when no digit follows the optional sign.
bool ReadInt(const std::string& f, size_t& i, int& out) {
  size_t j = i;
  bool negative = false;
  if (j < f.size() && (f[j] == '-' || f[j] == '+')) negative = f[j++] == '-';
  if (j >= f.size() || f[j] < '0' || f[j] > '9') return false;
  long long value = 0;
  while (j < f.size() && f[j] >= '0' && f[j] <= '9') {
    value = std::min(value * 10 + (f[j] - '0'), 1000000000LL);
    ++j;
  }
  out = static_cast<int>(negative ? -value : value);
  i = j;
  return true;
}

// |amount| rounded half away from zero to decimals fraction digits, from its 18 significant
// decimal digits, as the runtime's fixed-point conversion does.
std::string FixedText(long double amount, int decimals) {
  if (std::isnan(amount)) return "NAN";
  if (std::isinf(amount)) return amount < 0 ? "-INF" : "INF";
  bool negative = amount < 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17Le", std::fabs(amount));
  std::string digits = std::string(1, buffer[0]) + std::string(buffer + 2, 17);
  int exponent = std::atoi(std::strchr(buffer, 'e') + 1);
  // The integer K with amount ~ K * 10^-decimals, as decimal digits.
  long long keep = static_cast<long long>(exponent) + 1 + decimals;
  std::string units;
  if (amount == 0 || keep < 0) {
    units = "0";
  } else if (keep == 0) {
    units = digits[0] >= '5' ? "1" : "0";
  } else {
    units = digits.substr(0, static_cast<size_t>(std::min<long long>(keep, 18)));
    units.append(static_cast<size_t>(keep) - units.size(), '0');
    if (keep < 18 && digits[static_cast<size_t>(keep)] >= '5') {
      int k = static_cast<int>(units.size()) - 1;
      while (k >= 0 && units[k] == '9') units[k--] = '0';
      if (k >= 0) ++units[k];
      else units.insert(units.begin(), '1');
    }
  }
  if (units.size() < static_cast<size_t>(decimals) + 1)
    units.insert(0, static_cast<size_t>(decimals) + 1 - units.size(), '0');
  bool zero = units.find_first_not_of('0') == std::string::npos;
  std::string text = (negative && !zero) ? "-" : "";
  text += units.substr(0, units.size() - decimals);
  if (decimals > 0) text += "." + units.substr(units.size() - decimals);
  return text;
}

std::string PadLeft(const std::string& text, int width) {
  if (static_cast<int>(text.size()) >= width) return text;
  return std::string(width - text.size(), ' ') + text;
}

// One cell of the digit string: a character of the amount, or a mark the formatter put in.
enum TCellKind : uint8_t { ckChar, ckUnit, ckGroup, ckPoint, ckCurrency, ckWhole };

struct TCell {
  TCellKind Kind;
  std::string Text;  // the character, for ckChar
};

void AppendChars(std::vector<TCell>& cells, const std::string& text) {
  for (int pos = 1; pos <= static_cast<int>(text.size());) {
    int next = NextCharPos(text, pos);
    cells.push_back({ckChar, text.substr(pos - 1, next - pos)});
    pos = next;
  }
}

bool IsZeroDigit(const std::vector<TCell>& cells, size_t k) {
  return cells[k].Kind == ckChar && cells[k].Text == "0";
}

}  // namespace

TRenMinBi::TRenMinBi(const std::string& format, long double amount) {
  InitFormatParam();
  SetFmtStr(format);
  SetMoney(amount);
}

void TRenMinBi::InitFormatParam() {
  Style = msPlain;
  CurrencyText.clear();
  WholeText.clear();
  FillText.clear();
  Width = 1;
  Decimals = 2;
  GroupSize = 3;
  GroupSeparator.clear();
  UnitsMode = false;
  CompressedUnits = false;
  HasUnitText = false;
  UnitText.clear();
  PointShown = true;
  DecimalText = ".";
  SinglePosition = false;
  PositionNumber = 0;
  Template.clear();
  Placeholder = std::string::npos;
}

long double TRenMinBi::GetMoney() const {
  std::string text = TrimBoth(Money);
  if (text.empty()) return 0;
  char* end = nullptr;
  long double value = std::strtold(text.c_str(), &end);
  return end && *end == '\0' ? value : 0;
}

void TRenMinBi::SetMoney(long double amount) {
  Money = PadLeft(FixedText(amount, Decimals), Width);
}

void TRenMinBi::SetMoneyStr(const std::string& text) {
  size_t point = text.find('.');
  std::string held = text;
  if (point == std::string::npos) {
    if (Decimals >= 1) held += "." + std::string(Decimals, '0');
  } else if (static_cast<int>(text.size() - point - 1) != Decimals) {
    if (Decimals == 0) {
      held = text.substr(0, point);
    } else {
      std::string fraction = CopyValid(text.substr(point + 1), 1, Decimals);
      fraction.append(Decimals - std::min<size_t>(fraction.size(), Decimals), '0');
      held = text.substr(0, point + 1) + fraction;
    }
  }
  Money = PadLeft(held, Width);
}

void TRenMinBi::SetFmtStr(const std::string& format) {
  const std::string& f = format;
  std::string literal;
  bool seenDirective = false;
  auto closeLiteral = [&] {
    Template += literal;
    if (!seenDirective) {
      Placeholder = Template.size();
      Template += "%s";
    }
    seenDirective = true;
    literal.clear();
  };
  Template.clear();
  Placeholder = std::string::npos;
  size_t i = 0;
  while (i < f.size()) {
    char c = f[i];
    std::string text;
    int number = 0;
    switch (c) {
      case '#':
        closeLiteral();
        ++i;
        FillText = ReadQuoted(f, i, text) ? text : "0";
        Width = ReadInt(f, i, number) ? number : 1;
        if (i < f.size() && f[i] == '.') {
          ++i;
          Decimals = ReadInt(f, i, number) ? number : 2;
        }
        Width = std::min(Width, kMaxMoneyWidth);
        Decimals = std::clamp(Decimals, 0, kMaxMoneyDecimals);
        break;
      case '$':
        closeLiteral();
        ++i;
        CurrencyText = ReadQuoted(f, i, text) ? text : Res("￥");
        break;
      case '&':
        closeLiteral();
        ++i;
        UnitsMode = true;
        CompressedUnits = i < f.size() && f[i] == '&';
        if (CompressedUnits) ++i;
        if (ReadQuoted(f, i, text)) {
          HasUnitText = !text.empty();
          UnitText = text;
          UnitsMode = HasUnitText;
        }
        PointShown = i < f.size() && f[i] == '.';
        if (PointShown) {
          ++i;
          DecimalText = ReadQuoted(f, i, text) ? text : ".";
        }
        break;
      case ',':
        closeLiteral();
        ++i;
        GroupSize = ReadInt(f, i, number) ? number : 3;
        GroupSeparator = ReadQuoted(f, i, text) ? text : ",";
        break;
      case '@':
        closeLiteral();
        ++i;
        Style = ReadInt(f, i, number) && number >= msPlain && number < kMoneyStyleCount
                    ? number
                    : msPlain;
        break;
      case '^':
        closeLiteral();
        ++i;
        SinglePosition = true;
        PositionNumber = ReadInt(f, i, number) ? number : 0;
        break;
      case '~':
        closeLiteral();
        ++i;
        WholeText = ReadQuoted(f, i, text) ? text : Res("整");
        break;
      case '\'':
      case '"': {
        size_t start = i;
        ReadQuoted(f, i, text);
        literal.append(f, start, i - start);
        break;
      }
      default: {
        size_t next = static_cast<size_t>(NextCharPos(f, static_cast<int>(i) + 1)) - 1;
        literal.append(f, i, next - i);
        i = next;
      }
    }
  }
  closeLiteral();
  if (FillText == "0") FillText = StyleChar(Style, '0');
  if (DecimalText == ".") DecimalText = StyleChar(Style, '.');
}

std::string TRenMinBi::GetResult() {
  // A sign is no digit: it takes neither a position nor a unit nor a group. The amount
  // renders unsigned, and the sign's text goes in front of the whole rendering.
  std::string money = Money;
  std::string signText;
  size_t first = money.find_first_not_of(' ');
  if (first != std::string::npos && (money[first] == '-' || money[first] == '+')) {
    signText = StyleChar(Style, money[first]);
    money.erase(first, 1);
  }
  // The digit string: integer part, then fraction, with the formatter's marks.
  size_t point = money.find('.');
  std::string integerText = money.substr(0, point);
  std::string fractionText =
      point == std::string::npos ? std::string() : CopyValid(money.substr(point + 1), 1, Decimals);
  std::vector<TCell> whole, fraction;
  AppendChars(whole, integerText);
  AppendChars(fraction, fractionText);
  if (UnitsMode) {
    std::vector<TCell> marked;
    for (TCell& cell : whole) {
      marked.push_back(std::move(cell));
      marked.push_back({ckUnit, {}});
    }
    whole = std::move(marked);
    if (PointShown) {
      if (!whole.empty()) whole.back().Kind = ckPoint;
    } else {
      marked.clear();
      for (TCell& cell : fraction) {
        marked.push_back(std::move(cell));
        marked.push_back({ckUnit, {}});
      }
      fraction = std::move(marked);
    }
  }
  if (!GroupSeparator.empty() && GroupSize > 0) {
    size_t step = static_cast<size_t>(GroupSize) * (UnitsMode ? 2 : 1);
    std::vector<TCell> grouped;
    for (size_t k = 0; k < whole.size(); ++k) {
      if (k > 0 && k % step == 0) grouped.push_back({ckGroup, {}});
      grouped.push_back(std::move(whole[whole.size() - 1 - k]));
    }
    std::reverse(grouped.begin(), grouped.end());
    whole = std::move(grouped);
  }
  if (PointShown && !UnitsMode) whole.push_back({ckPoint, {}});
  if (!CurrencyText.empty()) whole.insert(whole.begin(), {ckCurrency, {}});
  bool compressed = UnitsMode && CompressedUnits && !HasUnitText;
  if (!WholeText.empty() && (fractionText.empty() || (!money.empty() && money.back() == '0')))
    fraction.push_back({ckWhole, {}});
  size_t fractionStart = whole.size();
  std::vector<TCell> cells = std::move(whole);
  for (TCell& cell : fraction) cells.push_back(std::move(cell));

  // Rendering from the right; pieces are collected last-first and joined at the end.
  const TStyleTexts& style = StyleTexts(Style);
  int low = SinglePosition ? PositionNumber : -Decimals - 1;
  int high = SinglePosition ? PositionNumber : INT_MAX;
  std::vector<std::string> pieces;
  auto emit = [&](const std::string& text, int p) {
    if (p >= low && p <= high && !text.empty()) pieces.push_back(text);
  };
  struct TPending {
    int Unit;
    std::string Text;
    int Position;
  };
  std::vector<TPending> pending;
  auto pushPending = [&](int unit, const std::string& text, int p) {
    // Smaller units are absorbed by the next larger one; 元 always survives.
    while (!pending.empty() && pending.back().Unit <= unit && pending.back().Unit != muYuan)
      pending.pop_back();
    pending.push_back({unit, text, p});
  };
  bool zeroRun = true;
  bool nonZeroProduced = false;
  int pos = -Decimals;
  for (size_t k = cells.size(); k-- > 0;) {
    const TCell& cell = cells[k];
    switch (cell.Kind) {
      case ckCurrency:
        emit(CurrencyText, pos);
        break;
      case ckGroup:
        emit(GroupSeparator == "," ? style.Chars[1] : GroupSeparator, pos);
        break;
      case ckWhole:
        emit(WholeText, pos - 1);
        break;
      case ckPoint:
        if (compressed && ((k > 0 && IsZeroDigit(cells, k - 1)) || !nonZeroProduced))
          pushPending(muYuan, DecimalText, pos);
        else
          emit(DecimalText, pos);
        break;
      case ckUnit: {
        if (HasUnitText) {
          emit(UnitText, pos);
          break;
        }
        int unit = UnitNumber(pos);
        if (unit < 0) break;
        if (!compressed)
          emit(style.Units[unit], pos);
        else if (zeroRun || (k > 0 && IsZeroDigit(cells, k - 1)))
          pushPending(unit, style.Units[unit], pos);
        else
          emit(style.Units[unit], pos);
        break;
      }
      case ckChar: {
        const std::string& text = cell.Text;
        if (text == " ") {
          emit(FillText, pos++);
          break;
        }
        if (text.size() != 1 || !IsDigitOrSign(text[0])) {
          emit(text, pos);
          break;
        }
        bool zero = text[0] == '0';
        bool marked = k < fractionStart || (k + 1 < cells.size() && cells[k + 1].Kind == ckUnit);
        if (compressed && marked) {
          if (!zero) {
            if (zeroRun) {
              for (const TPending& unit : pending) emit(unit.Text, unit.Position);
              pending.clear();
              zeroRun = false;
            }
            emit(StyleChar(Style, text[0]), pos);
            nonZeroProduced = true;
          } else if (!zeroRun) {
            if (pos != 0) emit(StyleTexts(3).Chars[5], pos);
            zeroRun = true;
          }
        } else {
          emit(StyleChar(Style, text[0]), pos);
          if (!zero && text[0] >= '0' && text[0] <= '9') nonZeroProduced = true;
        }
        ++pos;
        break;
      }
    }
  }
  std::string rendered = signText;
  for (size_t k = pieces.size(); k-- > 0;) rendered += pieces[k];
  // A literal "%" right before the placeholder would swallow it and drop the amount without
  // a word; it is as malformed as any other stray "%".
  if (Placeholder != std::string::npos) {
    size_t percents = 0;
    while (percents < Placeholder && Template[Placeholder - 1 - percents] == '%') ++percents;
    if (percents % 2 == 1) throw EConvertError(Format(Msg::InvalidFormat, {Template}));
  }
  return Format(Template, {rendered});
}

std::string FormatMoney(long double amount, const std::string& format) {
  return TRenMinBi(format, amount).GetResult();
}

std::string FormatMoney(const std::string& amount, const std::string& format) {
  TRenMinBi formatter(format, 0);
  formatter.SetMoneyStr(amount);
  return formatter.GetResult();
}

}  // namespace qnexp
