// The text form of object streams: the exact text written for a binary stream, and the parser
// that reads the notation back, two-byte identifiers and its error messages included.
#include <gtest/gtest.h>

#include <memory>

#include "ObjStreamFixtures.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/ObjReader.h"
#include "support/ObjText.h"
#include "support/ObjWriter.h"
#include "support/QnList.h"

using namespace qnexp;
using namespace qnexp::testing;

namespace {

class ObjText : public ::testing::Test {
protected:
  void SetUp() override { RegisterTestClasses(); }
};

std::string BinaryOfText(const std::string& text) {
  TMemoryStream source(text), dest;
  ObjectTextToBinary(source, dest);
  return dest.TakeData();
}

std::string TextOfBinary(const std::string& bytes) {
  TMemoryStream source(bytes), dest;
  ObjectBinaryToText(source, dest);
  return dest.TakeData();
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

}  // namespace

TEST_F(ObjText, WritesTheBlockNotation) {
  TKinds k;
  k.Str = "it's" + std::string("\r\n") + Res("中");
  k.Int = -7;
  k.Colour = 1;
  k.Bool = 1;
  k.Single = 1.5f;
  k.Ext = 2.5L;
  k.Date = 45000.25;
  k.Bin[0] = 0xAB;
  auto* strings = new TStringList;
  strings->Add("x");
  k.Strings = strings;
  auto* child = new TNode;
  child->Number = 3;
  k.Child = child;
  EXPECT_EQ(TextOf(&k),
            "object TKinds\n"
            "  Str = 'it''s'#13#10'" + Res("中") + "'\n"
            "  Strings = (\n"
            "    'StringList'\n"
            "    'x')\n"
            "  Colour = 'Green'\n"
            "  Int = -7\n"
            "  Bool = True\n"
            "  Single = 1.5s\n"
            "  Ext = 2.5\n"
            "  Date = 45000.25d\n"
            "  Bin = {\n"
            "    AB0000000000}\n"
            "  object Child: TNode\n"
            "    Number = 3\n"
            "  end\n"
            "end\n");
}

TEST_F(ObjText, ValuesOfEveryTagHaveAText) {
  struct TCase {
    std::string Binary;  // one value
    std::string Text;
  } cases[] = {
      {Bytes({0x02, 0xFF}), "-1"},
      {Bytes({0x13, 0, 0, 0, 0, 1, 0, 0, 0}), "4294967296"},
      {Bytes({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}), "1.0"},
      {Bytes({0x10, 0x10, 0x27, 0, 0, 0, 0, 0, 0}), "1.0c"},
      {Bytes({0x10, 0xEB, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), "-1.0005c"},
      {Bytes({0x07, 3}) + "abc", "abc"},
      {Bytes({0x08}), "False"},
      {Bytes({0x0B, 1}) + "a" + Bytes({2}) + "bc" + Bytes({0}), "[a, bc]"},
      {Bytes({0x0B, 0}), "[]"},
      {Bytes({0x01, 0}), "()"},
      {Bytes({0x0A, 0, 0, 0, 0}), "{}"},
      {Bytes({0x12, 1, 0, 0, 0, 0x2D, 0x4E}), "'" + Res("中") + "'"},
      {Bytes({0x06, 0}), "''"},
      {Bytes({0x06, 2, 0xA1, 0x20}), "#161' '"},
      {Bytes({0x0E, 2, 5, 1, 1}) + "p" + Bytes({2, 1, 0, 1, 0, 0}),
       "<\n    item [5]\n      p = 1\n    end\n    item\n    end>"},
  };
  for (const auto& c : cases) {
    std::string bytes = std::string("TPF0\x05TNode") + '\0' + "\x01v" + c.Binary + '\0' + '\0';
    std::string text = "object TNode\n  v = " + c.Text + "\nend\n";
    EXPECT_EQ(TextOfBinary(bytes), text) << c.Text;
    // And back: the same value, except that a wide string comes back as a plain one.
    if (c.Binary[0] != 0x12) {
      EXPECT_EQ(BinaryOfText(text), bytes) << c.Text;
    }
  }
}

TEST_F(ObjText, LongStringsAreWrittenInJoinedPieces) {
  TNode node;
  node.Name = std::string(70, 'a');
  std::string text = TextOf(&node);
  EXPECT_EQ(text, "object TNode\n  Name =\n    '" + std::string(64, 'a') + "' +\n    '" +
                      std::string(6, 'a') + "'\nend\n");
  std::unique_ptr<TObject> read(ReadText(text));
  EXPECT_EQ(ObjectAs<TNode>(read.get())->Name, node.Name);
}

TEST_F(ObjText, EveryKindSurvivesTheTextForm) {
  TKinds k;
  k.Str = Res("中文");
  k.Pass = "pw";
  k.Int = 2147483647;
  k.Card = 4294967295u;
  k.Shortint = -128;
  k.Real = 0.1;
  k.Double = -1e-300;
  k.Ext = 1.0L / 3;
  k.Single = 0.1f;
  k.Date = 1.0 / 3;
  k.Ch = '\'';
  k.LongBool = 1;
  k.Var = TVariant::FromCurrency(-5);
  k.Dyna = new uint8_t[5]{0, 1, 2, 3, 0xFF};
  k.Comp[7] = 0x80;
  auto* list = new TQnList;
  list->Add(new TNodeEx);
  k.Items = list;
  std::unique_ptr<TObject> read(ReadText(TextOf(&k)));
  auto* r = ObjectAs<TKinds>(read.get());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Str, k.Str);
  EXPECT_EQ(r->Pass, "pw");
  EXPECT_EQ(r->Int, 2147483647);
  EXPECT_EQ(r->Card, 4294967295u);
  EXPECT_EQ(r->Shortint, -128);
  EXPECT_EQ(r->Real, 0.1);
  EXPECT_EQ(r->Double, -1e-300);
  EXPECT_EQ(r->Ext, 1.0L / 3);
  EXPECT_EQ(r->Single, 0.1f);
  EXPECT_EQ(r->Date, 1.0 / 3);
  EXPECT_EQ(r->Ch, '\'');
  EXPECT_EQ(r->LongBool, 0xFFFFFFFFu);
  EXPECT_EQ(r->Var, TVariant::FromCurrency(-5));
  EXPECT_EQ(std::memcmp(r->Dyna, k.Dyna, 5), 0);
  EXPECT_EQ(r->Comp[7], 0x80);
  EXPECT_EQ(ObjectAs<TQnList>(r->Items)->Get(0)->ClassName(), "TNodeEx");
  // Written again, the text is the same (the password aside, which is scrambled afresh).
  k.Pass.clear();
  r->Pass.clear();
  EXPECT_EQ(TextOf(r), TextOf(&k));
}

TEST_F(ObjText, ParserAcceptsTheWholeNotation) {
  std::string text =
      "\xEF\xBB\xBF"  // a UTF-8 text with its byte-order mark
      "object Top: TNode\r\n"
      "  Number = $10\r\n"
      "  Name = 'a' + #66\r\n"
      "    + 'c'#13\r\n"
      "  Font.Size = 1e2\n"
      "  名字 = 'x'\n"
      "  Sets = [one, 二]\n"
      "  Coll = <item [1] A = 1 end item B = (1 'two' True) end>\n"
      "  Blob = { 0A 0b\n 0C }\n"
      "  Money = 12.34567c\n"
      "  object Next: TNodeEx\n"
      "    Flag = True\n"
      "  end\n"
      "end\n";
  std::unique_ptr<TObject> read(ReadText(text));
  auto* node = ObjectAs<TNode>(read.get());
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->Number, 16);
  EXPECT_EQ(node->Name, "aBc\r");
  auto* next = ObjectAs<TNodeEx>(node->Next);
  ASSERT_NE(next, nullptr);
  EXPECT_EQ(next->Flag, 1);
  std::string binary = BinaryOfText(text);
  EXPECT_NE(binary.find("\x09" "Font.Size" "\x05"), std::string::npos);
  EXPECT_NE(binary.find(Res("名字")), std::string::npos);
  EXPECT_NE(binary.find("\x05Money\x10\x41\xE2\x01\x00\x00\x00\x00\x00", 0, 15),
            std::string::npos);
  EXPECT_NE(binary.find(Bytes({0x0A, 3, 0, 0, 0, 0x0A, 0x0B, 0x0C})), std::string::npos);
}

TEST_F(ObjText, BlankTextIsTheNullObject) {
  EXPECT_EQ(BinaryOfText(" \n\t"), std::string("TPF0") + '\0');
  EXPECT_EQ(TextOfBinary(std::string("TPF0") + '\0'), "");
  EXPECT_EQ(TextOf(nullptr), "");
}

TEST_F(ObjText, InheritedAndIndexedHeadersCarryTheirFlags) {
  EXPECT_EQ(BinaryOfText("inherited A: TNode [3]\nend"),
            std::string("TPF0") + Bytes({0xF3, 2, 3}) + "\x05TNode\x01" "A" + '\0' + '\0');
  EXPECT_EQ(BinaryOfText("object TNode [1]\nend"),
            std::string("TPF0") + Bytes({0xF2, 2, 1}) + "\x05TNode" + '\0' + '\0' + '\0');
  EXPECT_THROW(delete ReadText("inherited TNode\nend"), Exception);
}

TEST_F(ObjText, ParseErrorsNameTheLine) {
  struct TCase {
    const char* Text;
    const char* Message;
  } cases[] = {
      {"thing TNode end", "Line 1: 'object' expected"},
      {"object TNode\n  X 1\nend", "Line 2: '=' expected"},
      {"object TNode\n  X = )\nend", "Line 2: value expected"},
      {"object TNode\n  X = 'abc\nend", "Line 2: unterminated string"},
      {"object TNode\n  X = #300\nend", "Line 2: character code above 255"},
      {"object TNode\n  X = 12ab\nend", "Line 2: invalid number"},
      {"object TNode\n  X = 1e99999\nend", "Line 2: invalid floating point number"},
      {"object TNode\n  X = 99999999999999999999\nend", "Line 2: integer out of range"},
      {"object TNode\n  X = {ABC}\nend", "Line 2: odd number of hexadecimal digits"},
      {"object TNode\n  X = {AG}\nend", "Line 2: hexadecimal digit expected"},
      {"object TNode\n  X = (1 2\n", "Line 3: ')' expected"},
      {"object TNode\n  X = [a b]\nend", "Line 2: ']' expected"},
      {"object TNode\n  X = <thing end>\nend", "Line 2: 'item' expected"},
      {"object TNode\n  X = 'a' + 1\nend", "Line 2: string expected"},
      {"object TNode\n  X = 1\n", "Line 3: 'end' expected"},
      {"object TNode\nend\nend", "Line 3: end of text expected"},
      {"object TNode\n  X = 922337203685477.5808c\nend", "Line 2: currency value out of range"},
      {"object TStringList\n  object A: TNode\n  end\nend",
       "Line 2: object of class TStringList cannot hold objects"},
  };
  for (const auto& c : cases) {
    try {
      BinaryOfText(c.Text);
      ADD_FAILURE() << "no error for " << c.Text;
    } catch (const EParserError& e) {
      EXPECT_EQ(e.Message, c.Message) << c.Text;
    }
  }
}

TEST_F(ObjText, NonFiniteExtendedHasNoText) {
  std::string bytes = std::string("TPF0\x05TNode") + '\0' + "\x01v" +
                      Bytes({0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}) + '\0' + '\0';
  try {
    TextOfBinary(bytes);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_EQ(e.Message, "Invalid floating point value");
  }
}

TEST_F(ObjText, StringBytesThatAreNoCharacterAreWrittenAsCodes) {
  // A lead byte before a byte that cannot follow it, DEL, and a lead byte at the end.
  TNode node;
  node.Name = "\x81" "0A\x7F" "\xB0";
  std::string text = TextOf(&node);
  EXPECT_EQ(text, "object TNode\n  Name = #129'0A\x7F'#176\nend\n");
  std::unique_ptr<TObject> read(ReadText(text));
  EXPECT_EQ(ObjectAs<TNode>(read.get())->Name, node.Name);
}
