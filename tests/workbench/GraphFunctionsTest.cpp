// GrPoint and GrLine on the main window's drawing surface.
#include "WorkbenchTesting.h"
#include "workbench/GraphLayer.h"

using namespace qnexp;
using namespace qnexp::testing;

namespace {

class TGraphTest : public TWorkbenchTest {
protected:
  void SetUp() override {
    TWorkbenchTest::SetUp();
    Form->show();
  }
};

TEST_F(TGraphTest, APointTakesItsColourAndReadsItBack) {
  EXPECT_EQ(Evaluate("GrPoint(10, 20, 0x0000FF)"), "255");
  EXPECT_EQ(Evaluate("GrPoint(11, 20, 0x123456)"), std::to_string(0x123456));
  EXPECT_EQ(Form->GraphLayer().Pixel(10, 20), 0x0000FF);
  // Without a colour the pen moves there and the point's colour is read.
  EXPECT_EQ(Evaluate("GrPoint(10, 20)"), "255");
  EXPECT_EQ(Form->GraphLayer().PenPosition(), QPoint(10, 20));
}

TEST_F(TGraphTest, ALineRunsFromThePenAndDefaultsToBlack) {
  // A point with a colour leaves the pen where it was; one without moves it.
  Evaluate("GrPoint(100, 100, 0x00FF00)");
  EXPECT_EQ(Form->GraphLayer().PenPosition(), QPoint(0, 0));
  Evaluate("GrPoint(100, 100)");
  EXPECT_EQ(Evaluate("GrLine(140, 100)"), "0");
  EXPECT_EQ(Form->GraphLayer().Pixel(120, 100), 0);
  EXPECT_EQ(Evaluate("GrLine(140, 140, 0xFF0000)"), std::to_string(0xFF0000));
  EXPECT_EQ(Form->GraphLayer().Pixel(140, 120), 0xFF0000);
  EXPECT_EQ(Form->GraphLayer().PenPosition(), QPoint(140, 140));
}

TEST_F(TGraphTest, PointsOutsideTheWindowDrawNothingAndDoNotFail) {
  EXPECT_EQ(Evaluate("GrPoint(-5, -5, 255)"), "-1");
  EXPECT_EQ(Evaluate("GrPoint(100000, 3, 255)"), "-1");
  EXPECT_EQ(Evaluate("Do(GrPoint(-50, -50), GrLine(5000, 5000, 255))"), "Yes");
  // The part of the line inside the window is drawn.
  EXPECT_EQ(Form->GraphLayer().Pixel(10, 10), 255);
}

TEST_F(TGraphTest, AnUntouchedPointReadsTheWindowsOwnPixel) {
  int32_t colour = Form->GraphLayer().Pixel(2, Form->height() - 2);
  EXPECT_NE(colour, workbench::kInvalidColour);
  EXPECT_EQ(colour & ~0xFFFFFF, 0);
}

}  // namespace
