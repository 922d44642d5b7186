// Amounts as printed on invoices and cheques: ordinary, full-width or Chinese numerals, the
// financial capitals with their units, grouping, one digit per printed box, all driven by a
// small format language. Single-threaded.
#pragma once

#include <cstddef>
#include <string>

namespace qnexp {

// Texts are longer than the widest field any form prints; wider requests are cut to this.
inline constexpr int kMaxMoneyWidth = 255;
// More fraction digits than this are cut to it.
inline constexpr int kMaxMoneyDecimals = 255;

// The numeral styles of "@": ASCII digits, full-width digits, Chinese numerals, financial
// capitals (which also take the capital units).
enum TMoneyStyle : int { msPlain, msFullWidth, msChinese, msCapitals, kMoneyStyleCount };

// The units of amounts, from the smallest: 厘 分 角 元 十 百 千 万 亿 兆 (capitals: 圆 拾 佰 仟).
enum TMoneyUnit : int {
  muLi, muFen, muJiao, muYuan, muShi, muBai, muQian, muWan, muYi, muZhao, kMoneyUnitCount
};

// Formats one amount. The format language: "#" [fill] [width] ["." [decimals]], "$" [text],
// "&" or "&&" [unit text] ["." [decimal text]], "," [group size] [separator], "@" [style],
// "^" [position], "~" [whole text]; texts in quotes, numbers signed. Every other character
// (and every quoted run outside a directive) is literal and goes into the output template
// around the number. No format text or amount text makes it fail except as GetResult says.
class TRenMinBi {
public:
  // Initial parameters, then the format, then the amount.
  TRenMinBi(const std::string& format, long double amount);

  // The held text read as a number; 0 when it is not one.
  long double GetMoney() const;
  // Holds amount rounded half away from zero to Decimals fraction digits (from its 18
  // significant digits), right-aligned with spaces in Width characters. Infinities and NaN
  // are held as "INF", "-INF", "NAN".
  void SetMoney(long double amount);
  // Holds text with its fraction cut (never rounded) or zero-padded to Decimals digits; with
  // 0 decimals a point and fraction are cut off. Then right-aligned in Width characters.
  void SetMoneyStr(const std::string& text);
  // Parses a format text on top of the current parameters and makes the output template. Any
  // text is accepted; an argument that does not fit reads as absent.
  void SetFmtStr(const std::string& format);
  // The output template: the literal text around "%s".
  const std::string& GetFmtStr() const { return Template; }
  // Restores the initial parameters (style 0, width 1, 2 decimals, group size 3, point shown,
  // everything else off or empty) and an empty template.
  void InitFormatParam();
  // The amount rendered by the parameters and put into the template. A signed amount is the
  // style's text for its sign followed by the rendering of the unsigned amount, in every mode
  // (single-position output too): the sign takes no digit position, unit or group, and stands
  // in front of the currency text. A template with a "%"
  // that is not a valid placeholder raises EConvertError "Format '%s' invalid or
  // incompatible with argument" (or the runtime's other format error); so does a "%" right
  // before the amount, which would otherwise swallow it.
  std::string GetResult();
  // The amount as held.
  const std::string& GetMoneyText() const { return Money; }

  // The format parameters; SetFmtStr fills them, tests and hosts may read them.
  int Style = msPlain;
  std::string CurrencyText;
  std::string WholeText;
  std::string FillText;
  int Width = 1;
  int Decimals = 2;
  int GroupSize = 3;
  std::string GroupSeparator;
  bool UnitsMode = false;
  bool CompressedUnits = false;
  bool HasUnitText = false;
  std::string UnitText;
  bool PointShown = true;
  std::string DecimalText = ".";
  bool SinglePosition = false;
  int PositionNumber = 0;

private:
  std::string Money;
  std::string Template;
  // Where "%s" stands in Template; npos before any format was parsed.
  size_t Placeholder = std::string::npos;
};

// Formats amount (or the amount text) with format through a TRenMinBi; raises what GetResult
// raises.
std::string FormatMoney(long double amount, const std::string& format);
std::string FormatMoney(const std::string& amount, const std::string& format);

}  // namespace qnexp
