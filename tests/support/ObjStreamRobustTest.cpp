// Damaged and hostile object streams: every truncation and corruption raises the reader's
// error, counts are checked before anything is allocated, and nesting has a limit.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "ObjStreamFixtures.h"
#include "runtime/Exception.h"
#include "runtime/StringList.h"
#include "support/ListContainer.h"
#include "support/ObjReader.h"
#include "support/ObjText.h"
#include "support/ObjWriter.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/StoredStrList.h"

using namespace qnexp;
using namespace qnexp::testing;

namespace {

class ObjStreamRobust : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }

  // A stream that uses most of the format: every kind, a child, lists, variants.
  static std::string RichStream() {
    TKinds k;
    k.Str = "text";
    k.Pass = "pw";
    auto* strings = new TQnStringList;
    strings->AddObject("a", new TNode);
    k.Strings = strings;
    k.PChar = new char[2]{'p', '\0'};
    k.Colour = 1;
    k.Int = 70000;
    k.Card = 4000000000u;
    k.Bool = 1;
    k.Ch = 'c';
    k.Single = 2;
    k.Ext = 3;
    k.Date = 4;
    k.Comp[0] = 1;
    k.Sets[40] = 1;
    k.Short[0] = 1;
    k.Short[1] = 's';
    TVariant array = TVariant::Array(0, 2);
    array.Element(0) = TVariant("x");
    array.Element(1) = TVariant::Array(1, 1, varDouble);
    k.Var = array;
    k.Bin[5] = 5;
    k.Dyna = new uint8_t[5]{1, 2, 3, 4, 5};
    auto* child = new TNode;
    child->Next = new TNodeEx;
    k.Child = child;
    auto* items = new TStringList;
    items->Add("i");
    k.Items = items;
    auto* stored = new TStoredStrList;
    stored->AddObject("o", new TNodeOther);
    auto* list = new TQnList;
    list->Add(stored);
    auto* holder = new TKinds;
    holder->Items = list;
    ObjectAs<TNode>(child->Next)->Next = holder;
    return BinaryOf(&k);
  }

  // Reads bytes; true when an object came back, false when the reader raised its error.
  static bool TryRead(const std::string& bytes) {
    try {
      std::unique_ptr<TObject> obj(ReadBinary(bytes));
      return true;
    } catch (const Exception&) {
      return false;
    }
  }

  static std::string ErrorOf(const std::string& bytes) {
    try {
      std::unique_ptr<TObject> obj(ReadBinary(bytes));
    } catch (const Exception& e) {
      return e.Message;
    }
    return "no error";
  }
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// A TNode stream whose property list holds one property "v" with the given value bytes.
std::string WithValue(const std::string& value) {
  return std::string("TPF0\x05TNode") + '\0' + "\x01v" + value + '\0' + '\0';
}

}  // namespace

TEST_F(ObjStreamRobust, EveryTruncationRaisesTheReadError) {
  std::string bytes = RichStream();
  ASSERT_TRUE(TryRead(bytes));
  for (size_t length = 0; length < bytes.size(); ++length) {
    try {
      std::unique_ptr<TObject> obj(ReadBinary(bytes.substr(0, length)));
      ADD_FAILURE() << "a prefix of " << length << " bytes read as a whole object";
    } catch (const EReadError&) {
    }
  }
}

TEST_F(ObjStreamRobust, CorruptedBytesNeverCrash) {
  std::string bytes = RichStream();
  for (size_t i = 0; i < bytes.size(); ++i)
    for (int value : {0x00, 0xFF, static_cast<uint8_t>(bytes[i]) ^ 0x21}) {
      std::string damaged = bytes;
      damaged[i] = static_cast<char>(value);
      TryRead(damaged);
      TMemoryStream source(damaged), text;
      try {
        ObjectBinaryToText(source, text);
      } catch (const Exception&) {
      }
    }
}

TEST_F(ObjStreamRobust, RandomBytesNeverCrash) {
  std::mt19937 random(12345);
  std::string rich = RichStream();
  for (int round = 0; round < 3000; ++round) {
    // Random tails after a valid start reach deeper into the reader than pure noise.
    size_t keep = random() % rich.size();
    std::string bytes = rich.substr(0, keep);
    for (size_t n = random() % 64; n > 0; --n) bytes += static_cast<char>(random());
    TryRead(bytes);
    TMemoryStream stream(bytes);
    try {
      delete StreamReadObjectOld(stream);
    } catch (const Exception&) {
    }
  }
}

TEST_F(ObjStreamRobust, HugeCountsAreRefusedBeforeAllocating) {
  const char* shortRead = "Stream read error";
  struct TCase {
    std::string Value;
    const char* Message;
  } cases[] = {
      {Bytes({0x0C, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc", shortRead},         // long string
      {Bytes({0x12, 0xFF, 0xFF, 0xFF, 0xFF}) + "ab", shortRead},          // wide string
      {Bytes({0x0A, 0xFF, 0xFF, 0xFF, 0xFF}) + "ab", shortRead},          // binary
      {Bytes({0x06, 0xFF}) + "ab", shortRead},                            // short string
      {Bytes({0x0B, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), shortRead},           // set name
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(WithValue(c.Value)), c.Message);
  // A property name and a class name announcing gigabytes.
  EXPECT_EQ(ErrorOf(std::string("TPF0\x05TNode") + '\0' + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),
            shortRead);
  EXPECT_EQ(ErrorOf(std::string("TPF0") + Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF})), shortRead);
}

TEST_F(ObjStreamRobust, VariantArraysAreSizedByTheBytesThatRemain) {
  // A variant array announcing 2^24 elements of a type that takes no bytes.
  std::string value = Bytes({0x01, 0x03, 0x00, 0x20, 0x02, 0x01, 0x02, 0x00, 0x04, 0xFF, 0xFF,
                             0xFF, 0x00, 0x00});
  std::string bytes = std::string("TPF0\x06TKinds") + '\0' + "\x03Var" + value + '\0' + '\0';
  EXPECT_EQ(ErrorOf(bytes), "Stream read error");
  // Reversed bounds and absurd dimension counts.
  std::string reversed = Bytes({0x01, 0x03, 0x03, 0x20, 0x02, 0x01, 0x02, 0x05, 0x02, 0x01, 0, 0});
  EXPECT_EQ(ErrorOf(std::string("TPF0\x06TKinds") + '\0' + "\x03Var" + reversed + '\0' + '\0'),
            "Invalid property value");
  std::string dims = Bytes({0x01, 0x03, 0x03, 0x20, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0});
  EXPECT_EQ(ErrorOf(std::string("TPF0\x06TKinds") + '\0' + "\x03Var" + dims + '\0' + '\0'),
            "Invalid property value");
}

TEST_F(ObjStreamRobust, WrongSignaturesAndTags) {
  EXPECT_EQ(ErrorOf(""), "Invalid stream format");
  EXPECT_EQ(ErrorOf("TPF1\x05TNode"), "Invalid stream format");
  EXPECT_EQ(ErrorOf("TPF"), "Invalid stream format");
  struct TCase {
    std::string Name;
    std::string Value;
  } mismatches[] = {
      {"Number", Bytes({0x06, 1, 'x'})},   // a string for an integer
      {"Name", Bytes({0x02, 1})},          // an integer for a string
      {"Number", Bytes({0x0D})},           // a tag that is never written
      {"Number", Bytes({0x14})},           // past the last tag
  };
  for (const auto& c : mismatches) {
    std::string bytes = std::string("TPF0\x05TNode") + '\0' +
                        static_cast<char>(c.Name.size()) + c.Name + c.Value + '\0' + '\0';
    EXPECT_EQ(ErrorOf(bytes), "Invalid property value") << c.Name;
  }
  // A binary property must carry the binary tag.
  EXPECT_EQ(ErrorOf(std::string("TPF0\x06TKinds") + '\0' + "\x03" "Bin" + Bytes({0x02, 1}) +
                    '\0' + '\0'),
            "Invalid property value");
  // A character property must hold exactly one character.
  EXPECT_EQ(ErrorOf(std::string("TPF0\x06TKinds") + '\0' + "\x02" "Ch" + Bytes({0x06, 2}) +
                    "ab" + '\0' + '\0'),
            "Invalid property value");
  // An unknown tag in an unknown property cannot be skipped.
  EXPECT_EQ(ErrorOf(WithValue(Bytes({0x0D}))), "Invalid property value");
}

TEST_F(ObjStreamRobust, NestingHasALimit) {
  // Lists inside an unknown property.
  std::string lists(MaxObjectNesting + 1, '\x01');
  lists += std::string(MaxObjectNesting + 1, '\0');
  EXPECT_EQ(ErrorOf(WithValue(lists)), "Object nesting too deep");
  std::string fits(MaxObjectNesting - 1, '\x01');
  fits += std::string(MaxObjectNesting - 1, '\0');
  EXPECT_TRUE(TryRead(WithValue(fits)));

  // Objects inside objects, built as bytes (no tree that deep is ever made).
  std::string objects = "TPF0";
  for (int i = 0; i <= MaxObjectNesting; ++i) objects += std::string("\x05TNode\x04Next") + '\0';
  EXPECT_EQ(ErrorOf(objects), "Object nesting too deep");

  // The writer refuses what the reader would refuse.
  TNode top;
  TNode* last = &top;
  for (int i = 0; i < MaxObjectNesting; ++i) {
    auto* next = new TNode;
    last->Next = next;
    last = next;
  }
  TMemoryStream stream;
  try {
    StreamWriteObject(stream, &top);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message, "Object nesting too deep");
  }
  // Releasing the chain recurses too; unlink it from the bottom up.
  std::vector<TNode*> chain;
  for (TNode* n = &top; n; n = static_cast<TNode*>(n->Next)) chain.push_back(n);
  for (size_t i = chain.size() - 1; i > 0; --i) {
    chain[i - 1]->Next = nullptr;
    delete chain[i];
  }

  // Nested variants.
  std::string variants;
  for (int i = 0; i <= MaxObjectNesting; ++i) variants += Bytes({0x01, 0x02, 0x0C});
  std::string kinds = std::string("TPF0\x06TKinds") + '\0' + "\x03Var" + variants;
  EXPECT_EQ(ErrorOf(kinds), "Object nesting too deep");

  // The text parser.
  std::string text = "object TNode\n  v = " + std::string(MaxObjectNesting + 1, '(') + "\nend";
  TMemoryStream source(text), dest;
  try {
    ObjectTextToBinary(source, dest);
    FAIL() << "no error";
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message, "Line 2: nesting too deep");
  }
}

TEST_F(ObjStreamRobust, ContainerItemsOutsideTheListAreSkippedOrRefused) {
  // A string list of one item that receives an object for item 3: no item takes it.
  std::string bytes = std::string("TPF0\x0ETListContainer") + '\0' + "\x08ListType" +
                      Bytes({6, 10}) + "StringList" + "\x09ListCount" + Bytes({2, 1}) +
                      "\x07Strings" + Bytes({1, 6, 1, 'a', 0}) + '\0' +
                      "\x05TNode\x08Object_3" + '\0' + '\0' + '\0';
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  ASSERT_NE(ObjectAs<TListContainer>(read.get()), nullptr);
  auto* strings = ObjectAs<TStringList>(static_cast<TListContainer*>(read.get())->List());
  ASSERT_NE(strings, nullptr);
  EXPECT_EQ(strings->Text(), "a\r\n");
  EXPECT_EQ(strings->GetObject(0), nullptr);
  // A pointer list receives no more objects than it announced.
  std::string pointers = std::string("TPF0\x0ETListContainer") + '\0' + "\x08ListType" +
                         Bytes({6, 4}) + "List" + "\x09ListCount" + Bytes({2, 1}) +
                         "\x07Strings" + Bytes({1, 0}) + '\0' +
                         "\x05TNode\x08Object_0" + '\0' + '\0' +
                         "\x05TNode\x08Object_1" + '\0' + '\0' + '\0';
  EXPECT_EQ(ErrorOf(pointers), "Invalid property value");
}

TEST_F(ObjStreamRobust, ChildrenOfTheWrongClassAreDropped) {
  // A stored list whose "List" is not a list is refused; a node child in a slot that wants
  // a keyed list is refused the same way.
  std::string bytes = std::string("TPF0\x0ETStoredStrList") + '\0' + '\0' +
                      "\x05TNode\x04List" + '\0' + '\0' + '\0';
  EXPECT_EQ(ErrorOf(bytes), "Invalid property value");
  // Values whose name is a child's, and children whose name is a value's, are skipped.
  std::string crossed = std::string("TPF0\x05TNode") + '\0' + "\x04Next" + Bytes({2, 1}) + '\0' +
                        "\x05TNode\x06Number" + '\0' + '\0' + '\0';
  std::unique_ptr<TObject> read(ReadBinary(crossed));
  auto* node = ObjectAs<TNode>(read.get());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Next, nullptr);
  EXPECT_EQ(node->Number, 0);
}

TEST_F(ObjStreamRobust, HugeListCountsDoNotMakeEveryEntrySlow) {
  // A keyed list of a million empty items followed by thousands of entries nobody takes, and a
  // container announcing two billion objects followed by thousands of unknown children: each
  // entry is matched to its one item, not to every item of the list.
  std::string keyed = std::string("TPF0\x0DTQnStringList") + '\0' + "\x05" "Count" +
                      Bytes({4, 0x40, 0x42, 0x0F, 0x00});
  for (int i = 0; i < 3000; ++i) keyed += "\x01x" + Bytes({2, 1});
  keyed += "\x07s999999" + Bytes({6, 4}) + "last" + '\0' + "\x05TNode\x06Obj999" + '\0' + '\0' +
           '\0';
  std::unique_ptr<TObject> list(ReadBinary(keyed));
  auto* strings = ObjectAs<TQnStringList>(list.get());
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->Count(), 1000000);
  EXPECT_EQ(strings->Get(999999), "last");
  EXPECT_NE(ObjectAs<TNode>(strings->GetObject(999)), nullptr);

  std::string container = std::string("TPF0\x0ETListContainer") + '\0' + "\x08ListType" +
                          Bytes({6, 4}) + "List" + "\x09ListCount" +
                          Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F}) + "\x07Strings" + Bytes({1, 0}) +
                          '\0';
  for (int i = 0; i < 3000; ++i) container += std::string("\x05TNode\x04Junk") + '\0' + '\0';
  container += std::string("\x05TNode\x0EObject_7654321") + '\0' + '\0' + '\0';
  std::unique_ptr<TObject> read(ReadBinary(container));
  auto* pointers = ObjectAs<TList>(static_cast<TListContainer*>(read.get())->List());
  ASSERT_NE(pointers, nullptr);
  ASSERT_EQ(pointers->Count(), 1);  // the container frees the list it read, with its objects
}
