// The binary object stream: exact bytes of records and values, every property kind written and
// read back, skipping what a class does not know, passwords and variants.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ObjStreamFixtures.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/ListContainer.h"
#include "support/ObjPassword.h"
#include "support/ObjReader.h"
#include "support/ObjWriter.h"
#include "support/QnList.h"
#include "support/QnStringList.h"
#include "support/StoredStrList.h"

using namespace qnexp;
using namespace qnexp::testing;

namespace {

class ObjStream : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }

  template <class T>
  std::unique_ptr<T> RoundTrip(TObject* obj) {
    std::unique_ptr<TObject> read(ReadBinary(BinaryOf(obj)));
    T* typed = ObjectAs<T>(read.get());
    EXPECT_NE(typed, nullptr);
    read.release();
    return std::unique_ptr<T>(typed);
  }
};

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// The bytes one property value takes, written by the writer.
template <class F>
std::string ValueBytes(F write) {
  TMemoryStream stream;
  TObjWriter writer(stream);
  write(writer);
  return stream.TakeData();
}

}  // namespace

TEST_F(ObjStream, RecordLayoutIsExact) {
  TNode node;
  node.Number = 5;
  node.Name = "ab";
  auto* child = new TNode;
  child->Number = 300;
  node.Next = child;
  std::string expected = std::string("TPF0") + "\x05TNode" + '\0' +     // class, no name
                         "\x06Number" + Bytes({2, 5}) +                 // integer, 8-bit
                         "\x04Name" + Bytes({6, 2}) + "ab" + '\0' +     // string; end of props
                         "\x05TNode" + "\x04Next" +                     // child named by property
                         "\x06Number" + Bytes({3, 0x2C, 0x01}) + '\0' +  // 16-bit integer
                         '\0' +                                         // child's children
                         '\0';                                          // our children
  EXPECT_EQ(BinaryOf(&node), expected);
  auto read = RoundTrip<TNode>(&node);
  EXPECT_EQ(read->Number, 5);
  EXPECT_EQ(read->Name, "ab");
  auto* next = ObjectAs<TNode>(read->Next);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Number, 300);
}

TEST_F(ObjStream, NullObjectIsOneByteAndReadsBackNull) {
  EXPECT_EQ(BinaryOf(nullptr), std::string("TPF0") + '\0');
  EXPECT_EQ(ReadBinary(std::string("TPF0") + '\0'), nullptr);
}

TEST_F(ObjStream, IntegersTakeTheSmallestForm) {
  struct TCase {
    int64_t Value;
    std::string Expected;
  } cases[] = {
      {0, Bytes({2, 0})},
      {-128, Bytes({2, 0x80})},
      {127, Bytes({2, 0x7F})},
      {128, Bytes({3, 0x80, 0})},
      {-32769, Bytes({4, 0xFF, 0x7F, 0xFF, 0xFF})},
      {2147483647, Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F})},
      {2147483648LL, Bytes({0x13, 0, 0, 0, 0x80, 0, 0, 0, 0})},
      {-2147483649LL, Bytes({0x13, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF})},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ValueBytes([&](TObjWriter& w) { w.WriteInteger(c.Value); }), c.Expected) << c.Value;
    TMemoryStream stream(c.Expected);
    TObjReader reader(stream);
    EXPECT_EQ(reader.ReadInteger(), c.Value);
  }
}

TEST_F(ObjStream, NamesOf255BytesOrMoreTakeTheLongForm) {
  for (size_t length : {254u, 255u, 300u}) {
    std::string name(length, 'n');
    std::string bytes = ValueBytes([&](TObjWriter& w) { w.WriteStr(name); });
    if (length < 255) {
      EXPECT_EQ(bytes, static_cast<char>(length) + name);
    } else {
      uint32_t n = static_cast<uint32_t>(length);
      EXPECT_EQ(bytes, "\xFF" + std::string(reinterpret_cast<char*>(&n), 4) + name);
    }
    TMemoryStream stream(bytes);
    EXPECT_EQ(StreamReadStr(stream), name);
  }
}

TEST_F(ObjStream, LongClassAndPropertyNamesReadBackWhole) {
  // A registered class whose name is long cannot be declared, so a long property name of an
  // unknown property is skipped whole and the next one still loads.
  TNode node;
  node.Number = 7;
  std::string bytes = BinaryOf(&node);
  std::string longName(400, 'q');
  uint32_t n = 400;
  std::string extra = "\xFF" + std::string(reinterpret_cast<char*>(&n), 4) + longName +
                      Bytes({6, 1}) + "x";
  bytes.insert(4 + 1 + 5 + 1, extra);
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  EXPECT_EQ(ObjectAs<TNode>(read.get())->Number, 7);
}

TEST_F(ObjStream, StringTagDependsOnLength) {
  std::string s255(255, 's'), s256(256, 's');
  EXPECT_EQ(ValueBytes([&](TObjWriter& w) { w.WriteString(s255); }),
            Bytes({6, 255}) + s255);
  uint32_t n = 256;
  EXPECT_EQ(ValueBytes([&](TObjWriter& w) { w.WriteString(s256); }),
            "\x0C" + std::string(reinterpret_cast<char*>(&n), 4) + s256);
  TNode node;
  node.Name = s256;
  EXPECT_EQ(RoundTrip<TNode>(&node)->Name, s256);
}

TEST_F(ObjStream, CardinalAboveInt32UsesThe64BitForm) {
  TKinds kinds;
  kinds.Card = 4294967295u;
  std::string bytes = BinaryOf(&kinds);
  EXPECT_NE(bytes.find("\x04" "Card" "\x13\xFF\xFF\xFF\xFF\x00\x00\x00\x00", 0, 14),
            std::string::npos);
  EXPECT_EQ(RoundTrip<TKinds>(&kinds)->Card, 4294967295u);
}

TEST_F(ObjStream, EveryKindReadsBackAsWritten) {
  TKinds k;
  k.Str = Res("中文") + "\r\n";
  k.Pass = "secret";
  auto* strings = new TStringList;
  strings->Add("one");
  strings->Add("two");
  k.Strings = strings;
  k.PChar = new char[4]{'a', 'b', 'c', '\0'};
  k.Colour = 2;
  k.Int = -100000;
  k.Shortint = -5;
  k.Small = -3000;
  k.Long = 123456789;
  k.Byte = 200;
  k.Word = 65000;
  k.Card = 3000000000u;
  k.Bool = 1;
  k.ByteBool = 7;
  k.WordBool = 9;
  k.LongBool = 11;
  k.Ch = 'z';
  k.Real = 0.1;
  k.Single = 1.5f;
  k.Double = -2.25e300;
  k.Ext = 1.0L / 3;
  for (int i = 0; i < 8; ++i) k.Comp[i] = static_cast<uint8_t>(i + 1);
  k.Date = 45000;
  k.Time = 0.5;
  k.Stamp = 45000.25;
  for (int i = 0; i < 63; ++i) k.Sets[i] = static_cast<uint8_t>(i * 3 + 1);
  k.Short[0] = 3;
  std::memcpy(k.Short + 1, "xyz", 3);
  k.Var = TVariant(int32_t{42});
  for (int i = 0; i < 6; ++i) k.Bin[i] = static_cast<uint8_t>(0xF0 + i);
  k.Dyna = new uint8_t[5]{9, 8, 7, 6, 5};
  auto* child = new TNode;
  child->Name = "child";
  k.Child = child;
  auto* items = new TQnList;
  items->Add(new TNode);
  k.Items = items;

  auto r = RoundTrip<TKinds>(&k);
  EXPECT_EQ(r->Str, k.Str);
  EXPECT_EQ(r->Pass, "secret");
  ASSERT_NE(ObjectAs<TStringList>(r->Strings), nullptr);
  EXPECT_EQ(GetListClassType(r->Strings), lcStringList);
  EXPECT_EQ(static_cast<TStringList*>(r->Strings)->Text(), "one\r\ntwo\r\n");
  EXPECT_STREQ(r->PChar, "abc");
  EXPECT_EQ(r->Colour, 2);
  EXPECT_EQ(r->Int, -100000);
  EXPECT_EQ(r->Shortint, -5);
  EXPECT_EQ(r->Small, -3000);
  EXPECT_EQ(r->Long, 123456789);
  EXPECT_EQ(r->Byte, 200);
  EXPECT_EQ(r->Word, 65000);
  EXPECT_EQ(r->Card, 3000000000u);
  EXPECT_EQ(r->Bool, 1);
  EXPECT_EQ(r->ByteBool, 0xFF);
  EXPECT_EQ(r->WordBool, 0xFFFF);
  EXPECT_EQ(r->LongBool, 0xFFFFFFFFu);
  EXPECT_EQ(r->Ch, 'z');
  EXPECT_EQ(r->Real, 0.1);
  EXPECT_EQ(r->Single, 1.5f);
  EXPECT_EQ(r->Double, -2.25e300);
  EXPECT_EQ(r->Ext, 1.0L / 3);
  EXPECT_EQ(std::memcmp(r->Comp, k.Comp, 8), 0);
  EXPECT_EQ(r->Date, 45000);
  EXPECT_EQ(r->Time, 0.5);
  EXPECT_EQ(r->Stamp, 45000.25);
  EXPECT_EQ(std::memcmp(r->Sets, k.Sets, 63), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r->Short + 1), r->Short[0]), "xyz");
  EXPECT_EQ(r->Var, TVariant(int32_t{42}));
  EXPECT_EQ(std::memcmp(r->Bin, k.Bin, 6), 0);
  ASSERT_NE(r->Dyna, nullptr);
  EXPECT_EQ(std::memcmp(r->Dyna, k.Dyna, 5), 0);
  EXPECT_EQ(ObjectAs<TNode>(r->Child)->Name, "child");
  auto* list = ObjectAs<TQnList>(r->Items);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 1);
  EXPECT_NE(ObjectAs<TNode>(list->Get(0)), nullptr);
}

TEST_F(ObjStream, DefaultsWriteNoProperties) {
  TKinds k;
  EXPECT_EQ(BinaryOf(&k), std::string("TPF0\x06TKinds") + '\0' + '\0' + '\0');
}

TEST_F(ObjStream, UnknownEnumNameLeavesTheDefault) {
  std::string bytes = std::string("TPF0\x06TKinds") + '\0' + "\x06" "Colour" + Bytes({6, 4}) +
                      "Pink" + "\x03Int" + Bytes({2, 9}) + '\0' + '\0';
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  auto* k = ObjectAs<TKinds>(read.get());
  EXPECT_EQ(k->Colour, 0);
  EXPECT_EQ(k->Int, 9);
}

TEST_F(ObjStream, UnknownPropertiesOfEveryShapeAreSkipped) {
  uint32_t four = 4, one = 1;
  std::string raw4(reinterpret_cast<char*>(&four), 4), raw1(reinterpret_cast<char*>(&one), 4);
  std::string unknown =
      "\x01" "a" + Bytes({0x0C}) + raw4 + "long" +                              // long string
      "\x01" "b" + Bytes({0x0F, 0, 0, 0xC0, 0x3F}) +                            // single
      "\x01" "c" + Bytes({0x11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}) +                // date
      "\x01" "d" + Bytes({0x10, 1, 0, 0, 0, 0, 0, 0, 0}) +                      // currency
      "\x01" "e" + Bytes({0x13, 1, 2, 3, 4, 5, 6, 7, 8}) +                      // 64-bit
      "\x01" "f" + Bytes({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}) +       // extended
      "\x01" "g" + Bytes({0x0B, 1}) + "x" + Bytes({2}) + "yy" + Bytes({0}) +    // set
      "\x01" "h" + Bytes({0x01, 2, 1, 6, 1}) + "z" + Bytes({1, 9, 0, 0}) +      // nested lists
      "\x01" "i" + Bytes({0x0E, 2, 0, 1, 1}) + "p" + Bytes({2, 1, 0}) +         // collection
      Bytes({1, 1}) + "q" + Bytes({8, 0, 0}) +                                  // item without index
      "\x01" "j" + Bytes({0x0A}) + raw4 + "\x01\x02\x03\x04" +                  // binary
      "\x01" "k" + Bytes({0x12}) + raw1 + Bytes({0x2D, 0x4E}) +                 // wide string
      "\x01" "l" + Bytes({0x07, 3}) + "abc" +                                   // identifier
      "\x01" "m" + Bytes({0x09});                                               // true
  std::string bytes = std::string("TPF0\x05TNode") + '\0' + unknown + "\x06Number" +
                      Bytes({2, 42}) + '\0' +
                      // an unknown child of a known class, then a known one
                      "\x05TNode\x05Other" + "\x04Name" + Bytes({6, 1}) + "o" + '\0' + '\0' +
                      "\x05TNode\x04Next" + "\x06Number" + Bytes({2, 1}) + '\0' + '\0' + '\0';
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  auto* node = ObjectAs<TNode>(read.get());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Number, 42);
  ASSERT_NE(node->Next, nullptr);
  EXPECT_EQ(ObjectAs<TNode>(node->Next)->Number, 1);
}

TEST_F(ObjStream, SkippingAChildOfAnUnknownClassNamesTheClass) {
  std::string bytes = std::string("TPF0\x05TNode") + '\0' + '\0' + "\x07TNoSuch\x01x" + '\0' +
                      '\0' + '\0';
  try {
    delete ReadBinary(bytes);
    FAIL() << "no error";
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message, "Class TNoSuch not found");
  }
}

TEST_F(ObjStream, PropertyNamesMatchWithoutCase) {
  std::string bytes = std::string("TPF0\x05TNode") + '\0' + "\x06NUMBER" + Bytes({2, 3}) + '\0' +
                      '\0';
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  EXPECT_EQ(ObjectAs<TNode>(read.get())->Number, 3);
}

TEST_F(ObjStream, StringListKindIsWrittenWhenExtraIsZero) {
  TObject* lists[] = {new TQnStringList, new TStoredStrList, new TStringList, new TQnList,
                      new TList, new TStack};
  struct TExpect {
    const char* Name;
    TListClassType ReadBack;
  } expect[] = {{"QNStringList", lcQNStringList}, {"StoredStrList", lcStoredStrList},
                {"StringList", lcStringList},     {"UserDefine", lcQnList},
                {"List", lcList},                 {"Stack", lcStack}};
  for (size_t i = 0; i < std::size(lists); ++i) {
    TKinds k;
    k.Strings = lists[i];
    if (TStringList* view = StringListView(lists[i])) view->Add("t");
    std::string bytes = BinaryOf(&k);
    std::string name = expect[i].Name;
    EXPECT_NE(bytes.find("\x07Strings\x01\x06" + std::string(1, static_cast<char>(name.size())) +
                         name),
              std::string::npos)
        << name;
    auto r = RoundTrip<TKinds>(&k);
    EXPECT_EQ(GetListClassType(r->Strings), expect[i].ReadBack) << name;
    if (TStringList* view = StringListView(r->Strings)) {
      EXPECT_EQ(view->Text(), "t\r\n");
    }
  }
}

TEST_F(ObjStream, ObjectsOfPlainListsTravelInAContainer) {
  auto* strings = new TStringList;
  auto* a = new TNode;
  a->Name = "a";
  strings->AddObject("first", a);
  strings->Add("second");
  TKinds k;
  k.Items = strings;
  std::string bytes = BinaryOf(&k);
  EXPECT_NE(bytes.find("\x0ETListContainer\x05Items"), std::string::npos);
  auto r = RoundTrip<TKinds>(&k);
  auto* read = ObjectAs<TStringList>(r->Items);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(GetListClassType(read), lcStringList);
  EXPECT_EQ(read->Text(), "first\r\nsecond\r\n");
  ASSERT_NE(ObjectAs<TNode>(read->GetObject(0)), nullptr);
  EXPECT_EQ(ObjectAs<TNode>(read->GetObject(0))->Name, "a");
  EXPECT_EQ(read->GetObject(1), nullptr);

  auto* pointers = new TStack;
  pointers->Push(new TNode);
  pointers->Push(new TNodeEx);
  TKinds k2;
  k2.Items = pointers;
  auto r2 = RoundTrip<TKinds>(&k2);
  auto* stack = ObjectAs<TStack>(r2->Items);
  ASSERT_NE(stack, nullptr);
  ASSERT_EQ(stack->Count(), 2);
  EXPECT_EQ(stack->Get(1)->ClassName(), "TNodeEx");
}

TEST_F(ObjStream, KeyedListKeepsStoredOrderAndSortedFlag) {
  TQnStringList sorted;
  sorted.SetSorted(true);
  sorted.Add("b");
  sorted.Add("a");
  sorted.AddObject("c", new TNode);
  std::unique_ptr<TObject> read(ReadBinary(BinaryOf(&sorted)));
  auto* list = ObjectAs<TQnStringList>(read.get());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->Sorted());
  EXPECT_EQ(list->Text(), "a\r\nb\r\nc\r\n");
  EXPECT_NE(ObjectAs<TNode>(list->GetObject(2)), nullptr);

  TQnStringList plain;
  plain.Add("z");
  plain.Add("y");
  std::string bytes = BinaryOf(&plain);
  for (const char* absent : {"Delimiter", "Quote", "Separator", "Case", "Duplicates", "Sorted",
                             "Defined"})
    EXPECT_EQ(bytes.find(absent), std::string::npos) << absent;
  std::unique_ptr<TObject> read2(ReadBinary(bytes));
  EXPECT_FALSE(ObjectAs<TQnStringList>(read2.get())->Sorted());
  EXPECT_EQ(ObjectAs<TQnStringList>(read2.get())->Text(), "z\r\ny\r\n");

  TQnStringList empty;
  EXPECT_EQ(BinaryOf(&empty).find("Count"), std::string::npos);
  std::unique_ptr<TObject> read3(ReadBinary(BinaryOf(&empty)));
  EXPECT_EQ(ObjectAs<TQnStringList>(read3.get())->Count(), 0);
}

TEST_F(ObjStream, StoredListWritesItsKeyedListAsAChild) {
  TStoredStrList stored;
  stored.AutoItemCaption = true;
  stored.AddObject("x", new TNode);
  std::string bytes = BinaryOf(&stored);
  EXPECT_NE(bytes.find("\x0DTQnStringList\x04List"), std::string::npos);
  std::unique_ptr<TObject> read(ReadBinary(bytes));
  auto* list = ObjectAs<TStoredStrList>(read.get());
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->AutoItemCaption);
  EXPECT_EQ(list->GetText(), "x\r\n");
  EXPECT_NE(ObjectAs<TNode>(list->GetObj(0)), nullptr);
}

TEST(ObjPassword, ScrambledFormsAndLiterals) {
  EXPECT_EQ(ScramblePassword("").size(), 2u);
  std::string empty = ScramblePassword("");
  EXPECT_EQ(static_cast<uint8_t>(empty[1]), static_cast<uint8_t>(~empty[0]));
  EXPECT_NE(empty[0], '\0');
  EXPECT_EQ(UnscramblePassword(empty), "");
  EXPECT_EQ(UnscramblePassword("plain"), "plain");
  EXPECT_EQ(UnscramblePassword("x"), "x");
  std::string pw128(128, '\0');
  for (size_t i = 0; i < 128; ++i) pw128[i] = static_cast<char>(i * 7 + 1);
  std::string scrambled = ScramblePassword(pw128);
  EXPECT_EQ(scrambled.size(), 2u + 3 * 256);
  EXPECT_EQ(UnscramblePassword(scrambled), pw128);
  // Scrambling hides the hexadecimal text: it is not stored in order.
  EXPECT_EQ(scrambled.find("01080F"), std::string::npos);
  std::string pw129(129, 'p');
  EXPECT_EQ(UnscramblePassword(ScramblePassword(pw129)), pw129);
}

TEST(ObjPassword, DamagedScrambledFormsAreRefused) {
  std::string prefix = Bytes({0x35, 0xCA});
  for (const std::string& bad : {prefix + "0", prefix + "00A", prefix + "02A01B",
                                 prefix + "00Z01Z", prefix + "G0A01B", prefix + "00A00B"}) {
    EXPECT_THROW(UnscramblePassword(bad), EReadError) << bad;
  }
  EXPECT_EQ(UnscramblePassword(prefix + "01A004"), "J");
}

TEST_F(ObjStream, VariantsOfEveryEncodedTypeReadBack) {
  TVariant matrix = TVariant::ArrayOf({{0, 1}, {-1, 1}}, varInteger);
  for (int i = 0; i < 6; ++i) matrix.ArrayData().Elements[static_cast<size_t>(i)] = TVariant(i * 10);
  TVariant mixed = TVariant::Array(1, 3);
  mixed.Element(1) = TVariant("text");
  mixed.Element(2) = TVariant(2.5);
  mixed.Element(3) = TVariant::Array(0, 0, varBoolean);
  TVariant values[] = {TVariant(),
                       TVariant::Null(),
                       TVariant::FromSmallint(-7),
                       TVariant(int32_t{-70000}),
                       TVariant::FromByte(250),
                       TVariant(int64_t{1} << 40),
                       TVariant::FromSingle(0.25f),
                       TVariant(0.1),
                       TVariant::FromDate(45000.5),
                       TVariant::FromCurrency(-123456789),
                       TVariant::FromOleStr("wide"),
                       TVariant(Res("文本")),
                       TVariant(true),
                       matrix,
                       mixed};
  for (const TVariant& v : values) {
    TKinds k;
    k.Var = v;
    if (v.IsEmpty()) continue;
    auto r = RoundTrip<TKinds>(&k);
    EXPECT_EQ(r->Var, v) << TVariant::TypeName(v.VType());
  }
}

TEST_F(ObjStream, VariantLayoutIsExact) {
  EXPECT_EQ(ValueBytes([](TObjWriter& w) { w.WriteVariant(TVariant(int32_t{5})); }),
            Bytes({1, 2, 3, 2, 5, 0}));
  EXPECT_EQ(ValueBytes([](TObjWriter& w) { w.WriteVariant(TVariant::Null()); }),
            Bytes({1, 2, 1, 0}));
  TVariant array = TVariant::Array(2, 3, varString);
  array.Element(2) = TVariant("a");
  EXPECT_EQ(ValueBytes([&](TObjWriter& w) { w.WriteVariant(array); }),
            Bytes({1, 3, 0x00, 0x21, 2, 1, 2, 2, 2, 3, 6, 1, 'a', 6, 0, 0}));
}
