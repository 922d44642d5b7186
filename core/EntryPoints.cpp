// The entry points of the engine and the library's load and unload steps.
#include "core/EntryPoints.h"

#include <new>

#include "core/FunctionList.h"
#include "core/Registration.h"
#include "core/Sandbox.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "runtime/Exception.h"
#include "runtime/Handles.h"
#include "support/BoolWords.h"
#include "support/Macros.h"
#include "support/ObjCreators.h"

namespace qnexp {

TExpTranslator* ExpTranslator = nullptr;
TVarList* PubVarList = nullptr;

namespace {

// The message of the error being handled. Errors that are not the library's own (memory
// running out, a fault inside the standard library) are told by their own text, so that no
// other error class ever reaches a host through an entry point.
std::string MessageOfCurrentError() {
  try {
    throw;
  } catch (const Exception& error) {
    return error.Message;
  } catch (const std::bad_alloc&) {
    return Msg::OutOfMemory;
  } catch (const std::exception& error) {
    return error.what();
  }
}

}  // namespace

std::unique_ptr<TExpression> TranslateExp(const std::string& text) {
  TBudgetScope budget;
  try {
    return ExpTranslator->Translate(text);
  } catch (const Exception&) {
    throw;
  } catch (const std::exception&) {
    throw Exception(MessageOfCurrentError());
  }
}

bool ExpEvaluate(TExpression& node, int32_t stamp) {
  TBudgetScope budget;
  try {
    node.Evaluate(stamp);
    return false;
  } catch (const std::exception&) {
    std::string message = MessageOfCurrentError();
    node.DataType = etString;
    node.PutString(message);
    return true;
  }
}

std::unique_ptr<TExpression> CreateIntExp(int32_t value) {
  auto node = std::make_unique<TExpression>();
  node->DataType = etInteger;
  node->PutInteger(value);
  return node;
}

std::unique_ptr<TExpression> CreateRealExp(double value) {
  auto node = std::make_unique<TExpression>();
  node->DataType = etReal;
  node->PutReal(value);
  return node;
}

std::unique_ptr<TExpression> CreateDateTimeExp(double value) {
  auto node = std::make_unique<TExpression>();
  node->DataType = etDateTime;
  node->PutDateTime(value);
  return node;
}

std::unique_ptr<TExpression> CreateStrExp(const std::string& text) {
  auto node = std::make_unique<TExpression>();
  node->DataType = text.size() == 1 ? etChar : etString;
  node->PutString(text);
  return node;
}

std::unique_ptr<TVarList> CreateVarList(TVarList* parent) {
  auto list = std::make_unique<TVarList>();
  list->Parent = parent;
  list->SearchParent = true;
  return list;
}

void FreeExp(TExpression*& node) {
  delete node;
  node = nullptr;
}

void FreeVarList(TVarList*& list) {
  delete list;
  list = nullptr;
}

TVarList* GetVarList() { return ExpTranslator ? ExpTranslator->VarList : nullptr; }

void SetVarList(TVarList* list) {
  if (ExpTranslator && ExpTranslator->VarList != list) ExpTranslator->VarList = list;
}

bool IsExpression(const TObject* obj) {
  return obj && obj->InheritsFrom(TExpression::StaticClass());
}

TScreen& Screen() {
  static TScreen screen;
  return screen;
}

namespace {

// The library's load and unload steps, run once when the shared library is loaded and
// unloaded.
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
    RegisterNodeClasses();
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
