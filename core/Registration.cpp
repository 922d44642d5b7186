// The order in which the base library's functions are registered, and the table of families
// that provide them.
#include "core/Registration.h"

#include <string>

#include "core/CustomFunction.h"
#include "core/Function.h"
#include "core/FunctionList.h"
#include "core/Variables.h"
#include "functions/Arithmetic.h"
#include "functions/Comparison.h"
#include "functions/Conversion.h"
#include "functions/Flow.h"
#include "functions/Macros.h"
#include "functions/Math.h"
#include "functions/Money.h"
#include "functions/Strings.h"
#include "functions/System.h"
#include "functions/Time.h"
#include "support/BaseObject.h"

namespace qnexp {

namespace {

// The registration order of the base functions; it is also the order catalogues show.
const char* const kBaseFunctionOrder[] = {
    "ToInt", "ToReal", "ToBool", "ToChar", "ToStr", "ToTime", "RTrim", "LTrim", "Trim",
    "Length", "Pos", "RPos", "ASC", "SubS", "SubSValid", "SubStrCount", "ChrS", "Upper",
    "Lower", "UpLower", "Abs", "Sin", "Cos", "ArcTan", "Ln", "Sqr", "Sqrt", "Pi", "Frac",
    "Int", "Neg", "Order", "Random", "Round", "Trunc", "RealDiv", "IntDiv", "Mod", "rRound",
    "Not", "Odd", "VarExist", "Like", "LikeAny", "Min", "Max", "Iif", "Case", "Decode",
    "Accumulator", "PriorValue", "Zero", "Void", "VarRef", "VarDef", "VarAssign", "Loop", "Do",
    "DiskFree", "DiskSize", "Mem", "RMBFormat", "Input", "Display", "Sure", "TickCount",
    "CustomFunction", "CustFuncParam", "ExpandEDS", "ExpressDir", "RegValue", "Exec", "Wait",
    "Open", "Hint", "ToShortCut", "Argc", "UnDefFunc", "ComputerName", "IP", "Hex", "Clipboard",
    "ClipboardObj", "Exist", "WriteIni", "ReadIni"};

const char* const kMacroFunctionOrder[] = {"DefinMacro", "MacroText", "ExpandMacros", "Calc"};

// The named function classes of every family built into the library.
std::vector<const TClassInfo*> FunctionFamilies() {
  std::vector<const TClassInfo*> all;
  for (auto family : {ArithmeticFunctionClasses(), ComparisonFunctionClasses(),
                      ConversionFunctionClasses(), StringFunctionClasses(), MathFunctionClasses(),
                      SystemFunctionClasses(), FlowFunctionClasses(), CustomFunctionClasses(),
                      VariableFunctionClasses(), MoneyFunctionClasses(), MacroFunctionClasses()})
    all.insert(all.end(), family.begin(), family.end());
  return all;
}

const TClassInfo* FindByName(const std::vector<const TClassInfo*>& classes, const char* name) {
  for (const TClassInfo* cls : classes)
    if (FuncNameOf(*cls) == name) return cls;
  return nullptr;
}

}  // namespace

void RegisterBaseFunctions(TFunctionList& list) {
  std::vector<const TClassInfo*> families = FunctionFamilies();
  for (const char* name : kBaseFunctionOrder)
    if (const TClassInfo* cls = FindByName(families, name)) list.AddFunction(name, *cls);
  for (const char* name : kMacroFunctionOrder)
    if (const TClassInfo* cls = FindByName(families, name)) list.AddFunction(name, *cls);
  if (const TClassInfo* calc = FindByName(families, "Calc")) list.AddFunction("Calculate", *calc);
  RegisterTimeFunctions(list);
}

std::vector<const TClassInfo*> BaseNodeClasses() {
  std::vector<const TClassInfo*> all{
      &TExpression::StaticClass(),   &TFunction::StaticClass(),    &TP2Function::StaticClass(),
      &TP3Function::StaticClass(),   &TI0Function::StaticClass(),  &TN1Function::StaticClass(),
      &TMathFunction::StaticClass(), &TStrFunction::StaticClass()};
  for (auto family : {ArithmeticNodeClasses(), ComparisonNodeClasses(),
                      ConversionNodeClasses(), StringNodeClasses(), MathNodeClasses(),
                      SystemNodeClasses(), FlowNodeClasses(), CustomNodeClasses(),
                      VariableFunctionClasses(), MoneyFunctionClasses(), MacroFunctionClasses()})
    all.insert(all.end(), family.begin(), family.end());
  std::vector<const TClassInfo*> timeClasses = TimeNodeClasses();
  all.insert(all.end(), timeClasses.begin(), timeClasses.end());
  return all;
}

void RegisterNodeClasses() {
  for (const TClassInfo* cls : BaseNodeClasses()) RegisterClass(*cls);
}

}  // namespace qnexp
