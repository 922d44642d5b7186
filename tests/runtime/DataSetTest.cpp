// The dataset layer's shared behaviour over a small in-memory source: lazy reading,
// navigation, bookmarks, Locate, record searches, editing and observer notices.
#include <gtest/gtest.h>

#include "runtime/DataSet.h"
#include "runtime/Gbk.h"
#include "runtime/Handles.h"
#include "runtime/Variant.h"

namespace qnexp {
namespace {

// Rows of (ID integer, NAME string, PRICE float); counts what the layer asks of it.
class TMemDataSet : public TDataSet {
public:
  explicit TMemDataSet(std::vector<TRow> rows, bool writable = true)
      : Source(std::move(rows)), Writable(writable) {}
  ~TMemDataSet() override { Close(); }
  int Fetched = 0;
  int Writes = 0;
  bool FailWrites = false;
  std::vector<TRow> Source;

protected:
  void DoOpen() override {
    AddField("ID", ftInteger, 0);
    AddField("NAME", ftString, 20);
    AddField("PRICE", ftCurrency, 0);
    Next_ = 0;
  }
  bool FetchRow(TRow& row) override {
    if (Next_ >= Source.size()) return false;
    row = Source[Next_++];
    ++Fetched;
    return true;
  }
  void DoClose() override {}
  bool CanModify() const override { return Writable; }
  void WriteRow(const TRow* old, TRow& row) override {
    if (FailWrites) throw EDatabaseError("disk full");
    ++Writes;
    if (!old) row[0] = int64_t(100 + Writes);
  }

private:
  size_t Next_ = 0;
  bool Writable;
};

std::vector<TRow> ThreeRows() {
  return {{int64_t(1), std::string("apple"), 1.5},
          {int64_t(2), std::string("pear"), 2.0},
          {int64_t(3), std::string("plum"), TFieldValue{}}};
}

struct TRecorder : TDataSetObserver {
  std::vector<TDataSetEvent> Events;
  void DataSetNotify(TDataSet&, TDataSetEvent event) override { Events.push_back(event); }
};

TEST(DataSet, ReadsRowsOnlyAsNavigationReachesThem) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  EXPECT_EQ(ds.Fetched, 1);
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 1);
  ds.Next();
  EXPECT_EQ(ds.Fetched, 2);
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(ds.Fetched, 3);
}

TEST(DataSet, MovesAndReportsEnds) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  EXPECT_EQ(ds.MoveBy(5), 2);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_EQ(ds.MoveBy(-9), -2);
  EXPECT_TRUE(ds.Bof());
  ds.Last();
  EXPECT_EQ(ds.FieldByName("name")->AsString(), "plum");
  EXPECT_TRUE(ds.FieldByName("PRICE")->IsNull());
}

TEST(DataSet, EmptyDataSetIsAtBothEnds) {
  TMemDataSet ds({});
  ds.Open();
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.RecNo(), 0);
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  try {
    ds.GetField(0)->AsInteger();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "No current record");
  }
}

TEST(DataSet, ErrorsHaveTheirMessages) {
  TMemDataSet ds(ThreeRows(), false);
  auto message = [](auto&& action) {
    try {
      action();
    } catch (const Exception& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { ds.First(); }), "Cannot perform this operation on a closed dataset");
  ds.Open();
  EXPECT_EQ(message([&] { ds.FieldByName("NOPE"); }), "Field 'NOPE' not found");
  EXPECT_EQ(message([&] { ds.Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(message([&] { ds.GetField(0)->SetAsInteger(3); }),
            "Dataset not in edit or insert mode");
  EXPECT_EQ(message([&] { ds.GotoBookmark(TBookmark{7}); }), "Record not found");
  EXPECT_EQ(message([&] { ds.GetField(3); }), "List index out of bounds (3)");
}

TEST(DataSet, IntegerBeyond32BitsOverflowsInsteadOfWrapping) {
  TMemDataSet ds({{int64_t(5000000000), std::string("big"), 0.0}});
  ds.Open();
  EXPECT_EQ(ds.GetField(0)->AsLargeInt(), 5000000000);
  EXPECT_THROW(ds.GetField(0)->AsInteger(), EIntOverflow);
}

TEST(DataSet, BookmarksReturnToTheirRecord) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  ds.Next();
  TBookmark mark = ds.GetBookmark();
  ds.Last();
  ds.GotoBookmark(mark);
  EXPECT_EQ(ds.GetField(0)->AsInteger(), 2);
  ds.FreeBookmark(mark);
  EXPECT_FALSE(ds.BookmarkValid(mark));
}

TEST(DataSet, LocateComparesExactlyAndKeepsPositionOnFailure) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  ds.Next();
  EXPECT_FALSE(ds.Locate("NAME", TVariant("PLUM"), 0));
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_TRUE(ds.Locate("NAME", TVariant("PLUM"), loCaseInsensitive));
  EXPECT_EQ(ds.RecNo(), 3);
  EXPECT_TRUE(ds.Locate("name", TVariant("pe"), loPartialKey));
  EXPECT_EQ(ds.RecNo(), 2);
  TVariant pair = TVariant::Array(0, 1);
  pair.Element(0) = TVariant(int32_t(1));
  pair.Element(1) = TVariant("apple");
  EXPECT_TRUE(ds.Locate("ID;NAME", pair, 0));
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_FALSE(ds.Locate("ID", TVariant("not a number"), 0));
  EXPECT_THROW(ds.Locate("MISSING", TVariant(1), 0), EDatabaseError);
}

TEST(DataSet, FindFirstAndFindNextSkipRecordsTheFilterRefuses) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  ds.OnFilterRecord = [](TDataSet& d, bool& accept) {
    accept = d.GetField(0)->AsInteger() != 2;
  };
  std::vector<int> found;
  for (bool ok = ds.FindFirst(); ok; ok = ds.FindNext()) found.push_back(ds.GetField(0)->AsInteger());
  EXPECT_EQ(found, (std::vector<int>{1, 3}));
  EXPECT_EQ(ds.RecNo(), 3);
}

TEST(DataSet, PostWritesThroughAndAFailedPostKeepsTheEdit) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  ds.Edit();
  ds.GetField(1)->SetAsString(Res("苹果"));
  ds.Post();
  EXPECT_EQ(ds.Writes, 1);
  EXPECT_EQ(ds.GetField(1)->AsString(), Res("苹果"));
  ds.Append();
  ds.GetField(1)->SetAsString("kiwi");
  ds.Post();
  EXPECT_EQ(ds.GetField(0)->AsInteger(), 102);
  EXPECT_EQ(ds.RecordCount(), 4);
  ds.FailWrites = true;
  ds.Edit();
  ds.GetField(2)->SetAsFloat(9);
  EXPECT_THROW(ds.Post(), EDatabaseError);
  EXPECT_EQ(ds.GetState(), dsEdit);
  ds.Cancel();
  EXPECT_TRUE(ds.GetField(2)->IsNull());
}

TEST(DataSet, TextThatIsNotGbkIsRefusedBeforeAnythingIsStored) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  ds.Edit();
  EXPECT_THROW(ds.GetField(1)->SetAsString("\x81"), EConvertError);
  EXPECT_EQ(ds.GetField(1)->AsString(), "apple");
}

TEST(DataSet, ObserversHearChangesAndNestedDisableSuspendsThem) {
  TMemDataSet ds(ThreeRows());
  TRecorder recorder;
  ds.AddObserver(&recorder);
  ds.Open();
  ds.Next();
  EXPECT_EQ(recorder.Events, (std::vector<TDataSetEvent>{deOpened, deMoved}));
  recorder.Events.clear();
  ds.DisableControls();
  ds.DisableControls();
  ds.Next();
  ds.EnableControls();
  ds.First();
  EXPECT_TRUE(recorder.Events.empty());
  ds.EnableControls();
  ds.EnableControls();  // unmatched: nothing happens
  EXPECT_EQ(recorder.Events, (std::vector<TDataSetEvent>{deRefreshed}));
  ds.Close();
  EXPECT_EQ(recorder.Events.back(), deClosed);
  ds.RemoveObserver(&recorder);
}

TEST(DataSet, FieldHandlesGoStaleWhenTheDataSetCloses) {
  TMemDataSet ds(ThreeRows());
  ds.Open();
  int32_t handle = HandleOf(ds.GetField(0), hkField);
  EXPECT_EQ(ObjectOfHandle(handle, hkField), ds.GetField(0));
  ds.Close();
  EXPECT_EQ(ObjectOfHandle(handle, hkField), nullptr);
}

TEST(DataSet, FieldTypeNamesDropThePrefix) {
  EXPECT_STREQ(FieldTypeName(ftString), "String");
  EXPECT_STREQ(FieldTypeName(ftLargeint), "Largeint");
  EXPECT_STREQ(FieldTypeName(ftBlob), "Blob");
  EXPECT_STREQ(FieldTypeName(static_cast<TFieldType>(99)), "Unknown");
}

}  // namespace
}  // namespace qnexp
