// The root of the system's classes: run-time class information, virtual construction and the
// persistent-class registry that finds a class by its name.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace qnexp {

class TObject;

// What the runtime knows of a class: its name, its parent and its virtual constructor
// (null for classes that cannot be created from their class reference alone).
struct TClassInfo {
  const char* Name;
  const TClassInfo* Parent;
  TObject* (*Create)();

  // True when this class is other or descends from it.
  bool InheritsFrom(const TClassInfo& other) const;
};

// Declares the class information of a class derived from TObject. Put it first in the class
// body; the class needs a public default constructor.
#define QN_CLASS(Self, ParentClass)                                                         \
public:                                                                                     \
  static const ::qnexp::TClassInfo& StaticClass() {                                         \
    static const ::qnexp::TClassInfo info{#Self, &ParentClass::StaticClass(),              \
                                          []() -> ::qnexp::TObject* { return new Self(); }}; \
    return info;                                                                            \
  }                                                                                         \
  const ::qnexp::TClassInfo& ClassType() const override { return StaticClass(); }         \
                                                                                            \
private:

// A table of class information, built once: ClassTable<TExp_A, TExp_B>() lists A, then B.
template <class... Classes>
std::span<const TClassInfo* const> ClassTable() {
  static const TClassInfo* const classes[] = {&Classes::StaticClass()...};
  return classes;
}

// The root class: every object that the system names, registers or persists derives from it.
class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType().Name; }
  bool InheritsFrom(const TClassInfo& cls) const { return ClassType().InheritsFrom(cls); }
};

// Dynamic cast by class information (nullptr when obj is not of class T).
template <class T>
T* ObjectAs(TObject* obj) {
  return obj && obj->InheritsFrom(T::StaticClass()) ? static_cast<T*>(obj) : nullptr;
}

// The persistent-class registry: class names compared without regard to case.
// RegisterPersistentClass replaces a different class registered under the same name.
void RegisterPersistentClass(const TClassInfo& cls);
void RegisterPersistentClassAs(const TClassInfo& cls, std::string_view alias);
void UnRegisterPersistentClass(const TClassInfo& cls);
// The class registered under name, or null.
const TClassInfo* GetPersistentClass(std::string_view name);
// The class registered under name; raises EClassNotFound "Class %s not found" when none.
const TClassInfo& FindPersistentClass(std::string_view name);
// Calls visit for every registered name with its class, in registration order.
template <class F>
void ForEachPersistentClass(F visit);
// Implementation detail of ForEachPersistentClass.
size_t PersistentClassCount();
const TClassInfo* PersistentClassAt(size_t index, std::string* name);

template <class F>
void ForEachPersistentClass(F visit) {
  std::string name;
  for (size_t i = 0; i < PersistentClassCount(); ++i) {
    const TClassInfo* cls = PersistentClassAt(i, &name);
    if (cls) visit(name, *cls);
  }
}

}  // namespace qnexp
