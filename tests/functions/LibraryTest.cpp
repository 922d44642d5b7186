// The base library's registry as it stands after loading: every name, in the language's
// order, each bound to the class its name comes from; and every node class persistable.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "functions/Library.h"
#include "support/BaseObject.h"

using namespace qnexp;

TEST(Library, TheRegistryHoldsEveryNameInTheLanguagesOrder) {
  const std::vector<std::string> expected = {
      // the base functions
      "TOINT", "TOREAL", "TOBOOL", "TOCHAR", "TOSTR", "TOTIME", "RTRIM", "LTRIM", "TRIM",
      "LENGTH", "POS", "RPOS", "ASC", "SUBS", "SUBSVALID", "SUBSTRCOUNT", "CHRS", "UPPER",
      "LOWER", "UPLOWER", "ABS", "SIN", "COS", "ARCTAN", "LN", "SQR", "SQRT", "PI", "FRAC",
      "INT", "NEG", "ORDER", "RANDOM", "ROUND", "TRUNC", "REALDIV", "INTDIV", "MOD", "RROUND",
      "NOT", "ODD", "VAREXIST", "LIKE", "LIKEANY", "MIN", "MAX", "IIF", "CASE", "DECODE",
      "ACCUMULATOR", "PRIORVALUE", "ZERO", "VOID", "VARREF", "VARDEF", "VARASSIGN", "LOOP", "DO",
      "DISKFREE", "DISKSIZE", "MEM", "RMBFORMAT", "INPUT", "DISPLAY", "SURE", "TICKCOUNT",
      "CUSTOMFUNCTION", "CUSTFUNCPARAM", "EXPANDEDS", "EXPRESSDIR", "REGVALUE", "EXEC", "WAIT",
      "OPEN", "HINT", "TOSHORTCUT", "ARGC", "UNDEFFUNC", "COMPUTERNAME", "IP", "HEX",
      "CLIPBOARD", "CLIPBOARDOBJ", "EXIST", "WRITEINI", "READINI",
      // the macro functions and the second name of Calc
      "DEFINMACRO", "MACROTEXT", "EXPANDMACROS", "CALC", "CALCULATE",
      // the date, time and business-period functions
      "DATETIME", "NEWYEAR", "NEWMONTH", "NEWDAY", "NEWDATE", "NEWHOUR", "NEWMINUTE",
      "NEWSECOND", "NEWTIME", "ADDYEAR", "ADDMONTH", "ADDDAY", "ADDHOUR", "ADDMINUTE",
      "ADDSECOND", "YEAR", "MONTH", "DAY", "WEEKDAY", "HOUR", "MINUTE", "SECOND", "LASTDAY",
      "LASTDATE", "YEARS", "MONTHS", "DAYS", "HOURS", "MINUTES", "SECONDS", "BTIME",
      "BSTARTTIME", "BENDTIME", "BPRIORSTART", "BNEXTEND", "BPSTARTTIME", "BPENDTIME",
      // the control functions
      "SETPROCESSFORM", "SETCOMPVALUE", "GETCOMPVALUE", "GETCTRL", "DBGRIDSELECTEDROWCOUNT",
      "DBGRIDGOTOSELECTEDROW", "DBGRIDEACHSELECTEDROWS", "DOACTION", "CLICK", "PLAYSOUND",
      "FONTSWANTING", "HOOK"};
  ASSERT_EQ(expected.size(), 86u + 5u + 37u + 12u);
  TFunctionList& registry = *ExpTranslator->Functions;
  std::vector<std::string> names;
  for (int i = 0; i < registry.Count(); ++i) names.push_back(registry.Get(i));
  EXPECT_EQ(names, expected);
  for (const std::string& name : expected) {
    const TClassInfo* cls = registry.GetFuncClass(name);
    ASSERT_TRUE(cls) << name;
    std::string derived = FuncNameOf(*cls);
    for (char& c : derived)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    EXPECT_EQ(derived, name == "CALCULATE" ? "CALC" : name);
  }
}

TEST(Library, EveryNodeClassIsPersistableAndNoneIsListedTwice) {
  std::vector<const TClassInfo*> classes = BaseNodeClasses();
  for (size_t i = 0; i < classes.size(); ++i) {
    EXPECT_EQ(GetPersistentClass(classes[i]->Name), classes[i]) << classes[i]->Name;
    for (size_t j = 0; j < i; ++j) EXPECT_NE(classes[i], classes[j]) << classes[i]->Name;
  }
  // Every registered function class is among them.
  TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < registry.Count(); ++i) {
    const TClassInfo* cls = registry.GetFuncClass(registry.Get(i));
    EXPECT_NE(std::find(classes.begin(), classes.end(), cls), classes.end()) << registry.Get(i);
  }
}
