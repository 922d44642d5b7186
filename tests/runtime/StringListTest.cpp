// Tests of the plain string list: sorting, duplicates, name=value access, text forms, errors.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "runtime/Exception.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/StringList.h"

namespace qnexp {
namespace {

std::vector<std::string> Items(const TStringList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
  return items;
}

void Fill(TStringList& list, const std::vector<std::string>& items) {
  for (const std::string& item : items) list.Add(item);
}

std::string ListErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EListError& e) {
    return e.Message;
  }
  return "(no error)";
}

using Strings = std::vector<std::string>;

TEST(StringListErrors, BadIndicesAndSortedOperationsRaiseAndChangeNothing) {
  TStringList list;
  Fill(list, {"a", "b", "c"});
  TObject obj;
  const std::pair<std::function<void()>, const char*> cases[] = {
      {[&] { list.Get(-1); }, "List index out of bounds (-1)"},
      {[&] { list.Get(3); }, "List index out of bounds (3)"},
      {[&] { list.Put(3, "x"); }, "List index out of bounds (3)"},
      {[&] { list.GetObject(7); }, "List index out of bounds (7)"},
      {[&] { list.PutObject(-2, &obj); }, "List index out of bounds (-2)"},
      {[&] { list.Delete(3); }, "List index out of bounds (3)"},
      {[&] { list.Insert(4, "x"); }, "List index out of bounds (4)"},
      {[&] { list.Exchange(0, 3); }, "List index out of bounds (3)"},
      {[&] { list.Move(0, 3); }, "List index out of bounds (3)"},
      {[&] { list.Move(-1, 0); }, "List index out of bounds (-1)"},
      {[&] { list.Names(5); }, "List index out of bounds (5)"},
      {[&] { list.ValueFromIndex(-1); }, "List index out of bounds (-1)"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(ListErrorOf(action), message);
  EXPECT_EQ(Items(list), (Strings{"a", "b", "c"}));

  list.SetSorted(true);
  for (auto action : std::vector<std::function<void()>>{[&] { list.Insert(0, "x"); },
                                                        [&] { list.Put(0, "x"); },
                                                        [&] { list.Move(0, 2); }})
    EXPECT_EQ(ListErrorOf(action), "Operation not allowed on sorted string list");
  EXPECT_EQ(Items(list), (Strings{"a", "b", "c"}));
}

TEST(StringList, InsertAndMoveKeepObjects) {
  TStringList list;
  TObject first;
  TObject second;
  list.AddObject("a", &first);
  list.Add("b");
  list.Insert(2, "d");
  list.InsertObject(2, "c", &second);
  EXPECT_EQ(Items(list), (Strings{"a", "b", "c", "d"}));
  list.Move(0, 2);
  EXPECT_EQ(Items(list), (Strings{"b", "c", "a", "d"}));
  EXPECT_EQ(list.GetObject(2), &first);
  EXPECT_EQ(list.IndexOfObject(&second), 1);
  list.Exchange(0, 3);
  EXPECT_EQ(Items(list), (Strings{"d", "c", "a", "b"}));
  list.Clear();  // must not free the objects on the stack
  EXPECT_EQ(list.Count(), 0);
}

TEST(StringListSorted, AddsAtBisectionPoint) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add("m"), 0);
  EXPECT_EQ(list.Add("c"), 0);
  EXPECT_EQ(list.Add("x"), 2);
  EXPECT_EQ(list.Add("e"), 1);
  EXPECT_EQ(Items(list), (Strings{"c", "e", "m", "x"}));
  int index = -1;
  EXPECT_TRUE(list.Find("m", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("f", index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.IndexOf("X"), 3);
  EXPECT_EQ(list.IndexOf("y"), -1);
}

TEST(StringListSorted, SettingSortedSortsExistingItems) {
  TStringList list;
  Fill(list, {"b", "C", "a"});
  list.SetSorted(true);
  EXPECT_EQ(Items(list), (Strings{"a", "b", "C"}));
  list.SetCaseSensitive(true);
  EXPECT_EQ(Items(list), (Strings{"C", "a", "b"}));
  EXPECT_EQ(list.IndexOf("c"), -1);
  EXPECT_EQ(list.IndexOf("C"), 0);
}

TEST(StringListSorted, DuplicatesPolicy) {
  TStringList list;
  list.SetSorted(true);
  Fill(list, {"a", "b", "c"});

  list.Duplicates = dupIgnore;
  EXPECT_EQ(list.Add("B"), 1);
  EXPECT_EQ(list.Count(), 3);

  list.Duplicates = dupError;
  EXPECT_EQ(ListErrorOf([&] { list.Add("b"); }), "String list does not allow duplicates");
  EXPECT_EQ(list.Count(), 3);

  list.Duplicates = dupAccept;
  list.Add("b");
  list.Add("b");
  EXPECT_EQ(Items(list), (Strings{"a", "b", "b", "b", "c"}));
  int index = -1;
  EXPECT_TRUE(list.Find("b", index));
  EXPECT_EQ(index, 1);

  TStringList unsorted;
  unsorted.Duplicates = dupError;
  Fill(unsorted, {"a", "a"});
  EXPECT_EQ(unsorted.Count(), 2);
}

TEST(StringListCompare, CaseFoldsAsciiLettersOnly) {
  TStringList list;
  // Two different characters whose second bytes are 'a' and 'A'.
  Fill(list, {"\xB0\x61", "\xB0\x41", "_", "abc"});
  EXPECT_EQ(list.IndexOf("\xB0\x41"), 1);
  EXPECT_EQ(list.IndexOf("ABC"), 3);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("ABC"), -1);
  list.SetCaseSensitive(false);
  list.SetSorted(true);
  // Letters sort as upper case, so "_" (after "Z") comes after "abc".
  EXPECT_EQ(Items(list), (Strings{"abc", "_", "\xB0\x41", "\xB0\x61"}));
}

TEST(StringListNameValue, ReadsAndWritesValues) {
  TStringList list;
  Fill(list, {"a=1", "b=2=3", "c", "=x"});
  EXPECT_EQ(list.Names(0), "a");
  EXPECT_EQ(list.ValueFromIndex(1), "2=3");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(2), "");
  EXPECT_EQ(list.IndexOfName("B"), 1);
  EXPECT_EQ(list.IndexOfName("c"), -1);
  EXPECT_EQ(list.IndexOfName(""), 3);
  EXPECT_EQ(list.Values("A"), "1");
  EXPECT_EQ(list.Values("zz"), "");

  list.SetValue("b", "9");
  list.SetValue("d", "4");
  list.SetValue("a", "");
  list.SetValue("missing", "");
  EXPECT_EQ(Items(list), (Strings{"b=9", "c", "=x", "d=4"}));

  list.NameValueSeparator = ':';
  list.Add("k:v");
  EXPECT_EQ(list.Values("K"), "v");
}

TEST(StringListNameValue, SeparatorInsideTwoByteCharacterIsNotOne) {
  TStringList list;
  list.NameValueSeparator = '\\';
  list.Add("\xD5\x5C\\v");  // a character whose second byte is the separator byte
  EXPECT_EQ(list.Names(0), "\xD5\x5C");
  EXPECT_EQ(list.Values("\xD5\x5C"), "v");
  list.Add("\xD5");  // a lone lead byte at the end
  EXPECT_EQ(list.Names(1), "");
  list.NameValueSeparator = '=';
  list.Add("\xD5=v");  // '=' cannot be a second byte, so the broken name ends before it
  EXPECT_EQ(list.Names(2), "\xD5");
}

TEST(StringListNameValue, SetValueOnSortedListKeepsOrderAndObject) {
  TStringList list;
  list.SetSorted(true);
  TObject obj;
  list.AddObject("b=2", &obj);
  Fill(list, {"a=1", "c=3"});
  list.SetValue("b", "0");
  list.SetValue("ab", "5");
  EXPECT_EQ(Items(list), (Strings{"a=1", "ab=5", "b=0", "c=3"}));
  EXPECT_EQ(list.GetObject(2), &obj);
  EXPECT_EQ(list.IndexOf("b=0"), 2);
}

TEST(StringListText, JoinsAndSplitsLines) {
  TStringList list;
  Fill(list, {"a", "", "b"});
  EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");

  const std::pair<std::string, Strings> cases[] = {
      {"x\r\ny\nz\rw", {"x", "y", "z", "w"}},
      {"a\n\nb\r\n", {"a", "", "b"}},
      {"", {}},
      {"\r\n", {""}},
      {"\n\r", {"", ""}},
      {std::string("n\0ul", 4), {std::string("n\0ul", 4)}},
  };
  for (const auto& [text, expected] : cases) {
    list.SetText(text);
    EXPECT_EQ(Items(list), expected);
  }
}

struct TDelimitedCase {
  const char* Text;
  Strings Items;
};

class StringListCommaText : public testing::TestWithParam<TDelimitedCase> {};

TEST_P(StringListCommaText, ParsesTheDelimitedForm) {
  TStringList list;
  list.Add("old");
  list.SetCommaText(GetParam().Text);
  EXPECT_EQ(Items(list), GetParam().Items);
}

INSTANTIATE_TEST_SUITE_P(Texts, StringListCommaText, testing::Values(
    TDelimitedCase{"a,b,c", {"a", "b", "c"}},
    TDelimitedCase{"a b,c", {"a", "b", "c"}},
    TDelimitedCase{" a , b ", {"a", "b"}},
    TDelimitedCase{"a,,b", {"a", "", "b"}},
    TDelimitedCase{"a,", {"a", ""}},
    TDelimitedCase{"\"\"", {""}},
    TDelimitedCase{"\"b c\",\"d,e\",\"f\"\"g\"", {"b c", "d,e", "f\"g"}},
    TDelimitedCase{"\"unterminated", {"unterminated"}},
    TDelimitedCase{"\"x\"y", {"x", "y"}},
    TDelimitedCase{"", {}},
    TDelimitedCase{"   ", {}}));

TEST(StringListDelimited, QuotesOnlyWhereNeededAndRoundTrips) {
  TStringList list;
  Fill(list, {"a", "b c", "d,e", "f\"g", "h\ti", "\xD6\xD0\xCE\xC4", ""});
  std::string text = list.CommaText();
  EXPECT_EQ(text, "a,\"b c\",\"d,e\",\"f\"\"g\",\"h\ti\",\xD6\xD0\xCE\xC4,");
  TStringList back;
  back.SetCommaText(text);
  EXPECT_TRUE(back.Equals(list));

  TStringList single;
  single.Add("");
  EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringListDelimited, UsesTheListsCharacters) {
  TStringList list;
  list.Delimiter = ';';
  list.QuoteChar = '\'';
  Fill(list, {"a b", "c,d", "it's"});
  EXPECT_EQ(list.DelimitedText(), "'a b';c,d;'it''s'");
  EXPECT_EQ(list.CommaText(), "\"a b\",\"c,d\",it's");

  // A delimiter byte that is the second byte of a character does not split it.
  TStringList gbk;
  gbk.Delimiter = '\\';
  gbk.Add("\xD5\x5C");
  gbk.Add("x");
  EXPECT_EQ(gbk.DelimitedText(), "\xD5\x5C\\x");
  TStringList back;
  back.Delimiter = '\\';
  back.SetDelimitedText(gbk.DelimitedText());
  EXPECT_EQ(Items(back), (Strings{"\xD5\x5C", "x"}));
  back.SetDelimitedText("\xD5");
  EXPECT_EQ(Items(back), (Strings{"\xD5"}));
}

TEST(StringListCopy, AssignAndAddStrings) {
  TStringList source;
  TObject obj;
  source.AddObject("a", &obj);
  source.Add("b");
  source.Delimiter = ';';
  source.NameValueSeparator = ':';

  TStringList target;
  target.Add("old");
  target.Assign(source);
  EXPECT_EQ(Items(target), (Strings{"a", "b"}));
  EXPECT_EQ(target.GetObject(0), &obj);
  EXPECT_EQ(target.Delimiter, ';');
  EXPECT_EQ(target.NameValueSeparator, ':');

  target.Assign(target);
  EXPECT_EQ(target.Count(), 2);
  target.AddStrings(target);
  EXPECT_EQ(Items(target), (Strings{"a", "b", "a", "b"}));
  EXPECT_FALSE(target.Equals(source));
}

// IndexOf of long lists answers from a hash index: after any sequence of changes it must give
// what a scan by the list's case rule gives, the first of equal items included.
int ScannedIndexOf(const Strings& items, const std::string& text, bool caseSensitive) {
  for (size_t i = 0; i < items.size(); ++i)
    if (caseSensitive ? items[i] == text : SameText(items[i], text)) return static_cast<int>(i);
  return -1;
}

TEST(StringListIndexOf, AgreesWithAScanThroughEveryChange) {
  // Case variants, two-byte characters whose second bytes look like letters, a lone lead byte.
  const Strings names = {"a",  "A",       "ab",      "AB",      "aB",      "x1",
                         "X1", "\xB0\x61", "\xB0\x41", "\xB0",    "\xB0" "a", "\xB0\x61Q",
                         "\xB0\x61q", "name.with.dots", "NAME.WITH.DOTS", "", "zz", "Zz"};
  std::mt19937 random(7);
  auto pick = [&](size_t n) { return static_cast<int>(random() % n); };
  TStringList list;
  for (int round = 0; round < 3000; ++round) {
    int count = list.Count();
    switch (pick(12)) {
      case 0: case 1: case 2: list.Add(names[pick(names.size())]); break;
      case 3: list.Insert(pick(count + 1), names[pick(names.size())]); break;
      case 4: if (count > 0) list.Delete(pick(count)); break;
      case 5: if (count > 0) list.Put(pick(count), names[pick(names.size())]); break;
      case 6: if (count > 1) list.Move(pick(count), pick(count)); break;
      case 7: if (count > 1) list.Exchange(pick(count), pick(count)); break;
      case 8: list.SetCaseSensitive(!list.CaseSensitive()); break;
      case 9: list.Sort(); break;
      case 10: list.SetValue(names[pick(names.size())], pick(2) ? "v" : ""); break;
      case 11: if (pick(40) == 0) list.Clear(); break;
    }
    Strings items = Items(list);
    // Each text asked several times, so that the index is made, not only the first scans.
    for (int repeat = 0; repeat < 6; ++repeat) {
      const std::string& text = names[pick(names.size())];
      ASSERT_EQ(list.IndexOf(text), ScannedIndexOf(items, text, list.CaseSensitive()))
          << "round " << round << " text '" << text << "' count " << list.Count();
    }
    ASSERT_EQ(list.IndexOf("v=absent"), ScannedIndexOf(items, "v=absent", list.CaseSensitive()));
  }
}

TEST(StringListIndexOf, ManyAppendedItemsAreFoundFirstFirst) {
  TStringList list;
  for (int i = 0; i < 5000; ++i) list.Add("item" + std::to_string(i % 2500));
  for (int repeat = 0; repeat < 2; ++repeat) {
    for (int i = 0; i < 2500; i += 7) EXPECT_EQ(list.IndexOf("ITEM" + std::to_string(i)), i);
    EXPECT_EQ(list.IndexOf("item2500"), -1);
    // Appending after the index was made keeps it in step; the first "late" stays the one found.
    list.Add("late");
    EXPECT_EQ(list.IndexOf("LATE"), 5000);
  }
  list.Delete(0);
  EXPECT_EQ(list.IndexOf("item0"), 2499);
  EXPECT_EQ(list.IndexOf("item1"), 0);
}

}  // namespace
}  // namespace qnexp
