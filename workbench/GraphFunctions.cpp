// The workbench's drawing functions.
#include "workbench/GraphFunctions.h"

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "runtime/Gbk.h"
#include "workbench/GraphLayer.h"

namespace qnexp::workbench {

TGraphLayer& TExp_Graph::GetCanvas() {
  TGraphLayer* layer = MainWindowGraphLayer();
  if (!layer) CalcError(Res("程序没有可以绘图的主窗口"));
  return *layer;
}

void TExp_GrPoint::Calculate() {
  int32_t x = Arg(0).GetInteger();
  int32_t y = Arg(1).GetInteger();
  TGraphLayer& canvas = GetCanvas();
  if (Given(2))
    canvas.SetPixel(x, y, Arg(2).GetInteger());
  else
    canvas.MoveTo(x, y);
  PutInteger(canvas.Pixel(x, y));
}

void TExp_GrLine::Calculate() {
  int32_t x = Arg(0).GetInteger();
  int32_t y = Arg(1).GetInteger();
  int32_t colour = Given(2) ? Arg(2).GetInteger() : 0;
  GetCanvas().LineTo(x, y, colour);
  PutInteger(colour);
}

void RegisterGraphFunctions() {
  TFunctionList& registry = *ExpTranslator->Functions;
  if (registry.GetFuncClass("GrPoint")) return;
  registry.RegisterFunctions({&TExp_GrPoint::StaticClass(), &TExp_GrLine::StaticClass()});
}

}  // namespace qnexp::workbench
