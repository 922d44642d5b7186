// Forms in creation order, the process form, the default owner and component look-up by name.
#include "platform/Forms.h"

#include <QApplication>
#include <QMainWindow>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <deque>

#include "platform/QtText.h"
#include "runtime/Handles.h"

namespace qnexp {

namespace {

// Qt keeps its top-level widgets in a set without order, so the order of creation is recorded
// as windows are created: an event filter on the application sees every widget's creation.
class TFormTracker : public QObject {
public:
  explicit TFormTracker(QObject* parent) : QObject(parent) {}
  std::vector<QPointer<QWidget>> Created;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Create && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow()) {
      std::erase_if(Created, [](const QPointer<QWidget>& form) { return form.isNull(); });
      Created.emplace_back(static_cast<QWidget*>(watched));
    }
    return false;
  }
};

QPointer<TFormTracker>& Tracker() {
  static QPointer<TFormTracker> tracker;
  return tracker;
}

void StartFormTracking() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || Tracker()) return;
  Tracker() = new TFormTracker(app);
  app->installEventFilter(Tracker());
}

QPointer<QWidget>& ProcessFormSlot() {
  static QPointer<QWidget> form;
  return form;
}

// Forgets handles of destroyed components; one receiver, connected once per component.
class THandleWatcher : public QObject {
public:
  void Forget(QObject* object) { ReleaseHandle(object); }
};

THandleWatcher& Watcher() {
  // Lives for the whole process: components may be destroyed during the exit.
  static auto* watcher = new THandleWatcher;
  return *watcher;
}

bool SameName(const QObject* object, const QString& name) {
  return object->objectName().compare(name, Qt::CaseInsensitive) == 0;
}

}  // namespace

void TrackForms() { qAddPreRoutine(StartFormTracking); }

int32_t ComponentHandle(QObject* object) {
  if (!object) return 0;
  QObject::connect(object, &QObject::destroyed, &Watcher(), &THandleWatcher::Forget,
                   Qt::UniqueConnection);
  return HandleOf(object, hkComponent);
}

QObject* ComponentOfHandle(int32_t handle) {
  return ObjectOfHandleAs<QObject>(handle, hkComponent);
}

bool IsForm(const QObject* object) {
  if (!object || !object->isWidgetType()) return false;
  auto* widget = static_cast<const QWidget*>(object);
  if (!widget->isWindow()) return false;
  switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool:
      return true;
    default:
      return false;
  }
}

std::vector<QWidget*> Forms() {
  std::vector<QWidget*> forms;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return forms;
  StartFormTracking();
  for (const QPointer<QWidget>& form : Tracker()->Created)
    if (form && IsForm(form)) forms.push_back(form);
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (IsForm(widget) && std::find(forms.begin(), forms.end(), widget) == forms.end())
      forms.push_back(widget);
  return forms;
}

QWidget* ActiveForm() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
  QWidget* active = QApplication::activeWindow();
  return IsForm(active) ? active : nullptr;
}

QWidget* MainForm() {
  for (QWidget* form : Forms())
    if (qobject_cast<QMainWindow*>(form)) return form;
  return nullptr;
}

QWidget* ProcessForm() { return ProcessFormSlot(); }

void SetProcessForm(QWidget* form) { ProcessFormSlot() = form; }

QObject* DefOwner() {
  if (QWidget* form = ProcessForm()) return form;
  if (QWidget* form = ActiveForm()) return form;
  if (QWidget* form = MainForm()) return form;
  return QCoreApplication::instance();
}

QObject* GetComponent(const std::string& name) {
  QObject* owner = DefOwner();
  if (name.empty() || !owner) return owner;
  QString wanted = ToQString(name);
  // The application object owns the forms.
  if (owner == QCoreApplication::instance())
    for (QWidget* form : Forms())
      if (SameName(form, wanted)) return form;
  // Qt's parent is the visual parent: what a form holds sits inside its central widget and
  // layouts, so direct children come first, then the descendants level by level. Other forms
  // (dialogs parented to this one) keep their components to themselves.
  std::deque<QObject*> level(owner->children().begin(), owner->children().end());
  while (!level.empty()) {
    std::deque<QObject*> next;
    for (QObject* child : level) {
      if (IsForm(child)) continue;
      if (SameName(child, wanted)) return child;
      next.insert(next.end(), child->children().begin(), child->children().end());
    }
    level.swap(next);
  }
  return nullptr;
}

std::string ComponentName(const QObject* object) {
  return object ? FromQString(object->objectName()) : std::string();
}

}  // namespace qnexp
