// The workbench's drawing functions, on the main window's drawing surface:
//   GrPoint(x, y [, colour]): with a colour sets the pixel, without one moves the pen there;
//     the result is the colour shown at the point afterwards (-1 outside the window).
//   GrLine(x, y [, colour]): a line from the pen to the point in the colour (0, black, when
//     absent); the result is the colour.
// Coordinates are the window's client pixels, colours 0x00BBGGRR.
#pragma once

#include "core/Function.h"

namespace qnexp::workbench {

class TGraphLayer;

// Two or three arguments; the drawing surface of the program's main window.
class TExp_Graph : public TP2Function {
  QN_CLASS(TExp_Graph, TP2Function)
public:
  TExp_Graph() { OptionalCount = 1; }

protected:
  // Raises a calculation error when the program has no main window to draw on.
  TGraphLayer& GetCanvas();
};

class TExp_GrPoint : public TExp_Graph {
  QN_CLASS(TExp_GrPoint, TExp_Graph)
public:
  void Calculate() override;
};

class TExp_GrLine : public TExp_Graph {
  QN_CLASS(TExp_GrLine, TExp_Graph)
public:
  void Calculate() override;
};

// Registers GrPoint and GrLine with the translator (once; they are never removed).
void RegisterGraphFunctions();

}  // namespace qnexp::workbench
