// Forms and components on Qt: components are QObjects named by their objectName, forms are the
// application's top-level windows in the order they were created, and objects travel as
// handles of kind hkComponent that resolve to none once the object is destroyed.
// User-interface thread only; without a Qt application there are no forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QObject;
class QWidget;

namespace qnexp {

// The handle of a component (0 for null). The handle is released when the object is
// destroyed, so it never designates a dead object.
int32_t ComponentHandle(QObject* object);
// The live component a handle designates, or null (0, a stale handle, another kind).
QObject* ComponentOfHandle(int32_t handle);

// Records the order in which forms are created from the moment the Qt application object is
// made (at once when it exists already). The base library's load step calls it.
void TrackForms();

// True for a top-level window of the kinds a program shows as its forms (windows, dialogs,
// tool windows); false for popups, tooltips and child widgets.
bool IsForm(const QObject* object);
// The forms of the application, in the order they were created (windows that became
// top-level later come after them).
std::vector<QWidget*> Forms();
// The active window when it is a form, else null.
QWidget* ActiveForm();
// The first form that is a QMainWindow, else null.
QWidget* MainForm();

// The form component look-ups start from, set by SetProcessForm; null until then. A destroyed
// process form is forgotten.
QWidget* ProcessForm();
void SetProcessForm(QWidget* form);

// The process form if one is set, else the active form, else the main form, else the
// application object (null without one).
QObject* DefOwner();

// With a non-empty name (GBK), the component of that name (compared without regard to case)
// owned by DefOwner: a direct child when there is one, else the nearest descendant found
// breadth first, not looking inside other forms (when DefOwner is the application object, its
// forms come first); null when none. With an empty name,
// DefOwner itself.
QObject* GetComponent(const std::string& name);

// The object's name as GBK text (characters without a GBK form read as "?").
std::string ComponentName(const QObject* object);

}  // namespace qnexp
