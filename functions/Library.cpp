// The base library's load and unload steps and its registration tables.
#include "functions/Library.h"

#include <memory>

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
#include "runtime/Handles.h"
#include "support/BaseObject.h"
#include "support/BoolWords.h"
#include "support/BusinessTime.h"
#include "support/Macros.h"
#include "support/ObjCreators.h"

namespace qnexp {

std::span<const TClassInfo* const> BaseFunctionClasses() {
  static const TClassInfo* const classes[] = {
      &TExp_ToInt::StaticClass(),        &TExp_ToReal::StaticClass(),
      &TExp_ToBool::StaticClass(),       &TExp_ToChar::StaticClass(),
      &TExp_ToStr::StaticClass(),        &TExp_ToTime::StaticClass(),
      &TExp_RTrim::StaticClass(),        &TExp_LTrim::StaticClass(),
      &TExp_Trim::StaticClass(),         &TExp_Length::StaticClass(),
      &TExp_Pos::StaticClass(),          &TExp_RPos::StaticClass(),
      &TExp_ASC::StaticClass(),          &TExp_SubS::StaticClass(),
      &TExp_SubSValid::StaticClass(),    &TExp_SubStrCount::StaticClass(),
      &TExp_ChrS::StaticClass(),         &TExp_Upper::StaticClass(),
      &TExp_Lower::StaticClass(),        &TExp_UpLower::StaticClass(),
      &TExp_Abs::StaticClass(),          &TExp_Sin::StaticClass(),
      &TExp_Cos::StaticClass(),          &TExp_ArcTan::StaticClass(),
      &TExp_Ln::StaticClass(),           &TExp_Sqr::StaticClass(),
      &TExp_Sqrt::StaticClass(),         &TExp_Pi::StaticClass(),
      &TExp_Frac::StaticClass(),         &TExp_Int::StaticClass(),
      &TExp_Neg::StaticClass(),          &TExp_Order::StaticClass(),
      &TExp_Random::StaticClass(),       &TExp_Round::StaticClass(),
      &TExp_Trunc::StaticClass(),        &TExp_RealDiv::StaticClass(),
      &TExp_IntDiv::StaticClass(),       &TExp_Mod::StaticClass(),
      &TExp_rRound::StaticClass(),       &TExp_Not::StaticClass(),
      &TExp_Odd::StaticClass(),          &TExp_VarExist::StaticClass(),
      &TExp_Like::StaticClass(),         &TExp_LikeAny::StaticClass(),
      &TExp_Min::StaticClass(),          &TExp_Max::StaticClass(),
      &TExp_Iif::StaticClass(),          &TExp_Case::StaticClass(),
      &TExp_Decode::StaticClass(),       &TExp_Accumulator::StaticClass(),
      &TExp_PriorValue::StaticClass(),   &TExp_Zero::StaticClass(),
      &TExp_Void::StaticClass(),         &TExp_VarRef::StaticClass(),
      &TExp_VarDef::StaticClass(),       &TExp_VarAssign::StaticClass(),
      &TExp_Loop::StaticClass(),         &TExp_Do::StaticClass(),
      &TExp_DiskFree::StaticClass(),     &TExp_DiskSize::StaticClass(),
      &TExp_Mem::StaticClass(),          &TExp_RMBFormat::StaticClass(),
      &TExp_Input::StaticClass(),        &TExp_Display::StaticClass(),
      &TExp_Sure::StaticClass(),         &TExp_TickCount::StaticClass(),
      &TCustomFunction::StaticClass(),   &TExp_CustFuncParam::StaticClass(),
      &TExp_ExpandEDS::StaticClass(),    &TExp_ExpressDir::StaticClass(),
      &TExp_RegValue::StaticClass(),     &TExp_Exec::StaticClass(),
      &TExp_Wait::StaticClass(),         &TExp_Open::StaticClass(),
      &TExp_Hint::StaticClass(),         &TExp_ToShortCut::StaticClass(),
      &TExp_Argc::StaticClass(),         &TExp_UnDefFunc::StaticClass(),
      &TExp_ComputerName::StaticClass(), &TExp_IP::StaticClass(),
      &TExp_Hex::StaticClass(),          &TExp_Clipboard::StaticClass(),
      &TExp_ClipboardObj::StaticClass(), &TExp_Exist::StaticClass(),
      &TExp_WriteIni::StaticClass(),     &TExp_ReadIni::StaticClass()};
  return classes;
}

std::span<const TClassInfo* const> MacroFunctionClasses() {
  static const TClassInfo* const classes[] = {
      &TExp_DefinMacro::StaticClass(), &TExp_MacroText::StaticClass(),
      &TExp_ExpandMacros::StaticClass(), &TExp_Calc::StaticClass()};
  return classes;
}

std::span<const TClassInfo* const> TimeFunctionClasses() {
  // The time family's table lists its four bases first, then the named functions in order.
  return TimeClasses().subspan(4);
}

std::vector<const TClassInfo*> BaseNodeClasses() {
  std::vector<const TClassInfo*> all;
  for (std::span<const TClassInfo* const> family :
       {FunctionBaseClasses(), ArithmeticClasses(), ComparisonClasses(), ConversionClasses(),
        StringClasses(), MathClasses(), SystemClasses(), FlowClasses(), CustomFunctionClasses(),
        VariableClasses(), MoneyClasses(), MacroClasses(), TimeClasses()})
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
    TFunctionList& registry = *ExpTranslator->Functions;
    registry.RegisterFunctions(BaseFunctionClasses());
    registry.RegisterFunctions(MacroFunctionClasses());
    registry.AddFunction("Calculate", TExp_Calc::StaticClass());
    registry.RegisterFunctions(TimeFunctionClasses());
    for (const TClassInfo* cls : BaseNodeClasses()) RegisterClass(*cls);
    for (const TClassInfo* cls : BusinessTimeClasses()) RegisterClass(*cls);
    InitMacros();
  }
  ~TBaseLibrary() {
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
