// The base library's load and unload steps and its registration tables.
#include "functions/Library.h"

#include <memory>
#include <stdexcept>

#include "controls/ComponentHooker.h"
#include "controls/ControlFunctions.h"
#include "core/CustomFunction.h"
#include "core/EntryPoints.h"
#include "core/Function.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
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
#include "platform/Forms.h"
#include "runtime/Handles.h"
#include "support/BaseObject.h"
#include "support/BoolWords.h"
#include "support/BusinessTime.h"
#include "support/Macros.h"
#include "support/ObjCreators.h"

namespace qnexp {

namespace {

// A family's table as registration consumes it: each run takes the next classes.
class TFamilyRuns {
public:
  TFamilyRuns(TFunctionList& registry, std::span<const TClassInfo* const> table)
      : Registry(registry), Rest(table) {}
  // A run longer than what is left is a fault of these tables, found at load, never skipped.
  void Take(size_t count) {
    if (count > Rest.size()) throw std::logic_error("a family's registration table is too short");
    Registry.RegisterFunctions(Rest.first(count));
    Rest = Rest.subspan(count);
  }

private:
  TFunctionList& Registry;
  std::span<const TClassInfo* const> Rest;
};

}  // namespace

void RegisterBaseFunctions(TFunctionList& registry) {
  TFamilyRuns conversion(registry, ConversionClasses()), strings(registry, StringClasses()),
      arithmetic(registry, ArithmeticClasses()), math(registry, MathClasses()),
      flow(registry, FlowClasses()), comparison(registry, ComparisonClasses()),
      variables(registry, VariableClasses()), system(registry, SystemClasses()),
      money(registry, MoneyClasses()), custom(registry, CustomFunctionClasses()),
      macros(registry, MacroClasses()), time(registry, TimeClasses());
  // The base functions: the families take turns in the language's order of 86 names.
  conversion.Take(6);   // ToInt ToReal ToBool ToChar ToStr ToTime
  strings.Take(14);     // RTrim ... UpLower
  arithmetic.Take(1);   // Abs
  math.Take(9);         // Sin Cos ArcTan Ln Sqr Sqrt Pi Frac Int
  arithmetic.Take(1);   // Neg
  flow.Take(1);         // Order
  math.Take(3);         // Random Round Trunc
  arithmetic.Take(3);   // RealDiv IntDiv Mod
  math.Take(1);         // rRound
  comparison.Take(2);   // Not Odd
  variables.Take(1);    // VarExist
  comparison.Take(2);   // Like LikeAny
  arithmetic.Take(2);   // Min Max
  flow.Take(7);         // Iif Case Decode Accumulator PriorValue Zero Void
  variables.Take(3);    // VarRef VarDef VarAssign
  flow.Take(2);         // Loop Do
  system.Take(3);       // DiskFree DiskSize Mem
  money.Take(1);        // RMBFormat
  system.Take(4);       // Input Display Sure TickCount
  custom.Take(2);       // CustomFunction CustFuncParam
  system.Take(7);       // ExpandEDS ExpressDir RegValue Exec Wait Open Hint
  conversion.Take(1);   // ToShortCut
  custom.Take(1);       // Argc
  flow.Take(1);         // UnDefFunc
  system.Take(2);       // ComputerName IP
  conversion.Take(1);   // Hex
  system.Take(5);       // Clipboard ClipboardObj Exist WriteIni ReadIni
  // The macro functions, with a second name for Calc; then the date and time functions.
  macros.Take(4);
  registry.AddFunction("Calculate", TExp_Calc::StaticClass());
  time.Take(kTimeFunctionCount);
  registry.RegisterFunctions(ControlClasses());
}

std::vector<const TClassInfo*> BaseNodeClasses() {
  std::vector<const TClassInfo*> all;
  for (std::span<const TClassInfo* const> family :
       {FunctionBaseClasses(), ArithmeticClasses(), ComparisonClasses(), ConversionClasses(),
        StringClasses(), MathClasses(), SystemClasses(), FlowClasses(), CustomFunctionClasses(),
        VariableClasses(), MoneyClasses(), MacroClasses(), TimeClasses(), ControlClasses()})
    all.insert(all.end(), family.begin(), family.end());
  return all;
}

namespace {

// The load steps in the language's order, and the unload steps in reverse.
struct TBaseLibrary {
  TBaseLibrary() {
    RegisterSupportClasses();
    RegisterClass(TVarList::StaticClass());
    PubVarList = new TVarList;
    for (bool value : {true, false}) {
      auto node = std::make_unique<TExpression>();
      node->DataType = etBoolean;
      node->PutBoolean(value);
      PubVarList->SetVarExp(BoolStrs()[value ? 1 : 0], node.release());
    }
    PubVarList->SetVarExp("Screen", CreateIntExp(HandleOf(&Screen(), hkScreen)).release());
    ExpTranslator = new TExpTranslator;
    RegisterBaseFunctions(*ExpTranslator->Functions);
    for (const TClassInfo* cls : BaseNodeClasses()) RegisterClass(*cls);
    for (const TClassInfo* cls : BusinessTimeClasses()) RegisterClass(*cls);
    InitMacros();
    SetExpressionMacroHandler(EvaluateExpressionMacro);
    TrackForms();
  }
  ~TBaseLibrary() {
    ReleaseHooks();
    DoneMacros();
    delete ExpTranslator;
    ExpTranslator = nullptr;
    delete PubVarList;
    PubVarList = nullptr;
    UnRegisterClass(TVarList::StaticClass());
    UnRegisterSupportClasses();
  }
};

TBaseLibrary BaseLibrary;

}  // namespace

}  // namespace qnexp
