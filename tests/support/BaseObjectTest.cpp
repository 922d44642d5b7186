// Persistent-object base: the enumeration protocol, releasing owned members, the class
// registry and captions.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/BaseObject.h"

using namespace qnexp;

namespace {

int gDestroyed = 0;

class TTracked : public TBaseObject {
  QN_CLASS(TTracked, TBaseObject)
public:
  ~TTracked() override { ++gDestroyed; }
};

class TRecord : public TBaseObject {
  QN_CLASS(TRecord, TBaseObject)
public:
  ~TRecord() override { ReleaseProperties(); }
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override {
    if (!TBaseObject::EnumrateProperties(callback, purpose, param)) return false;
    return callback(&Number, "Number", ptInteger, Number != 0, 0, param) &&
           callback(&Name, "Name", ptString, !Name.empty(), 0, param) &&
           callback(&Child, "Child", ptObject, Child != nullptr, 0, param);
  }
  std::string GetObjCaption() override { return "record " + Name; }
  void SetObjCaption(const std::string& caption) override { Name = caption; }

  int32_t Number = 0;
  std::string Name;
  TObject* Child = nullptr;
};

class TRecordEx : public TRecord {
  QN_CLASS(TRecordEx, TRecord)
public:
  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override {
    if (!TRecord::EnumrateProperties(callback, purpose, param)) return false;
    return callback(&Extra, "Extra", ptBoolean, Extra, 0, param);
  }
  bool Extra = false;
};

class TOther : public TBaseObject {
  QN_CLASS(TOther, TBaseObject)
};

// Collects the names reported, answering false at the given call (1-based; 0 never).
struct TCollector {
  std::vector<std::string> Names;
  size_t StopAt = 0;
  TPropProcessor Callback() {
    return [this](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
      Names.push_back(name);
      return Names.size() != StopAt;
    };
  }
};

}  // namespace

TEST(BaseObjectEnumeration, ReportsParentsFirstInFixedOrder) {
  TRecordEx record;
  TCollector collector;
  EXPECT_TRUE(record.EnumrateProperties(collector.Callback(), epStore, nullptr));
  EXPECT_EQ(collector.Names, (std::vector<std::string>{"Number", "Name", "Child", "Extra"}));
}

TEST(BaseObjectEnumeration, StopsAtTheFirstRefusal) {
  TRecord record;
  TCollector collector;
  collector.StopAt = 2;
  EXPECT_FALSE(record.EnumrateProperties(collector.Callback(), epStore, nullptr));
  EXPECT_EQ(collector.Names, (std::vector<std::string>{"Number", "Name"}));
}

TEST(BaseObjectEnumeration, DescendantReportsNothingWhenParentRefused) {
  TRecordEx record;
  TCollector collector;
  collector.StopAt = 3;
  EXPECT_FALSE(record.EnumrateProperties(collector.Callback(), epStore, nullptr));
  EXPECT_EQ(collector.Names.size(), 3u);
}

TEST(BaseObjectEnumeration, PassesAddressesKindsAndParam) {
  TRecord record;
  record.Number = 7;
  int param = 0;
  std::vector<std::pair<void*, TPropType>> seen;
  record.EnumrateProperties(
      [&](void* prop, const std::string&, TPropType type, bool hasData, intptr_t, void* p) {
        EXPECT_EQ(p, &param);
        seen.emplace_back(prop, type);
        if (type == ptInteger) {
          EXPECT_TRUE(hasData);
        }
        if (type == ptString) {
          EXPECT_FALSE(hasData);
        }
        return true;
      },
      epVisit, &param);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, &record.Number);
  EXPECT_EQ(*static_cast<int32_t*>(seen[0].first), 7);
  EXPECT_EQ(seen[2].second, ptObject);
}

TEST(BaseObjectRelease, FreesOwnedObjectsAndLeavesNilAlone) {
  gDestroyed = 0;
  { TRecord empty; }
  EXPECT_EQ(gDestroyed, 0);
  {
    TRecord owner;
    owner.Child = new TTracked;
  }
  EXPECT_EQ(gDestroyed, 1);
}

TEST(BaseObjectRelease, DestroyPropClearsTheReference) {
  gDestroyed = 0;
  TObject* child = new TTracked;
  EXPECT_TRUE(TBaseObject::DestroyProp(&child, "Child", ptObject, true, 0, nullptr));
  EXPECT_EQ(child, nullptr);
  EXPECT_EQ(gDestroyed, 1);
  char* buffer = new char[4]{'a', 'b', 'c', 0};
  TBaseObject::DestroyProp(&buffer, "Text", ptPChar, true, 0, nullptr);
  EXPECT_EQ(buffer, nullptr);
  int32_t plain = 5;
  TBaseObject::DestroyProp(&plain, "N", ptInteger, true, 0, nullptr);
  EXPECT_EQ(plain, 5);
}

TEST(BaseObjectCaption, ClassNameByDefaultOwnCaptionWhenGiven) {
  TObject plain;
  TOther other;
  TRecord record;
  EXPECT_EQ(GetObjCaption(&plain), "TObject");
  EXPECT_EQ(GetObjCaption(&other), "TOther");
  EXPECT_EQ(GetObjCaption(nullptr), "");
  SetObjCaption(&record, "x");
  EXPECT_EQ(GetObjCaption(&record), "record x");
  SetObjCaption(&plain, "ignored");
  EXPECT_EQ(GetObjCaption(&plain), "TObject");
}

TEST(BaseObjectStreams, DuplicateSelfCopiesThroughTheStreams) {
  RegisterClass(TRecord::StaticClass());
  TRecord record;
  record.Number = 12;
  record.Name = "r";
  std::unique_ptr<TBaseObject> copy(record.DuplicateSelf());
  auto* same = ObjectAs<TRecord>(copy.get());
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->Number, 12);
  EXPECT_EQ(same->Name, "r");
  EXPECT_THROW(record.SaveToFile("/nonexistent-folder/record"), EFCreateError);
}

TEST(ClassRegistry, FindsByNameWithoutCaseAndReplacesSameName) {
  RegisterClasses({&TRecord::StaticClass(), &TRecordEx::StaticClass()});
  EXPECT_EQ(GetPersistentClass("trecord"), &TRecord::StaticClass());
  EXPECT_EQ(&FindPersistentClass("TRECORDEX"), &TRecordEx::StaticClass());
  TObject* made = FindPersistentClass("TRecordEx").Create();
  EXPECT_EQ(made->ClassName(), "TRecordEx");
  delete made;

  RegisterClassAlias(TOther::StaticClass(), "TOtherAlias");
  EXPECT_EQ(GetPersistentClass("TOtherAlias"), &TOther::StaticClass());
  EXPECT_EQ(GetPersistentClass("TOther"), &TOther::StaticClass());

  UnRegisterClass(TRecordEx::StaticClass());
  EXPECT_EQ(GetPersistentClass("TRecordEx"), nullptr);
  try {
    FindPersistentClass("TRecordEx");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message, "Class TRecordEx not found");
  }
  UnRegisterClass(TRecord::StaticClass());
  UnRegisterClass(TOther::StaticClass());
}

TEST(ClassRegistry, ClassNamesFilteredByBase) {
  RegisterClasses({&TRecord::StaticClass(), &TRecordEx::StaticClass(), &TOther::StaticClass()});
  TStringList names;
  GetClassNames(names, &TRecord::StaticClass());
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.Get(0), "TRecord");
  EXPECT_EQ(names.Get(1), "TRecordEx");
  for (auto* cls : {&TRecord::StaticClass(), &TRecordEx::StaticClass(), &TOther::StaticClass()})
    UnRegisterClass(*cls);
}

TEST(ClassRegistry, FindClassesAncestry) {
  const TClassInfo& base = TBaseObject::StaticClass();
  // The nearest shared ancestor is the stop itself: none.
  EXPECT_EQ(FindClassesAncestry(&TRecord::StaticClass(), &TOther::StaticClass(), &base), nullptr);
  EXPECT_EQ(FindClassesAncestry(&TRecordEx::StaticClass(), &TRecord::StaticClass(), &base),
            &TRecord::StaticClass());
  EXPECT_EQ(FindClassesAncestry(&TRecord::StaticClass(), &TRecordEx::StaticClass(), &base),
            &TRecord::StaticClass());
  EXPECT_EQ(FindClassesAncestry(&TRecord::StaticClass(), &TOther::StaticClass(), nullptr),
            &base);
}
