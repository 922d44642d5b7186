// The database library's load and unload steps: default hooks, the dataset variable list
// class and the 32 functions in the language's order.
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "dbfunctions/DBFunctions.h"
#include "dbfunctions/DBHooks.h"
#include "dbfunctions/DBVarList.h"
#include "support/BaseObject.h"

namespace qnexp {

namespace {

struct TDBLibrary {
  TDBLibrary() {
    InstallDefaultDBHooks();
    RegisterClass(TDBVarList::StaticClass());
    for (const TClassInfo* cls : DBClasses()) RegisterClass(*cls);
    if (ExpTranslator) ExpTranslator->Functions->RegisterFunctions(DBFunctionClasses());
  }
  // Unloading leaves the registered functions in place; the classes are forgotten.
  ~TDBLibrary() {
    for (const TClassInfo* cls : DBClasses()) UnRegisterClass(*cls);
    UnRegisterClass(TDBVarList::StaticClass());
  }
};

TDBLibrary DBLibrary;

}  // namespace

}  // namespace qnexp
