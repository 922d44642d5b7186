// The component hooker: expressions that run before and after a component's own click or
// execute handler. Hooks are kept in one list and removed from its end, so several hooks on one
// component nest. A hooked component that is destroyed takes its hooks with it.
// User-interface thread only.
#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>

#include "core/Expression.h"
#include "platform/Events.h"

class QObject;

namespace qnexp {

// What a hooked component is: an action (QAction, its "OnExecute" handler), a control (any
// widget, its "OnClick" handler) or a menu item (QMenu, its "OnClick" handler, fired when the
// menu is about to show).
enum THookComponentType : uint8_t { hctAction, hctControl, hctMenuItem };

class TComponentHooker {
public:
  // A hooker for component, or null when component is null or of no hookable kind. It owns
  // the two expressions (either may be null) but is not installed yet.
  static std::shared_ptr<TComponentHooker> Create(QObject* component,
                                                  std::unique_ptr<TExpression> condition,
                                                  std::unique_ptr<TExpression> after);
  // Puts the saved handler back when the component's current handler is still a hooker's
  // Execute (compared by the operation, not by the hooker), and frees the expressions.
  ~TComponentHooker();
  TComponentHooker(const TComponentHooker&) = delete;
  TComponentHooker& operator=(const TComponentHooker&) = delete;

  // Evaluates the condition with the forcing stamp and stops when it is false; calls the saved
  // handler with sender; evaluates the after expression with the forcing stamp. Errors
  // propagate to the dispatcher.
  void Execute(QObject* sender);

  QObject* Component() const { return Hooked; }
  THookComponentType Kind() const { return Type; }

private:
  TComponentHooker() = default;
  const char* EventName() const;

  QPointer<QObject> Hooked;
  THookComponentType Type = hctControl;
  std::unique_ptr<TExpression> Condition;
  std::unique_ptr<TExpression> After;
  TNotifyEvent Saved;
  QMetaObject::Connection Watch;
  friend bool HookComponent(QObject* component, std::unique_ptr<TExpression>& condition,
                            std::unique_ptr<TExpression>& after);
};

// Hooks component: false when both expressions are null or no hooker can be made (and then the
// expressions stay with the caller); otherwise the hooker takes them, saves the component's
// handler, installs its Execute in its place and joins the hook list.
bool HookComponent(QObject* component, std::unique_ptr<TExpression>& condition,
                   std::unique_ptr<TExpression>& after);

// Frees the last hooker of component in the hook list; false when there is none.
bool UnHookComponent(QObject* component);

// The number of hooks in the list.
size_t HookCount();

// Frees every hooker (the base library's unload).
void ReleaseHooks();

}  // namespace qnexp
