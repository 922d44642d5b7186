// The component hooker and the hook list.
#include "controls/ComponentHooker.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <vector>

namespace qnexp {

namespace {

constexpr const char* kHookOperation = "TComponentHooker.Execute";

using THookList = std::vector<std::shared_ptr<TComponentHooker>>;

// Made on first use; the unload empties it.
THookList& Hooks() {
  static auto* hooks = new THookList;
  return *hooks;
}

// Drops every hook of a component that is being destroyed; its handler table goes with it, so
// nothing is put back.
void DropHooksOf(QObject* component) {
  THookList dropped;
  THookList& hooks = Hooks();
  for (auto it = hooks.begin(); it != hooks.end();) {
    if ((*it)->Component() == component || !(*it)->Component()) {
      dropped.push_back(std::move(*it));
      it = hooks.erase(it);
    } else {
      ++it;
    }
  }
}

// The kind of a hookable component; false for others and null.
bool KindOf(const QObject* component, THookComponentType& type) {
  if (qobject_cast<const QAction*>(component))
    type = hctAction;
  else if (qobject_cast<const QMenu*>(component))
    type = hctMenuItem;
  else if (component && component->isWidgetType())
    type = hctControl;
  else
    return false;
  return true;
}

}  // namespace

std::shared_ptr<TComponentHooker> TComponentHooker::Create(QObject* component,
                                                           std::unique_ptr<TExpression> condition,
                                                           std::unique_ptr<TExpression> after) {
  THookComponentType type;
  if (!KindOf(component, type)) return nullptr;
  std::shared_ptr<TComponentHooker> hooker(new TComponentHooker);
  hooker->Hooked = component;
  hooker->Type = type;
  hooker->Condition = std::move(condition);
  hooker->After = std::move(after);
  return hooker;
}

TComponentHooker::~TComponentHooker() {
  QObject::disconnect(Watch);
  if (Hooked && GetEventHandler(Hooked, EventName()).Code == EventOperationCode(kHookOperation))
    SetEventHandler(Hooked, EventName(), Saved);
}

const char* TComponentHooker::EventName() const {
  return Type == hctAction ? "OnExecute" : "OnClick";
}

void TComponentHooker::Execute(QObject* sender) {
  if (Condition) {
    Condition->Evaluate(kForceStamp);
    if (!Condition->GetBoolean()) return;
  }
  if (Saved.Assigned()) {
    TNotifyEvent saved = Saved;  // the handler may unhook this hooker
    saved.Call(sender);
  }
  if (After) After->Evaluate(kForceStamp);
}

bool HookComponent(QObject* component, std::unique_ptr<TExpression>& condition,
                   std::unique_ptr<TExpression>& after) {
  THookComponentType type;
  if ((!condition && !after) || !KindOf(component, type)) return false;
  std::shared_ptr<TComponentHooker> hooker =
      TComponentHooker::Create(component, std::move(condition), std::move(after));
  if (!hooker) return false;
  hooker->Saved = GetEventHandler(component, hooker->EventName());
  // The dispatcher holds the hooker only weakly: a hooker freed meanwhile does nothing, and
  // one that runs stays alive until its Execute returns.
  std::weak_ptr<TComponentHooker> weak = hooker;
  TNotifyEvent own{EventOperationCode(kHookOperation), NewEventData(), [weak](QObject* sender) {
                     if (std::shared_ptr<TComponentHooker> alive = weak.lock())
                       alive->Execute(sender);
                   }};
  SetEventHandler(component, hooker->EventName(), std::move(own));
  hooker->Watch = QObject::connect(component, &QObject::destroyed,
                                   [component] { DropHooksOf(component); });
  Hooks().push_back(std::move(hooker));
  return true;
}

bool UnHookComponent(QObject* component) {
  if (!component) return false;
  THookList& hooks = Hooks();
  for (size_t i = hooks.size(); i-- > 0;) {
    if (hooks[i]->Component() != component) continue;
    std::shared_ptr<TComponentHooker> hooker = std::move(hooks[i]);
    hooks.erase(hooks.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  return false;
}

size_t HookCount() { return Hooks().size(); }

void ReleaseHooks() {
  THookList released;
  released.swap(Hooks());
  // From the last to the first, so that every component gets back the handler it had first.
  while (!released.empty()) released.pop_back();
}

}  // namespace qnexp
