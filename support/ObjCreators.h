// Making objects by class name: the class registry first, then the registered object creators.
#pragma once

#include <string>

#include "runtime/Object.h"

namespace qnexp {

// Makes an object of className (cls is the registered class, or null when the name is not
// registered) with owner and parent, or returns null when it cannot.
using TObjectCreator = TObject* (*)(const std::string& className, const TClassInfo* cls,
                                    TObject* owner, TObject* parent);

// Stores fn in the first empty slot (or a new one) and returns its index; the index it already
// has when fn is registered. Null is not stored (-1).
int RegisterObjectCreator(TObjectCreator fn);
// Empties the slot of fn; other indices stay as they are. Unknown creators and indices outside
// the list are ignored.
void UnRegisterObjectCreator(TObjectCreator fn);
void UnRegisterObjectCreator(int index);

// A new object of the class named className (case-insensitive), which the caller owns: a
// registered TBaseObject descendant through its virtual constructor, otherwise the first
// creator that makes one. Raises EClassNotFound "创建类 %s 的对象实例失败" when nothing can.
TObject* CreateObject(const std::string& className, TObject* owner, TObject* parent);

// Whether a record of className carries a child list (its objects implement IBaseObject). A
// class that cannot be made raises EClassNotFound "Class %s not found".
bool ObjectHasChildList(const std::string& className);

// The library's own creator: the plain pointer list, the stack and TQnList by name, keyed and
// plain string lists; null for anything else.
TObject* BuiltInObjectCreator(const std::string& className, const TClassInfo* cls,
                              TObject* owner, TObject* parent);

// Registers the support library's persistable classes and the built-in creator (at library
// start), and removes them again (at unload).
void RegisterSupportClasses();
void UnRegisterSupportClasses();

}  // namespace qnexp
