// The object creators and CreateObject; the support library's class registrations.
#include "support/ObjCreators.h"

#include <memory>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "support/BaseObject.h"
#include "support/ListContainer.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/StoredStrList.h"

namespace qnexp {

namespace {

std::vector<TObjectCreator>& Creators() {
  static std::vector<TObjectCreator> creators;
  return creators;
}

}  // namespace

int RegisterObjectCreator(TObjectCreator fn) {
  if (!fn) return -1;
  auto& creators = Creators();
  for (size_t i = 0; i < creators.size(); ++i)
    if (creators[i] == fn) return static_cast<int>(i);
  for (size_t i = 0; i < creators.size(); ++i)
    if (!creators[i]) {
      creators[i] = fn;
      return static_cast<int>(i);
    }
  creators.push_back(fn);
  return static_cast<int>(creators.size() - 1);
}

void UnRegisterObjectCreator(TObjectCreator fn) {
  if (!fn) return;
  for (auto& slot : Creators())
    if (slot == fn) slot = nullptr;
}

void UnRegisterObjectCreator(int index) {
  auto& creators = Creators();
  if (index >= 0 && static_cast<size_t>(index) < creators.size())
    creators[static_cast<size_t>(index)] = nullptr;
}

TObject* CreateObject(const std::string& className, TObject* owner, TObject* parent) {
  const TClassInfo* cls = GetPersistentClass(className);
  if (cls && cls->Create && cls->InheritsFrom(TBaseObject::StaticClass())) return cls->Create();
  // A creator may unregister itself (or others) while it runs: iterate by index.
  for (size_t i = 0; i < Creators().size(); ++i)
    if (TObjectCreator fn = Creators()[i])
      if (TObject* obj = fn(className, cls, owner, parent)) return obj;
  throw EClassNotFound(Format(Res("创建类 %s 的对象实例失败"), {className}));
}

bool ObjectHasChildList(const std::string& className) {
  std::unique_ptr<TObject> probe;
  try {
    probe.reset(CreateObject(className, nullptr, nullptr));
  } catch (const EClassNotFound&) {
    throw EClassNotFound(Format(Msg::ClassNotFound, {className}));
  }
  return BaseObjectIntf(probe.get()) != nullptr;
}

TObject* BuiltInObjectCreator(const std::string& className, const TClassInfo* cls, TObject*,
                              TObject*) {
  if (cls && cls->Create && cls->InheritsFrom(TStringList::StaticClass())) return cls->Create();
  if (cls) return nullptr;
  if (SameText(className, TList::StaticClass().Name)) return new TList;
  if (SameText(className, TStack::StaticClass().Name)) return new TStack;
  if (SameText(className, TQnList::StaticClass().Name)) return new TQnList;
  if (SameText(className, TQnStringList::StaticClass().Name)) return new TQnStringList;
  if (SameText(className, TStringList::StaticClass().Name)) return new TStringList;
  return nullptr;
}

void RegisterSupportClasses() {
  RegisterClasses({&TListContainer::StaticClass(), &TStoredStrList::StaticClass(),
                   &TQnStringList::StaticClass()});
  RegisterObjectCreator(&BuiltInObjectCreator);
}

void UnRegisterSupportClasses() {
  UnRegisterObjectCreator(&BuiltInObjectCreator);
  for (const TClassInfo* cls : {&TListContainer::StaticClass(), &TStoredStrList::StaticClass(),
                                &TQnStringList::StaticClass()})
    UnRegisterClass(*cls);
}

}  // namespace qnexp
