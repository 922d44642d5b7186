// Keyed string list: object ownership, typed name=value access, sections and the property
// enumeration in its store and load forms.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "support/QnStringList.h"
#include "Enumerated.h"
#include "Tracked.h"

using namespace qnexp;

namespace {

using qnexp::testing::TTracked;

class QnStringListOwnership : public qnexp::testing::TTrackedTest {};

TEST_F(QnStringListOwnership, DeleteFreesClearDoesNot) {
  auto* list = new TQnStringList;
  TTracked* kept = Make("kept");
  list->AddObject("a", Make("a"));
  list->AddObject("b", kept);
  list->Delete(0);
  EXPECT_EQ(Freed, std::vector<std::string>{"a"});
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(Freed.size(), 1u);
  delete list;
  EXPECT_EQ(Freed.size(), 1u);
  delete kept;
}

TEST_F(QnStringListOwnership, BadDeleteFreesNothing) {
  TQnStringList list;
  list.AddObject("a", Make("a"));
  try {
    list.Delete(1);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (1)");
  }
  EXPECT_TRUE(Freed.empty());
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(QnStringListOwnership, DestructorFreesFromLastToFirst) {
  {
    TQnStringList list;
    list.AddObject("1", Make("1"));
    list.Add("none");
    list.AddObject("2", Make("2"));
    list.AddObject("3", Make("3"));
  }
  EXPECT_EQ(Freed, (std::vector<std::string>{"3", "2", "1"}));
}

TEST_F(QnStringListOwnership, MoveKeepsTheObjectAttached) {
  TQnStringList list;
  TTracked* moved = Make("moved");
  list.AddObject("a", moved);
  list.Add("b");
  list.Add("c");
  list.Move(0, 2);
  EXPECT_TRUE(Freed.empty());
  EXPECT_EQ(list.Text(), "b\r\nc\r\na\r\n");
  EXPECT_EQ(list.GetObject(2), moved);
  EXPECT_EQ(list.GetObject(0), nullptr);
  list.Move(2, 2);
  EXPECT_EQ(list.GetObject(2), moved);
}

TEST_F(QnStringListOwnership, FailedMoveLosesNothing) {
  TQnStringList list;
  TTracked* obj = Make("x");
  list.AddObject("b", obj);
  list.Add("a");
  EXPECT_THROW(list.Move(0, 5), EListError);
  list.SetSorted(true);
  EXPECT_THROW(list.Move(0, 1), EListError);
  EXPECT_EQ(list.IndexOfObject(obj), 1);
  EXPECT_TRUE(Freed.empty());
}

TEST_F(QnStringListOwnership, FreeAndNilObjects) {
  TQnStringList list;
  TTracked* rescued = Make("rescued");
  list.AddObject("a", Make("a"));
  list.AddObject("b", Make("b"));
  list.Add("c");
  list.FreeObject(0);
  list.FreeObject(2);
  list.FreeObject(-1);
  list.FreeObject(9);
  EXPECT_EQ(Freed, std::vector<std::string>{"a"});
  EXPECT_EQ(list.GetObject(0), nullptr);
  list.FreeObjects();
  EXPECT_EQ(Freed, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(list.Count(), 3);
  list.PutObject(2, rescued);
  list.NilObjects();
  EXPECT_EQ(list.GetObject(2), nullptr);
  EXPECT_EQ(Freed.size(), 2u);
  delete rescued;
}

TEST_F(QnStringListOwnership, EmptyingAValueDeletesTheItemAndFreesItsObject) {
  TQnStringList list;
  list.AddObject("x=1", Make("x"));
  list.SetValue("X", "");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(Freed, std::vector<std::string>{"x"});
}

TEST_F(QnStringListOwnership, DuplicateInSortedListLeavesTheObjectToTheCaller) {
  TQnStringList list;
  list.SetSorted(true);
  TTracked* first = Make("first");
  TTracked* second = Make("second");
  list.AddObject("k", first);
  EXPECT_EQ(list.AddObject("K", second), 0);
  EXPECT_EQ(list.GetObject(0), first);
  delete second;
  list.Duplicates = dupError;
  TTracked* third = Make("third");
  EXPECT_THROW(list.AddObject("k", third), EListError);
  delete third;
  EXPECT_EQ(Freed, (std::vector<std::string>{"second", "third"}));
}

TEST_F(QnStringListOwnership, AddStringsWithoutObjects) {
  TQnStringList source;
  source.Add("b");
  source.Add("a");
  TQnStringList target;
  target.Add("z");
  target.AddStrings(source);
  EXPECT_EQ(target.Text(), "z\r\nb\r\na\r\n");
  target.AddStrings(target);
  EXPECT_EQ(target.Count(), 6);

  TQnStringList sorted;
  sorted.SetSorted(true);
  sorted.Add("a");
  sorted.AddStrings(source);
  EXPECT_EQ(sorted.Text(), "a\r\nb\r\n");
}

TEST_F(QnStringListOwnership, AddStringsStopsAtAnObjectThatCannotBeCloned) {
  // The tracked class is not registered, so its objects cannot be made again from a stream:
  // items before the first object stay and nothing is shared or leaked.
  TQnStringList source;
  source.Add("plain");
  source.AddObject("owned", Make("owned"));
  TQnStringList target;
  try {
    target.AddStrings(source);
    FAIL() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message, Res("创建类 TTracked 的对象实例失败\r\n复制对象 TTracked 失败"));
  }
  EXPECT_EQ(target.Text(), "plain\r\n");
  EXPECT_EQ(target.GetObject(0), nullptr);
  EXPECT_TRUE(Freed.empty());
}

TEST_F(QnStringListOwnership, InsertStringsPlacesItemsInOrder) {
  TQnStringList source;
  source.Add("x");
  source.Add("y");
  TQnStringList target;
  target.Add("a");
  target.Add("b");
  target.InsertStrings(1, source);
  EXPECT_EQ(target.Text(), "a\r\nx\r\ny\r\nb\r\n");
  target.InsertStrings(4, target);
  EXPECT_EQ(target.Count(), 8);
  EXPECT_EQ(target.Get(7), "b");
  EXPECT_THROW(target.InsertStrings(9, source), EListError);
  EXPECT_THROW(target.InsertStrings(-1, source), EListError);
}

TEST(QnStringListAssign, TakesCharactersAndDefinedSet) {
  TQnStringList source;
  source.SetDelimiter(';');
  source.Add("a");
  TQnStringList target;
  target.Add("old");
  target.Assign(source);
  EXPECT_EQ(target.Text(), "a\r\n");
  EXPECT_EQ(target.Delimiter, ';');
  EXPECT_EQ(target.Defined, 1 << sdDelimiter);

  TStringList plain;
  plain.NameValueSeparator = ':';
  target.Assign(plain);
  EXPECT_EQ(target.Delimiter, ',');
  EXPECT_EQ(target.NameValueSeparator, ':');
  EXPECT_EQ(target.Defined, 1 << sdNameValueSeparator);
}

TEST(QnStringListNotify, OneNotificationPerChangeAndPerBracket) {
  TQnStringList list;
  int changing = 0;
  int changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("a");
  list.SetIntValue("n", 3);
  list.Delete(0);
  EXPECT_EQ(changing, 3);
  EXPECT_EQ(changed, 3);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  EXPECT_EQ(changed, 3);
  list.EndUpdate();
  list.EndUpdate();
  EXPECT_EQ(changing, 4);
  EXPECT_EQ(changed, 4);
}

class QnStringListValues : public ::testing::Test {
protected:
  void SetUp() override {
    ResetFormatSettings();
    List.SetText("Int=-12\nHex=$1F\nBadInt=12a\nFloat=2.5\nBadFloat=2,5\nDate=2024.3.5\n"
                 "BadDate=2024.13.5\nTime=14:07:09\nBadTime=25:00\nStamp=2024.3.5 14:07\n"
                 "BadStamp=soon\nEmpty=\nText= spaced ");
  }
  TQnStringList List;
};

TEST_F(QnStringListValues, ReadsTypedValues) {
  EXPECT_EQ(List.GetString("text", "d"), " spaced ");
  EXPECT_EQ(List.GetString("Empty", "d"), "d");
  EXPECT_EQ(List.GetString("Missing", "d"), "d");
  EXPECT_EQ(List.GetInt("INT", 7), -12);
  EXPECT_EQ(List.GetIntValue("Hex"), 31);
  EXPECT_EQ(List.GetInt("Missing", 7), 7);
  EXPECT_EQ(List.GetIntValue("Empty"), 0);
  EXPECT_EQ(List.GetFloatValue("Float"), 2.5L);
  EXPECT_EQ(List.GetFloat("Missing", 1.25L), 1.25L);
  EXPECT_EQ(List.GetDateValue("Date"), EncodeDate(2024, 3, 5));
  EXPECT_EQ(List.GetDateValue("Missing"), EncodeDate(1, 1, 1));
  EXPECT_EQ(List.GetDate("Missing", 5.0), 5.0);
  EXPECT_DOUBLE_EQ(List.GetTimeValue("Time"), EncodeTime(14, 7, 9, 0));
  EXPECT_EQ(List.GetTimeValue("Missing"), 0.0);
  EXPECT_DOUBLE_EQ(List.GetDateTimeValue("Stamp"),
                   EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 0, 0));
  EXPECT_EQ(List.GetDateTimeValue("Empty"), EncodeDate(1, 1, 1));
}

TEST_F(QnStringListValues, MalformedValuesRaiseTheConversionMessages) {
  struct TCase {
    std::function<void()> Read;
    std::string Message;
  };
  const TCase cases[] = {
      {[&] { List.GetIntValue("BadInt"); }, "'12a' is not a valid integer value"},
      {[&] { List.GetInt("BadInt", 1); }, "'12a' is not a valid integer value"},
      {[&] { List.GetFloatValue("BadFloat"); }, "'2,5' is not a valid floating point value"},
      {[&] { List.GetDateValue("BadDate"); }, "'2024.13.5' is not a valid date"},
      {[&] { List.GetTime("BadTime", 0); }, "'25:00' is not a valid time"},
      {[&] { List.GetDateTimeValue("BadStamp"); }, "'soon' is not a valid date and time"},
  };
  for (const TCase& c : cases) {
    try {
      c.Read();
      ADD_FAILURE() << "no error for " << c.Message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, c.Message);
    }
  }
}

TEST(QnStringListBoolean, WordsLettersAndDefaults) {
  const std::tuple<const char*, bool, bool> cases[] = {
      // value, GetBooleanValue, GetBoolean with default true
      {"yes", true, true}, {"Y", true, true},     {"y", true, true},
      {"no", false, false}, {"N", false, false},  {"NO", false, false},
      {"maybe", false, true}, {"1", false, true}, {"Yess", false, true},
  };
  for (const auto& [value, plain, withDefault] : cases) {
    TQnStringList list;
    list.SetValue("flag", value);
    EXPECT_EQ(list.GetBooleanValue("flag"), plain) << value;
    EXPECT_EQ(list.GetBoolean("flag", true), withDefault) << value;
  }
  TQnStringList empty;
  EXPECT_TRUE(empty.GetBoolean("flag", true));
  EXPECT_FALSE(empty.GetBooleanValue("flag"));
}

TEST(QnStringListSetters, StoreTheTextForms) {
  ResetFormatSettings();
  TQnStringList list;
  list.SetIntValue("i", -5);
  list.SetFloatValue("f", 1.0L / 3);
  list.SetFloatValue("g", 1e20L);
  list.SetDateValue("d", EncodeDate(2024, 3, 5));
  list.SetTimeValue("t", EncodeTime(14, 7, 9, 0));
  list.SetDateTimeValue("s", EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0));
  list.SetDateTimeValue("m", EncodeDate(2024, 3, 5));
  list.SetBooleanValue("b", true);
  list.SetBooleanValue("c", false);
  list.SetIntValue("i", 8);
  EXPECT_EQ(list.Text(),
            "i=8\r\nf=0.333333333333333\r\ng=1E20\r\nd=2024.3.5\r\nt=14:07:09\r\n"
            "s=2024.3.5 14:07:09\r\nm=2024.3.5\r\nb=Yes\r\nc=No\r\n");
  EXPECT_EQ(list.GetFloatValue("f"), 0.333333333333333L);
}

TEST(QnStringListKeys, KeysAndValuesByIndex) {
  TQnStringList list;
  list.Add("a=b=c");
  list.Add("'x=y'=z");
  list.Add("plain");
  list.Add("=v");
  const std::tuple<int, const char*, const char*> cases[] = {
      {0, "a", "b=c"}, {1, "'x=y'", "z"}, {2, "plain", ""}, {3, "", "v"}, {4, "", ""}, {-1, "", ""},
  };
  for (const auto& [index, key, value] : cases) {
    EXPECT_EQ(list.GetKeyByIndex(index), key) << index;
    EXPECT_EQ(list.GetValueByIndex(index), value) << index;
  }
}

TEST(QnStringListKeys, KeyOfAValue) {
  TQnStringList list;
  list.Add(" total  =100");
  list.Add("other=Abc");
  list.Add("third=abc");
  EXPECT_EQ(list.GetKey("100"), "TOTAL");
  EXPECT_EQ(list.GetKey("abc"), "THIRD");
  EXPECT_EQ(list.GetKey("none"), "");
  EXPECT_EQ(TQnStringList().GetKey(""), "");
}

TEST(QnStringListSections, ExtractsOneSection) {
  TQnStringList list;
  list.SetText("[first]\nx=1\ny=2\n[empty]\n[last]\nz=3\n[ab]c\n");
  TStringList dest;
  list.LoadSections("first", dest);
  EXPECT_EQ(dest.Text(), "x=1\r\ny=2\r\n");
  // Any line starting with "[" ends a section, a header or not.
  list.LoadSections("last", dest);
  EXPECT_EQ(dest.Text(), "z=3\r\n");
  list.LoadSections("empty", dest);
  EXPECT_EQ(dest.Count(), 0);
  dest.Add("kept");
  list.LoadSections("missing", dest);
  list.LoadSections("FIRST", dest);
  list.LoadSections("ab", dest);
  EXPECT_EQ(dest.Text(), "kept\r\n");
}

TEST(QnStringListSections, HeaderNeverStartsInsideATwoByteCharacter) {
  // 0xB1 0x5B is one character whose second byte looks like "[".
  TQnStringList list;
  list.SetText("\xB1[s]\nhidden\n[s]\nseen");
  TStringList dest;
  list.LoadSections("s", dest);
  EXPECT_EQ(dest.Text(), "seen\r\n");
  TQnStringList chinese;
  chinese.SetText("[" + Res("节") + "]\n" + Res("值") + "=1\n");
  chinese.LoadSections(Res("节"), dest);
  EXPECT_EQ(dest.Text(), Res("值") + "=1\r\n");
}

using qnexp::testing::Enumerate;
using qnexp::testing::TReported;

TEST(QnStringListEnumeration, DefaultSettingsHaveNoData) {
  TQnStringList list;
  std::vector<TReported> expected = {
      {"Defined", ptSet8, false},   {"Delimiter", ptChar, false},  {"Quote", ptChar, false},
      {"Separator", ptChar, false}, {"Case", ptBoolean, false},    {"Duplicates", ptByte, false},
      {"Sorted", ptBoolean, false}, {"Count", ptInteger, false},
  };
  EXPECT_EQ(Enumerate(list, epStore), expected);
}

TEST(QnStringListEnumeration, SettingsAndItemsWithData) {
  std::vector<std::string> freed;
  TQnStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  list.SetNameValueSeparator(':');
  list.SetCaseSensitive(true);
  list.Duplicates = dupError;
  list.AddObject("a", new TTracked(&freed, "a"));
  list.Add("");
  list.SortedShadow = true;
  std::vector<TReported> expected = {
      {"Defined", ptSet8, true},     {"Delimiter", ptChar, true},  {"Quote", ptChar, true},
      {"Separator", ptChar, true},   {"Case", ptBoolean, true},    {"Duplicates", ptByte, true},
      {"Sorted", ptBoolean, true},   {"Count", ptInteger, true},   {"s0", ptString, true},
      {"Obj0", ptObject, true},      {"s1", ptString, false},      {"Obj1", ptObject, false},
  };
  EXPECT_EQ(Enumerate(list, epStore), expected);
  EXPECT_EQ(list.Defined, 7);
}

TEST(QnStringListEnumeration, StopsAtTheFirstFalse) {
  TQnStringList list;
  list.Add("a");
  std::vector<std::string> names;
  bool result = list.EnumrateProperties(
      [&](void*, const std::string& name, TPropType, bool, intptr_t, void*) {
        names.push_back(name);
        return name != "s0";
      },
      epStore, nullptr);
  EXPECT_FALSE(result);
  EXPECT_EQ(names.back(), "s0");
  EXPECT_EQ(names.size(), 9u);
}

TEST(QnStringListEnumeration, ReleaseFreesTheItemsObjects) {
  std::vector<std::string> freed;
  TQnStringList list;
  list.AddObject("a", new TTracked(&freed, "a"));
  list.EnumrateProperties(&TBaseObject::DestroyProp, epRelease, nullptr);
  EXPECT_EQ(freed, std::vector<std::string>{"a"});
  EXPECT_EQ(list.GetObject(0), nullptr);
}

// Stands in for the stream reader: offers stored entries one at a time and consumes the
// enumerated property of the same name, as the reader does.
class TFakeReader {
public:
  struct TEntry {
    TEntry(std::string name, int32_t integer, std::string text = "", TObject* object = nullptr)
        : Name(std::move(name)), Integer(integer), Text(std::move(text)), Object(object) {}
    std::string Name;
    int32_t Integer;
    std::string Text;
    TObject* Object;
  };

  // Feeds every entry through one purpose-4 enumeration each; returns the entries nobody took.
  std::vector<std::string> Load(IBaseObject& obj, std::vector<TEntry> entries) {
    std::vector<std::string> skipped;
    for (TEntry& entry : entries) {
      Current = &entry;
      Consumed = false;
      obj.EnumrateProperties(
          [this](void* prop, const std::string& name, TPropType type, bool, intptr_t, void*) {
            return Offer(prop, name, type);
          },
          epLoad, nullptr);
      if (!Consumed) {
        skipped.push_back(entry.Name);
        delete entry.Object;
      }
    }
    return skipped;
  }

  std::vector<std::string> Offered;

private:
  bool Offer(void* prop, const std::string& name, TPropType type) {
    Offered.push_back(name);
    if (strcasecmp(name.c_str(), Current->Name.c_str()) != 0) return true;
    switch (type) {
      case ptInteger: *static_cast<int32_t*>(prop) = Current->Integer; break;
      case ptBoolean: case ptByte: case ptChar: case ptSet8:
        *static_cast<uint8_t*>(prop) = static_cast<uint8_t>(Current->Integer);
        break;
      case ptString: *static_cast<std::string*>(prop) = Current->Text; break;
      case ptObject: case ptObjects: {
        auto& ref = *static_cast<TObject**>(prop);
        delete ref;
        ref = Current->Object;
        break;
      }
      default: ADD_FAILURE() << "unexpected kind for " << name;
    }
    Consumed = true;
    return false;
  }

  TEntry* Current = nullptr;
  bool Consumed = false;
};

// A filer that records what it is offered and takes nothing.
class TRecordingFiler : public TFiler {
public:
  explicit TRecordingFiler(bool reader) : Reader(reader) {}
  bool IsReader() const override { return Reader; }
  bool PropertyData(void* prop, const std::string& name, TPropType, bool, intptr_t,
                    void* param) override {
    EXPECT_EQ(*static_cast<TFiler**>(param), this);
    Names.push_back(name);
    if (name == "Count") CountSeen = *static_cast<int32_t*>(prop);
    return true;
  }
  bool Reader;
  std::vector<std::string> Names;
  int32_t CountSeen = -1;
};

TEST(QnStringListLoading, CountThenItemsByIndexWithoutResorting) {
  std::vector<std::string> freed;
  TFakeReader reader;
  TRecordingFiler filer(true);
  TQnStringList list;
  auto* obj = new TTracked(&freed, "obj");
  list.BeforeLoad(filer);
  std::vector<std::string> skipped = reader.Load(
      list, {{"Delimiter", ';'}, {"Sorted", 1}, {"Count", 3}, {"s0", 0, "b"}, {"s2", 0, "a"},
             {"Obj1", 0, "", obj}, {"Unknown", 5}});
  EXPECT_EQ(skipped, std::vector<std::string>{"Unknown"});
  EXPECT_FALSE(list.Sorted());
  list.AfterLoad(filer);
  EXPECT_TRUE(list.Sorted());
  EXPECT_EQ(list.Text(), "b\r\n\r\na\r\n");
  EXPECT_EQ(list.GetObject(1), obj);
  EXPECT_EQ(list.Delimiter, ';');
  EXPECT_TRUE(freed.empty());
}

TEST(QnStringListLoading, OffersCountFirstThenEachItemAndStopsWhenTaken) {
  TFakeReader reader;
  TQnStringList list;
  reader.Load(list, {{"Count", 2}});
  EXPECT_EQ(reader.Offered.back(), "Count");
  reader.Offered.clear();
  reader.Load(list, {{"Obj1", 0, "", nullptr}});
  std::vector<std::string> expected = {"Defined", "Delimiter", "Quote", "Separator", "Case",
                                       "Duplicates", "Sorted", "Count", "s0", "Obj0", "s1",
                                       "Obj1"};
  EXPECT_EQ(reader.Offered, expected);
  reader.Offered.clear();
  reader.Load(list, {{"s9", 0, "x"}});
  EXPECT_EQ(reader.Offered.size(), 12u);
  EXPECT_EQ(list.Count(), 2);
}

TEST(QnStringListLoading, LoadingIntoALiveSortedListKeepsSlotsRaw) {
  // Empty slots appended to a sorted list must stay where the stream expects them.
  TFakeReader reader;
  TRecordingFiler filer(true);
  TQnStringList list;
  list.SetSorted(true);
  list.Add("m");
  list.BeforeLoad(filer);
  reader.Load(list, {{"Count", 2}, {"s1", 0, "z"}, {"s2", 0, "a"}});
  list.AfterLoad(filer);
  EXPECT_EQ(list.Text(), "m\r\nz\r\na\r\n");
  EXPECT_FALSE(list.Sorted());
}

TEST(QnStringListLoading, DamagedCountsAndPoliciesAreRefused) {
  const std::tuple<const char*, int32_t> cases[] = {
      {"Count", -1}, {"Count", MaxLoadedListCount + 1}, {"Duplicates", 3}};
  for (const auto& [name, value] : cases) {
    TFakeReader reader;
    TQnStringList list;
    try {
      reader.Load(list, {{name, value}});
      ADD_FAILURE() << "no error for " << name << " " << value;
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message, "Invalid property value");
    }
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Duplicates, dupIgnore);
  }
}

TEST(QnStringListLoading, SaveAndLoadHooksCarryTheSortedFlag) {
  TRecordingFiler filer(false);
  TQnStringList list;
  list.Add("b");
  list.SetSorted(true);
  list.BeforeSave(filer);
  EXPECT_TRUE(list.SortedShadow);
  list.BeforeLoad(filer);
  EXPECT_FALSE(list.SortedShadow);
  EXPECT_TRUE(list.Sorted());
  list.AfterLoad(filer);
  EXPECT_FALSE(list.Sorted());
}

TEST(QnStringListLoading, DefinePropertiesPicksThePurposeFromTheFiler) {
  TQnStringList list;
  list.Add("a");
  TRecordingFiler writer(false);
  list.DefineProperties(writer);
  EXPECT_EQ(writer.Names.size(), 10u);
  TRecordingFiler reader(true);
  list.DefineProperties(reader);
  EXPECT_EQ(writer.CountSeen, 1);
  // Loading offers "Count" too, but as an empty slot to read into, then the item slots.
  EXPECT_EQ(reader.Names, writer.Names);
  EXPECT_EQ(reader.CountSeen, 0);
  EXPECT_EQ(BaseObjectIntf(&list), static_cast<IBaseObject*>(&list));
}

}  // namespace
