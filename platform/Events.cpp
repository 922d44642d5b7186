// The per-object tables of published event handlers and their dispatch from Qt signals.
#include "platform/Events.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>
#include <unordered_map>
#include <utility>

#include "platform/Dialogs.h"
#include "runtime/Exception.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

constexpr const char* kOnClick = "OnClick";
constexpr const char* kOnChange = "OnChange";
constexpr const char* kOnExecute = "OnExecute";

struct TEventTable {
  std::vector<std::pair<std::string, TNotifyEvent>> Handlers;
};

// Kept for the whole process: an object destroyed during the exit still finds the map.
std::unordered_map<QObject*, TEventTable>& Tables() {
  static auto* tables = new std::unordered_map<QObject*, TEventTable>;
  return *tables;
}

bool IsTextEditor(const QObject* object) {
  return qobject_cast<const QLineEdit*>(object) || qobject_cast<const QPlainTextEdit*>(object) ||
         qobject_cast<const QTextEdit*>(object) || qobject_cast<const QComboBox*>(object);
}

// A signal's dispatch: an error of the handler must not cross Qt's signal code, so it is
// reported the way the application reports errors.
void DispatchSignal(QObject* object, const char* event) {
  try {
    DispatchEvent(object, event);
  } catch (const Exception& error) {
    ShowError(error.Message);
  } catch (const std::exception& error) {
    ShowError(error.what());
  }
}

// Connects the object's own signals to the dispatcher; the connections end with the object.
void ConnectSignals(QObject* object) {
  if (auto* button = qobject_cast<QAbstractButton*>(object))
    QObject::connect(button, &QAbstractButton::clicked, button,
                     [button] { DispatchSignal(button, kOnClick); });
  // A menu's click is its opening, as a menu item's click opens its submenu.
  if (auto* menu = qobject_cast<QMenu*>(object))
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] { DispatchSignal(menu, kOnClick); });
  if (auto* action = qobject_cast<QAction*>(object))
    QObject::connect(action, &QAction::triggered, action,
                     [action] { DispatchSignal(action, kOnExecute); });
  if (auto* edit = qobject_cast<QLineEdit*>(object))
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { DispatchSignal(edit, kOnChange); });
  if (auto* edit = qobject_cast<QPlainTextEdit*>(object))
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
                     [edit] { DispatchSignal(edit, kOnChange); });
  if (auto* edit = qobject_cast<QTextEdit*>(object))
    QObject::connect(edit, &QTextEdit::textChanged, edit, [edit] { DispatchSignal(edit, kOnChange); });
  if (auto* combo = qobject_cast<QComboBox*>(object))
    QObject::connect(combo, &QComboBox::currentTextChanged, combo,
                     [combo] { DispatchSignal(combo, kOnChange); });
  QObject::connect(object, &QObject::destroyed, [object] { Tables().erase(object); });
}

TEventTable& TableOf(QObject* object) {
  auto found = Tables().find(object);
  if (found != Tables().end()) return found->second;
  TEventTable& table = Tables()[object];
  ConnectSignals(object);
  return table;
}

}  // namespace

int64_t TNotifyEvent::Identity() const {
  if (!Assigned()) return 0;
  return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(Data)) << 32) |
                              static_cast<uint32_t>(Code));
}

int32_t EventOperationCode(std::string_view operation) {
  static auto* codes = new std::unordered_map<std::string, int32_t>;
  auto found = codes->find(std::string(operation));
  if (found != codes->end()) return found->second;
  int32_t code = static_cast<int32_t>(codes->size()) + 1;
  codes->emplace(std::string(operation), code);
  return code;
}

int32_t NewEventData() {
  static int32_t last = 0;
  return ++last;
}

TNotifyEvent MakeNotifyEvent(std::string_view operation, std::function<void(QObject*)> call) {
  return TNotifyEvent{EventOperationCode(operation), NewEventData(), std::move(call)};
}

std::vector<std::string> PublishedEvents(const QObject* object) {
  std::vector<std::string> names;
  if (!object) return names;
  if (object->isWidgetType()) names.emplace_back(kOnClick);
  if (qobject_cast<const QAction*>(object)) names.emplace_back(kOnExecute);
  if (IsTextEditor(object)) names.emplace_back(kOnChange);
  return names;
}

std::string PublishedEventName(const QObject* object, std::string_view event) {
  for (std::string& name : PublishedEvents(object))
    if (SameText(name, event)) return name;
  return {};
}

TNotifyEvent GetEventHandler(QObject* object, std::string_view event) {
  std::string name = PublishedEventName(object, event);
  if (name.empty()) return {};
  auto found = Tables().find(object);
  if (found == Tables().end()) return {};
  for (auto& [key, handler] : found->second.Handlers)
    if (key == name) return handler;
  return {};
}

bool SetEventHandler(QObject* object, std::string_view event, TNotifyEvent handler) {
  std::string name = PublishedEventName(object, event);
  if (name.empty()) return false;
  auto& handlers = TableOf(object).Handlers;
  for (auto& [key, installed] : handlers)
    if (key == name) {
      installed = std::move(handler);
      return true;
    }
  handlers.emplace_back(name, std::move(handler));
  return true;
}

bool DispatchEvent(QObject* object, std::string_view event) {
  TNotifyEvent handler = GetEventHandler(object, event);
  if (!handler.Assigned()) return false;
  handler.Call(object);
  return true;
}

TNotifyEvent FindEventHandler(int64_t identity) {
  if (identity == 0) return {};
  for (auto& [object, table] : Tables())
    for (auto& [name, handler] : table.Handlers)
      if (handler.Identity() == identity) return handler;
  return {};
}

}  // namespace qnexp
