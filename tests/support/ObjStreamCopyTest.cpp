// Copies and transfers built on the object streams: cloning, copying shared properties, the
// clipboard, object creators, files and streams, and the legacy layout.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "ObjStreamFixtures.h"
#include "platform/Clipboard.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/ListContainer.h"
#include "support/ObjClipboard.h"
#include "support/ObjClone.h"
#include "support/ObjCreators.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/StoredStrList.h"

using namespace qnexp;
using namespace qnexp::testing;

namespace {

class ObjCopy : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

int gCreatorCalls = 0;

TObject* MakeWidget(const std::string& className, const TClassInfo*, TObject*, TObject*) {
  ++gCreatorCalls;
  return className == "TWidget" ? new TNodeOther : nullptr;
}

TObject* MakeNothing(const std::string&, const TClassInfo*, TObject*, TObject*) {
  ++gCreatorCalls;
  return nullptr;
}

}  // namespace

TEST_F(ObjCopy, CloneOfAStoredListHasIndependentObjects) {
  TStoredStrList list;
  auto* a = new TNode;
  a->Name = "a";
  list.AddObject("first", a);
  list.Add("second");
  std::unique_ptr<TObject> copy(CloneObject(&list));
  auto* cloned = ObjectAs<TStoredStrList>(copy.get());
  ASSERT_NE(cloned, nullptr);
  EXPECT_EQ(cloned->GetText(), "first\r\nsecond\r\n");
  auto* b = ObjectAs<TNode>(cloned->GetObj(0));
  ASSERT_NE(b, nullptr);
  EXPECT_NE(b, a);
  b->Name = "changed";
  EXPECT_EQ(a->Name, "a");
  EXPECT_EQ(CloneObject(nullptr), nullptr);
}

TEST_F(ObjCopy, KeyedListsCopyTheirObjects) {
  TQnStringList source;
  source.AddObject("x", new TNodeEx);
  TQnStringList target;
  target.AddStrings(source);
  ASSERT_NE(ObjectAs<TNodeEx>(target.GetObject(0)), nullptr);
  EXPECT_NE(target.GetObject(0), source.GetObject(0));
}

TEST_F(ObjCopy, CloneFailureNamesTheObject) {
  TNode node;
  node.Name = "n";
  node.Next = new TStack;  // no class of that name is registered or created as a child
  UnRegisterObjectCreator(&BuiltInObjectCreator);
  try {
    delete CloneObject(&node);
    RegisterObjectCreator(&BuiltInObjectCreator);
    FAIL() << "no error";
  } catch (const Exception& e) {
    RegisterObjectCreator(&BuiltInObjectCreator);
    EXPECT_EQ(e.Message, Res("创建类 TStack 的对象实例失败\r\n复制对象 node n 失败"));
  }
}

TEST_F(ObjCopy, DuplicateSelfAndAssignGoThroughTheCopy) {
  TNodeEx node;
  node.Number = 4;
  node.Flag = 1;
  node.Next = new TNode;
  std::unique_ptr<TBaseObject> copy(node.DuplicateSelf());
  auto* same = ObjectAs<TNodeEx>(copy.get());
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(same->Number, 4);
  EXPECT_EQ(same->Flag, 1);
  EXPECT_NE(same->Next, node.Next);

  TStoredStrList from, to;
  from.AutoItemCaption = true;
  from.AddObject("k", new TNode);
  to.Add("old");
  to.Assign(from);
  EXPECT_TRUE(to.AutoItemCaption);
  EXPECT_EQ(to.GetText(), "k\r\n");
  EXPECT_NE(to.GetObj(0), from.GetObj(0));
}

TEST_F(ObjCopy, CopyPropertiesByNamesOfTheCommonClass) {
  TNodeEx source;
  source.Number = 1;
  source.Name = "src";
  source.Flag = 1;
  auto* next = new TNode;
  next->Name = "next";
  source.Next = next;

  struct TCase {
    const char* Names;
    int32_t Number;
    const char* Name;
    bool HasNext;
  } cases[] = {
      {"*", 1, "src", true},
      {"", 1, "src", true},
      {"Number", 1, "old", false},
      {"number", 0, "old", false},      // names compare with case
      {"N*;Flag", 0, "old", false},     // only names of the common class count
      {"Unknown;Name", 0, "src", false},
  };
  for (const auto& c : cases) {
    TNodeOther target;
    target.Name = "old";
    target.Note = "kept";
    source.CopyProperties(target, c.Names);
    EXPECT_EQ(target.Number, c.Number) << c.Names;
    EXPECT_EQ(target.Name, c.Name) << c.Names;
    EXPECT_EQ(target.Note, "kept") << c.Names;
    EXPECT_EQ(target.Next != nullptr, c.HasNext) << c.Names;
    if (target.Next) {
      EXPECT_NE(target.Next, source.Next);
      EXPECT_EQ(ObjectAs<TNode>(target.Next)->Name, "next");
    }
  }
  // Defaults are copied too: a property without data still overwrites the target's.
  TNodeEx blank, filled;
  filled.Number = 9;
  filled.Flag = 1;
  blank.CopyProperties(filled, "*");
  EXPECT_EQ(filled.Number, 0);
  EXPECT_EQ(filled.Flag, 0);
  // Classes that share nothing below the base copy nothing.
  TKinds kinds;
  kinds.Int = 3;
  TNode node;
  kinds.CopyProperties(node, "*");
  EXPECT_EQ(node.Number, 0);
}

TEST_F(ObjCopy, CopyPropertiesOfEveryKind) {
  TKinds source;
  source.Str = "s";
  source.Pass = "p";
  auto* strings = new TQnStringList;
  strings->AddObject("t", new TNode);
  source.Strings = strings;
  source.PChar = new char[3]{'p', 'c', '\0'};
  source.Ext = 1.25L;
  source.Card = 7;
  source.Short[0] = 2;
  source.Short[1] = 'h';
  source.Short[2] = 'i';
  source.Var = TVariant("v");
  source.Bin[0] = 1;
  source.Dyna = new uint8_t[5]{5, 4, 3, 2, 1};
  auto* items = new TList;
  source.Items = items;
  TKinds target;
  target.PChar = new char[2]{'x', '\0'};
  source.CopyProperties(target, "*");
  EXPECT_EQ(target.Str, "s");
  EXPECT_EQ(target.Pass, "p");
  ASSERT_NE(target.Strings, nullptr);
  EXPECT_NE(target.Strings, source.Strings);
  EXPECT_EQ(GetListClassType(target.Strings), lcQNStringList);
  EXPECT_NE(static_cast<TQnStringList*>(target.Strings)->GetObject(0), strings->GetObject(0));
  EXPECT_STREQ(target.PChar, "pc");
  EXPECT_EQ(target.Ext, 1.25L);
  EXPECT_EQ(target.Card, 7u);
  EXPECT_EQ(target.Short[0], 2);
  EXPECT_EQ(target.Short[2], 'i');
  EXPECT_EQ(target.Var, TVariant("v"));
  EXPECT_EQ(target.Bin[0], 1);
  ASSERT_NE(target.Dyna, nullptr);
  EXPECT_NE(target.Dyna, source.Dyna);
  EXPECT_EQ(target.Dyna[4], 1);
  EXPECT_EQ(GetListClassType(target.Items), lcList);
  EXPECT_NE(target.Items, source.Items);
}

TEST_F(ObjCopy, ClipboardCarriesObjects) {
  SetClipboardText("text only");
  EXPECT_FALSE(ClipboardHasObject());
  EXPECT_EQ(PasteObjectFromClipboard(), nullptr);
  TNode node;
  node.Name = Res("剪贴");
  node.CopyToClipBoard();
  EXPECT_TRUE(ClipboardHasObject());
  std::string bytes;
  ASSERT_TRUE(GetClipboardData(ObjectClipboardMimeType, bytes));
  EXPECT_EQ(bytes.substr(0, 4), "TPF0");
  std::unique_ptr<TObject> pasted(PasteObjectFromClipboard());
  ASSERT_NE(ObjectAs<TNode>(pasted.get()), nullptr);
  EXPECT_EQ(ObjectAs<TNode>(pasted.get())->Name, Res("剪贴"));
  SetClipboardData(ObjectClipboardMimeType, "TPF0\x05TNo");
  EXPECT_THROW(delete PasteObjectFromClipboard(), EReadError);
  SetClipboardText("");
}

TEST_F(ObjCopy, CreatorsFillEmptySlotsAndAreAskedInOrder) {
  int widget = RegisterObjectCreator(&MakeWidget);
  EXPECT_EQ(RegisterObjectCreator(&MakeWidget), widget);
  int nothing = RegisterObjectCreator(&MakeNothing);
  EXPECT_NE(nothing, widget);
  UnRegisterObjectCreator(widget);
  EXPECT_EQ(RegisterObjectCreator(&MakeWidget), widget);  // the emptied slot is reused
  gCreatorCalls = 0;
  std::unique_ptr<TObject> made(CreateObject("TWidget", nullptr, nullptr));
  EXPECT_EQ(made->ClassName(), "TNodeOther");
  EXPECT_EQ(gCreatorCalls, 1);
  try {
    delete CreateObject("TNothing", nullptr, nullptr);
    FAIL() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message, Res("创建类 TNothing 的对象实例失败"));
  }
  UnRegisterObjectCreator(&MakeWidget);
  UnRegisterObjectCreator(&MakeNothing);
  UnRegisterObjectCreator(1000);
  EXPECT_THROW(delete CreateObject("TWidget", nullptr, nullptr), EClassNotFound);
  // Registered classes come first; the built-in creator makes the plain lists by name.
  std::unique_ptr<TObject> node(CreateObject("tnode", nullptr, nullptr));
  EXPECT_EQ(node->ClassName(), "TNode");
  for (const char* name : {"TList", "TStack", "TQnList", "TStringList", "TQnStringList"}) {
    std::unique_ptr<TObject> list(CreateObject(name, nullptr, nullptr));
    EXPECT_EQ(list->ClassName(), name);
  }
}

TEST_F(ObjCopy, ListKindsAndTheirNames) {
  EXPECT_EQ(ListClassTypeName(lcQnList), "UserDefine");
  EXPECT_EQ(ListClassTypeName(lcUserDefine), "");
  EXPECT_EQ(ListClassTypeOfName("UserDefine"), lcQnList);
  EXPECT_EQ(ListClassTypeOfName(""), lcQNStringList);
  EXPECT_EQ(ListClassTypeOfName("stack"), lcQNStringList);  // names compare with case
  EXPECT_EQ(ListClassTypeOfName("Unknown"), lcUnknown);
  TNode node;
  EXPECT_EQ(GetListClassType(&node), lcUserDefine);
  EXPECT_EQ(GetListClassType(nullptr), lcUnknown);
  EXPECT_EQ(CreateList(lcUserDefine), nullptr);
  EXPECT_EQ(CreateList(lcUnknown), nullptr);
  EXPECT_EQ(CreateList(static_cast<TListClassType>(200)), nullptr);
}

class ObjFiles : public ObjCopy {
protected:
  void SetUp() override {
    ObjCopy::SetUp();
    Dir = std::filesystem::temp_directory_path() / ("qnexp-objfiles-" + std::to_string(getpid()));
    std::filesystem::create_directories(Dir);
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Path(const std::string& name) { return (Dir / name).string(); }
  std::filesystem::path Dir;
};

TEST_F(ObjFiles, BinaryAndTextFilesRoundTrip) {
  TNode node;
  node.Name = Res("文件");
  node.SaveToFile(Path("node.bin"));
  node.SaveToTextFile(Path("node.txt"));
  std::unique_ptr<TObject> fromBinary(LoadObjectFromFile(Path("node.bin")));
  std::unique_ptr<TObject> fromText(LoadObjectFromTextFile(Path("node.txt")));
  EXPECT_EQ(ObjectAs<TNode>(fromBinary.get())->Name, node.Name);
  EXPECT_EQ(ObjectAs<TNode>(fromText.get())->Name, node.Name);
  TMemoryStream text(ReadFileBytes(Path("node.txt")));
  std::unique_ptr<TObject> any(LoadObjectFromAnyStream(text));
  EXPECT_EQ(ObjectAs<TNode>(any.get())->Name, node.Name);
  // A GBK name reaches the file system as UTF-8.
  node.SaveToFile(Path("") + Res("对象.bin"));
  EXPECT_TRUE(std::filesystem::exists(Dir / "\xE5\xAF\xB9\xE8\xB1\xA1.bin"));
}

TEST_F(ObjFiles, FailuresNameTheFileAndLeaveItAsItWas) {
  std::string missing = Path("missing.bin");
  try {
    delete LoadObjectFromFile(missing);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file \"" + missing + "\". No such file or directory");
  }
  std::string bad = Path("no-folder/x.bin");
  TNode node;
  try {
    node.SaveToFile(bad);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message, "Cannot create file \"" + bad + "\". No such file or directory");
  }
  // A writer that fails half-way leaves the old file whole and no temporary file behind.
  WriteFileBytes(Path("keep.bin"), "old");
  {
    TFileStream stream(Path("keep.bin"), fmCreate);
    stream.WriteBuffer("partial");
  }
  EXPECT_EQ(ReadFileBytes(Path("keep.bin")), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(MemoryStream, ReadsWritesAndSeeks) {
  TMemoryStream stream;
  stream.WriteBuffer("hello");
  EXPECT_EQ(stream.Position(), 5);
  stream.Seek(7, soBeginning);
  stream.WriteBuffer("!");
  EXPECT_EQ(stream.Data(), std::string("hello\0\0!", 8));
  stream.Seek(-3, soEnd);
  char buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 8), 3u);
  EXPECT_EQ(stream.Remaining(), 0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);
  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
  stream.SetPosition(1);
  stream.WriteBuffer("EL");
  EXPECT_EQ(stream.Data().substr(0, 5), "hELlo");
  stream.SetSize(2);
  EXPECT_EQ(stream.Data(), "hE");
  TMemoryStream copy;
  copy.CopyFrom(stream, 0);
  EXPECT_EQ(copy.Data(), "hE");
}

TEST_F(ObjCopy, LegacyLayoutReadsTheOldRecords) {
  // TKinds in the legacy layout: untagged raw values, a name for the enumeration, a length
  // and raw bytes for the character buffer, a nested object, a list of objects with its kind
  // one less than today's ordinal, and a string list.
  std::string bytes = std::string("TPF0") + "\x06TKinds" +
                      "\x03Str" + "\x02hi" +
                      "\x06" "Colour" + "\x04" "Blue" +
                      "\x03Int" + Bytes({0x10, 0x27, 0, 0}) +
                      "\x05PChar" + Bytes({2, 3}) + "abc" +
                      "\x04" "Bool" + Bytes({5}) +
                      "\x05" "Child" + "\x05TNode" + "\x06Number" + Bytes({7, 0, 0, 0}) + '\0' +
                      "\x05Items" + Bytes({2, 2}) + Bytes({1}) + Bytes({6, 1}) + "k" +
                      "\x05TNode" + '\0' + Bytes({0}) +
                      "\x07Strings" + Bytes({2, 0}) + Bytes({1, 6, 1}) + "s" + Bytes({0}) +
                      '\0';
  TMemoryStream stream(bytes);
  std::unique_ptr<TObject> read(StreamReadObjectOld(stream));
  auto* k = ObjectAs<TKinds>(read.get());
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->Str, "hi");
  EXPECT_EQ(k->Colour, 2);
  EXPECT_EQ(k->Int, 10000);
  EXPECT_STREQ(k->PChar, "abc");
  EXPECT_EQ(k->Bool, 1);
  EXPECT_EQ(ObjectAs<TNode>(k->Child)->Number, 7);
  auto* items = ObjectAs<TStringList>(k->Items);
  ASSERT_NE(items, nullptr);
  EXPECT_EQ(GetListClassType(items), lcStringList);
  EXPECT_EQ(items->Text(), "k\r\n");
  EXPECT_NE(ObjectAs<TNode>(items->GetObject(0)), nullptr);
  EXPECT_EQ(StringListView(k->Strings)->Text(), "s\r\n");
  EXPECT_EQ(GetListClassType(k->Strings), lcStoredStrList);

  // An unknown enumeration name gives the ordinal after the last name; an unknown property
  // cannot be stepped over.
  std::string unknownName = std::string("TPF0") + "\x06TKinds" + "\x06" "Colour" + "\x04Pink" + '\0';
  TMemoryStream second(unknownName);
  std::unique_ptr<TObject> read2(StreamReadObjectOld(second));
  EXPECT_EQ(ObjectAs<TKinds>(read2.get())->Colour, 3);
  std::string unknownProp = std::string("TPF0") + "\x05TNode" + "\x04Nope" + Bytes({1}) + '\0';
  TMemoryStream third(unknownProp);
  EXPECT_THROW(delete StreamReadObjectOld(third), EReadError);
}

TEST_F(ObjCopy, LegacyStoredListKeepsPairsInOneProperty) {
  std::string bytes = std::string("TPF0") + "\x0ETStoredStrList" + "\x04" "Auto" + Bytes({1}) +
                      "\x04List" + Bytes({6, 1}) + "a" + "\x05TNode" + "\x04Name" + "\x01x" +
                      '\0' + Bytes({6, 1}) + "b" + Bytes({0}) + Bytes({0}) + '\0';
  TMemoryStream stream(bytes);
  std::unique_ptr<TObject> read(StreamReadObjectOld(stream));
  auto* list = ObjectAs<TStoredStrList>(read.get());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->AutoItemCaption);
  EXPECT_EQ(list->GetText(), "a\r\nb\r\n");
  ASSERT_NE(ObjectAs<TNode>(list->GetObj(0)), nullptr);
  EXPECT_EQ(ObjectAs<TNode>(list->GetObj(0))->Name, "x");
  EXPECT_EQ(list->GetObj(1), nullptr);
}
