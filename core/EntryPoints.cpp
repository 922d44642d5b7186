// The entry points of the engine.
#include "core/EntryPoints.h"

#include <new>

#include "core/Sandbox.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "functions/FlatEvaluation.h"
#include "runtime/Exception.h"

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

namespace {

// Formulas, which are evaluated again and again, get flattened evaluation; a longer text is
// mostly evaluated once or a few times, and laying out all of its nodes once more would cost
// more than its evaluations gain.
constexpr size_t kFlattenedTextLimit = 4096;

// Sets the translator's marking of operators for flattened evaluation for one translation.
class TFlatMarking {
public:
  TFlatMarking(TExpTranslator& translator, bool mark)
      : Translator(translator), Before(translator.MarkFlatEvaluation) {
    translator.MarkFlatEvaluation = mark;
  }
  ~TFlatMarking() { Translator.MarkFlatEvaluation = Before; }
  TFlatMarking(const TFlatMarking&) = delete;
  TFlatMarking& operator=(const TFlatMarking&) = delete;

private:
  TExpTranslator& Translator;
  bool Before;
};

}  // namespace

std::unique_ptr<TExpression> TranslateExp(const std::string& text) {
  TBudgetScope budget;
  try {
    // The programs are made at the first evaluation of each arithmetic subtree.
    TFlatMarking marking(*ExpTranslator, text.size() <= kFlattenedTextLimit);
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

namespace {

// A constant node of type whose value put stores.
template <class Put>
std::unique_ptr<TExpression> Constant(TExpDataType type, Put put) {
  auto node = std::make_unique<TExpression>();
  node->DataType = type;
  put(*node);
  return node;
}

}  // namespace

std::unique_ptr<TExpression> CreateIntExp(int32_t value) {
  return Constant(etInteger, [&](TExpression& node) { node.PutInteger(value); });
}

std::unique_ptr<TExpression> CreateRealExp(double value) {
  return Constant(etReal, [&](TExpression& node) { node.PutReal(value); });
}

std::unique_ptr<TExpression> CreateDateTimeExp(double value) {
  return Constant(etDateTime, [&](TExpression& node) { node.PutDateTime(value); });
}

std::unique_ptr<TExpression> CreateStrExp(const std::string& text) {
  return Constant(text.size() == 1 ? etChar : etString,
                  [&](TExpression& node) { node.PutString(text); });
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

}  // namespace qnexp
