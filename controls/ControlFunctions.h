// The control functions of the language: pick the form to work on, find components, read and
// write their properties by path, click controls, run actions, work through a grid's selected
// rows, play sounds, list the fonts a form lacks and hook components' handlers. Components
// travel as handles (0 for none). Names are GBK. User-interface thread only.
#pragma once

#include <span>

#include "core/Function.h"
#include "functions/Conversion.h"
#include "functions/Flow.h"
#include "runtime/Object.h"

namespace qnexp {

// SetProcessForm(form): form is a handle (an integer) or the name of a form (the first among
// the forms in creation order, any case). A form found becomes the process form; the result
// says whether one was found. Errors leave the process form as it was and give false.
class TExp_SetProcessForm : public TFunction {
  QN_CLASS(TExp_SetProcessForm, TFunction)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// SetCompValue(component, path, value): TrySetPropValue of the value's text on the component
// (a name, or a handle where 0 is DefOwner); false when the component is missing or on any
// error. Refused in the sandbox.
class TExp_SetCompValue : public TP3Function {
  QN_CLASS(TExp_SetCompValue, TP3Function)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// GetCompValue(component, path): TryGetPropValue of the path, typed by the value read
// (etAny until then); the empty text when the component is missing or on any error.
class TExp_GetCompValue : public TP2Function {
  QN_CLASS(TExp_GetCompValue, TP2Function)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// GetCtrl(name): the handle of GetComponent(name); 0 when none.
class TExp_GetCtrl : public TExp_ToInt {
  QN_CLASS(TExp_GetCtrl, TExp_ToInt)
public:
  void Calculate() override;
};

// DBGridSelectedRowCount(grid): 0 when the grid is not found; with multiple selection the
// number of selected rows, else 1 when the grid's dataset is not empty, else 0. A component
// that is not a QTableView over a TDataSetModel raises EInvalidCast "Invalid class typecast".
class TDBGridSelectedRowCount : public TExp_ToInt {
  QN_CLASS(TDBGridSelectedRowCount, TExp_ToInt)
public:
  void Calculate() override;
};

// DBGridGotoSelectedRow(grid, index): false when the grid is not found. Without multiple
// selection, whether the dataset is not empty. With it, an index below the number of selected
// rows moves the dataset to that row (in the order of the rows) and gives true, a larger one
// gives false; a negative one raises EListError. A component that is no grid raises as above.
class TDBGridGotoSelectedRow : public TP2Function {
  QN_CLASS(TDBGridGotoSelectedRow, TP2Function)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// DBGridEachSelectedRows(grid, body): the body is no argument but runs once per selected row
// (after moving there, with the forcing stamp), stopping with false when it is boolean and
// false; without multiple selection it runs once when the dataset is not empty. False when the
// grid is not found, else true. A component that is no grid raises as above.
class TDBGridEachSelectedRows : public TDBGridGotoSelectedRow {
  QN_CLASS(TDBGridEachSelectedRows, TDBGridGotoSelectedRow)
public:
  // Evaluates the grid argument only.
  void Evaluate(int32_t stamp) override;
  void Calculate() override;
};

// DoAction(action): triggers the named QAction when it is enabled and gives true; false when
// it is disabled or the name designates no action. Refused in the sandbox.
class TExp_DoAction : public TFunction {
  QN_CLASS(TExp_DoAction, TFunction)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// Click(component): clicks a button, triggers an action, and runs the "OnClick" handler of any
// other widget; true in every case. Refused in the sandbox.
class TExp_Click : public TExp_DoAction {
  QN_CLASS(TExp_Click, TExp_DoAction)
public:
  void Calculate() override;
};

// PlaySound(sound [, loop]): a text is a system event label or a sound file (directory
// specifiers expanded; ".Default" when empty) played by a temporary sound; an integer is the
// handle of a sound object. loop sets the sound's loop flag. A looping sound whose Tag marks it
// as playing is stopped and its Tag cleared; otherwise it plays, and a looping one gets Tag 1.
// A temporary sound plays on after the call until it ends or the next temporary sound starts.
// Errors are swallowed; the result is true.
class TExp_PlaySound : public TExp_Do {
  QN_CLASS(TExp_PlaySound, TExp_Do)
public:
  TExp_PlaySound() {
    FixedCount = 1;
    OptionalCount = 1;
  }
  void Calculate() override;
};

// FontsWanting(form): the distinct font families of the form and its child widgets (depth
// first) that QFontDatabase does not know, each in double quotes, separated by ";"; empty when
// none or when there is no such form.
class TExp_FontsWanting : public TExp_SetProcessForm {
  QN_CLASS(TExp_FontsWanting, TExp_SetProcessForm)
public:
  bool TransOverOK() override;
  void Calculate() override;
};

// Hook(component [, condition [, after]]): the condition and after expressions are no
// arguments: the first evaluation that holds either hands them to HookComponent (they are
// freed when it fails); an evaluation that holds neither unhooks the component's last hook. The
// result is the outcome of that step; false when the component is missing. Refused in the
// sandbox.
class TExp_Hook : public TExp_DoAction {
  QN_CLASS(TExp_Hook, TExp_DoAction)
public:
  TExp_Hook() { OptionalCount = 2; }
  // Evaluates the component argument only.
  void Evaluate(int32_t stamp) override;
  void Calculate() override;
};

// The twelve functions in the language's order, for the registry and the persistent-class
// registry.
std::span<const TClassInfo* const> ControlClasses();

}  // namespace qnexp
