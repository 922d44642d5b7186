// Stored string list: ownership through the forwarded operations, plain-lines files and
// streams, assignment and its persistence with the inner list.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/StoredStrList.h"
#include "Enumerated.h"
#include "TempFolder.h"
#include "Tracked.h"

using namespace qnexp;

namespace {

using TNode = qnexp::testing::TTracked;

class StoredStrListTest : public qnexp::testing::TTrackedTest {};

TEST_F(StoredStrListTest, ItemsOwnTheirNodes) {
  auto* list = new TStoredStrList;
  list->AddObject("A", Make("a"));
  list->AddObject("B", Make("b"));
  list->InsertObject(0, "C", Make("c"));
  list->Add("D");
  list->Delete(1);
  EXPECT_EQ(Freed, std::vector<std::string>{"a"});
  delete list;
  EXPECT_EQ(Freed, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(StoredStrListTest, SetObjLeavesTheOldObjectToTheCaller) {
  TStoredStrList list;
  TNode* old = Make("old");
  list.AddObject("X", old);
  list.SetObj(0, Make("new"));
  EXPECT_TRUE(Freed.empty());
  EXPECT_EQ(static_cast<TNode*>(list.GetObj(0))->Name, "new");
  delete old;
  list.SetObj(0, list.GetObj(0));
  EXPECT_EQ(Freed, std::vector<std::string>{"old"});
}

TEST_F(StoredStrListTest, ClearKeepsTheObjectsAlive) {
  TStoredStrList list;
  TNode* node = Make("n");
  list.AddObject("N", node);
  list.Clear();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_TRUE(Freed.empty());
  delete node;
}

TEST_F(StoredStrListTest, MoveAndExchangeCarryTheObjects) {
  TStoredStrList list;
  TNode* a = Make("a");
  list.AddObject("A", a);
  list.Add("B");
  list.Add("C");
  list.Move(0, 1);
  EXPECT_EQ(list.IndexOfObject(a), 1);
  list.Exchange(1, 2);
  EXPECT_EQ(list.IndexOfObject(a), 2);
  EXPECT_EQ(list.GetText(), "B\r\nC\r\nA\r\n");
  EXPECT_TRUE(Freed.empty());
}

TEST_F(StoredStrListTest, LookupsIgnoreCaseByDefault) {
  TStoredStrList list;
  for (int i = 0; i < 3000; ++i) list.Add("VAR" + std::to_string(i));
  EXPECT_EQ(list.IndexOf("var2999"), 2999);
  EXPECT_EQ(list.IndexOf("Var0"), 0);
  EXPECT_EQ(list.IndexOf("VAR3000"), -1);
  list.List().SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("var1"), -1);
  EXPECT_EQ(list.IndexOf("VAR1"), 1);
}

TEST_F(StoredStrListTest, ValuesByName) {
  TStoredStrList list;
  list.SetValue("a", "1");
  list.SetValue("B", "2");
  list.SetValue("A", "3");
  EXPECT_EQ(list.GetText(), "A=3\r\nB=2\r\n");
  EXPECT_EQ(list.GetValue("b"), "2");
  list.List().PutObject(1, Make("b"));
  list.SetValue("b", "");
  EXPECT_EQ(list.GetText(), "A=3\r\n");
  EXPECT_EQ(Freed, std::vector<std::string>{"b"});
}

TEST_F(StoredStrListTest, SortedAndDuplicates) {
  TStoredStrList list;
  list.Add("b");
  list.Add("a");
  list.SetSorted(true);
  EXPECT_TRUE(list.GetSorted());
  EXPECT_EQ(list.GetString(0), "a");
  EXPECT_EQ(list.Add("A"), 0);
  list.SetDuplicates(dupError);
  EXPECT_EQ(list.GetDuplicates(), dupError);
  EXPECT_THROW(list.Add("B"), EListError);
  EXPECT_THROW(list.SetString(0, "z"), EListError);
  EXPECT_THROW(list.GetString(2), EListError);
}

TEST_F(StoredStrListTest, NotificationsReachTheHandlers) {
  TStoredStrList list;
  std::vector<std::string> heard;
  list.SetOnChanging([&](TObject* sender) {
    EXPECT_EQ(sender, &list.List());
    heard.push_back("changing");
  });
  list.SetOnChange([&](TObject*) { heard.push_back("change"); });
  EXPECT_TRUE(static_cast<bool>(list.GetOnChange()));
  list.Add("b");
  list.Add("a");
  list.Sort();
  list.Exchange(0, 1);
  list.SetString(0, "c");
  list.SetText("x\ny");
  EXPECT_EQ(heard.size(), 12u);
  heard.clear();
  list.BeginUpdate();
  list.Add("z");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(heard, (std::vector<std::string>{"changing", "change"}));
}

TEST_F(StoredStrListTest, EqualsComparesTexts) {
  TStoredStrList a;
  TStoredStrList b;
  a.SetText("x\ny");
  b.SetText("x\ny");
  EXPECT_TRUE(a.Equals(b));
  TStringList plain;
  plain.SetText("x\nY");
  EXPECT_FALSE(a.Equals(plain));
  b.AddStrings(plain);
  EXPECT_EQ(b.GetCount(), 4);
}

TEST_F(StoredStrListTest, AssignFromAndToStringLists) {
  TStoredStrList list;
  TStringList plain;
  plain.SetText("p\nq");
  list.Assign(plain);
  EXPECT_EQ(list.GetText(), "p\r\nq\r\n");
  TStringList out;
  list.AssignTo(out);
  EXPECT_EQ(out.Text(), "p\r\nq\r\n");
  TObject other;
  try {
    list.Assign(other);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TObject to a TStoredStrList");
  }
  try {
    list.AssignTo(other);
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TStoredStrList to a TObject");
  }
}

class StoredStrListFiles : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
  }
};

TEST_F(StoredStrListFiles, PlainLinesRoundTrip) {
  TStoredStrList list;
  list.SetText(Res("名称") + "=1\nb=2");
  std::string file = Folder + "/list.txt";
  list.SaveToFile(file);
  std::ifstream raw(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, Res("名称") + "=1\r\nb=2\r\n");
  TStoredStrList back;
  back.Add("old");
  back.LoadFromFile(file);
  EXPECT_TRUE(back.Equals(list));
  list.SetText("c");
  list.SaveToFile(file);
  back.LoadFromFile(file);
  EXPECT_EQ(back.GetText(), "c\r\n");
}

TEST_F(StoredStrListFiles, MarkedUtf8IsReadAsGbk) {
  std::string file = Folder + "/list.txt";
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF" << "名=值\n";
  TStoredStrList list;
  list.LoadFromFile(file);
  EXPECT_EQ(list.GetValue(Res("名")), Res("值"));
}

TEST_F(StoredStrListFiles, FailuresNameTheFile) {
  TStoredStrList list;
  std::string missing = Folder + "/none/list.txt";
  try {
    list.LoadFromFile(missing);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file \"" + missing + "\". No such file or directory");
  }
  try {
    list.SaveToFile(missing);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message, "Cannot create file \"" + missing + "\". No such file or directory");
  }
}

TEST(StoredStrListStreams, PlainLinesThroughStandardStreams) {
  TStoredStrList list;
  list.SetText("a\nb");
  std::stringstream stream;
  list.SaveToStream(stream);
  EXPECT_EQ(stream.str(), "a\r\nb\r\n");
  TStoredStrList back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.GetText(), "a\r\nb\r\n");
  std::stringstream marked("\xEF\xBB\xBF\xC3");
  EXPECT_THROW(back.LoadFromStream(marked), EConvertError);
  EXPECT_EQ(back.GetCount(), 2);
}

using qnexp::testing::Enumerate;
using qnexp::testing::TReported;

TEST(StoredStrListEnumeration, AutoAndList) {
  TStoredStrList list;
  EXPECT_EQ(Enumerate(list, epStore),
            (std::vector<TReported>{{"Auto", ptBoolean, false}, {"List", ptObjects, true}}));
  list.AutoItemCaption = true;
  EXPECT_EQ(Enumerate(list, epStore),
            (std::vector<TReported>{{"Auto", ptBoolean, true}, {"List", ptObjects, true}}));
}

TEST_F(StoredStrListTest, ReleaseFreesTheListAndItsNodes) {
  TStoredStrList list;
  list.AddObject("A", Make("a"));
  list.EnumrateProperties(&TBaseObject::DestroyProp, epRelease, nullptr);
  EXPECT_EQ(Freed, std::vector<std::string>{"a"});
  EXPECT_EQ(list.GetCount(), 0);
  list.AddObject("B", Make("b"));
}

// Hands obj to the "List" slot as the reader does: the old reference is freed first.
void LoadList(TStoredStrList& list, TObject* obj) {
  list.EnumrateProperties(
      [obj](void* prop, const std::string& name, TPropType, bool, intptr_t, void*) {
        if (name != "List") return true;
        auto& ref = *static_cast<TObject**>(prop);
        delete ref;
        ref = obj;
        return false;
      },
      epLoad, nullptr);
}

class TRecordingFiler : public TFiler {
public:
  bool IsReader() const override { return true; }
  bool PropertyData(void*, const std::string&, TPropType, bool, intptr_t, void*) override {
    return true;
  }
};

TEST_F(StoredStrListTest, LoadingTakesAKeyedList) {
  TStoredStrList list;
  list.AddObject("OLD", Make("old"));
  auto* loaded = new TQnStringList;
  loaded->AddObject("NEW", Make("new"));
  LoadList(list, loaded);
  EXPECT_EQ(Freed, std::vector<std::string>{"old"});
  EXPECT_EQ(&list.List(), loaded);
  EXPECT_EQ(list.IndexOf("new"), 0);
}

TEST_F(StoredStrListTest, LoadingNothingLeavesAnEmptyList) {
  TStoredStrList list;
  list.Add("old");
  LoadList(list, nullptr);
  TRecordingFiler filer;
  list.AfterLoad(filer);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(Enumerate(list, epStore)[1], (TReported{"List", ptObjects, true}));
}

TEST_F(StoredStrListTest, LoadingAPlainListTakesItsItemsOver) {
  TStoredStrList list;
  auto* plain = new TStringList;
  plain->AddObject("X", Make("x"));
  plain->Delimiter = ';';
  LoadList(list, plain);
  EXPECT_EQ(list.GetText(), "X\r\n");
  EXPECT_EQ(list.List().Delimiter, ';');
  EXPECT_TRUE(Freed.empty());
  list.Delete(0);
  EXPECT_EQ(Freed, std::vector<std::string>{"x"});
}

TEST_F(StoredStrListTest, LoadingAnotherClassIsRefused) {
  TStoredStrList list;
  try {
    LoadList(list, Make("stranger"));
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message, "Invalid property value");
  }
  EXPECT_EQ(Freed, std::vector<std::string>{"stranger"});
  list.Add("usable");
  EXPECT_EQ(list.GetCount(), 1);
}

}  // namespace
