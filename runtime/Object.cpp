// Class information of the root class and the persistent-class registry.
#include "runtime/GbkChars.h"
#include "runtime/Object.h"

#include <algorithm>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Format.h"

namespace qnexp {

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* cls = this; cls; cls = cls->Parent)
    if (cls == &other) return true;
  return false;
}

const TClassInfo& TObject::StaticClass() {
  static const TClassInfo info{"TObject", nullptr, []() -> TObject* { return new TObject(); }};
  return info;
}

namespace {

struct TRegistration {
  std::string Name;
  const TClassInfo* Class;
};

// Registration order is kept so that listings are stable.
std::vector<TRegistration>& Registry() {
  static std::vector<TRegistration> registry;
  return registry;
}

void Register(const TClassInfo& cls, std::string_view name) {
  auto& registry = Registry();
  auto found = std::find_if(registry.begin(), registry.end(),
                            [&](const TRegistration& r) { return SameText(r.Name, name); });
  if (found != registry.end()) {
    found->Class = &cls;
    return;
  }
  registry.push_back(TRegistration{std::string(name), &cls});
}

}  // namespace

void RegisterPersistentClass(const TClassInfo& cls) { Register(cls, cls.Name); }

void RegisterPersistentClassAs(const TClassInfo& cls, std::string_view alias) {
  Register(cls, alias);
}

void UnRegisterPersistentClass(const TClassInfo& cls) {
  auto& registry = Registry();
  registry.erase(std::remove_if(registry.begin(), registry.end(),
                                [&](const TRegistration& r) { return r.Class == &cls; }),
                 registry.end());
}

const TClassInfo* GetPersistentClass(std::string_view name) {
  for (const TRegistration& r : Registry())
    if (SameText(r.Name, name)) return r.Class;
  return nullptr;
}

const TClassInfo& FindPersistentClass(std::string_view name) {
  const TClassInfo* cls = GetPersistentClass(name);
  if (!cls) throw EClassNotFound(Format(Msg::ClassNotFound, {name}));
  return *cls;
}

size_t PersistentClassCount() { return Registry().size(); }

const TClassInfo* PersistentClassAt(size_t index, std::string* name) {
  auto& registry = Registry();
  if (index >= registry.size()) return nullptr;
  if (name) *name = registry[index].Name;
  return registry[index].Class;
}

}  // namespace qnexp
