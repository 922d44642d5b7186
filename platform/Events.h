// The published events of Qt objects. Qt has no event properties, so each object that publishes
// events gets a small table of named handlers ("OnClick", "OnChange", "OnExecute"); the
// object's own signal is connected once to a dispatcher that calls the handler in the table.
// Hosts, the expression component and the component hooker set and swap handlers here, and a
// handler's identity is what an event property reads as. Handlers installed with a plain
// connect keep working but cannot be read, swapped or hooked. An error a handler raises while
// a signal dispatches it is reported with ShowError (platform/Dialogs.h); it never crosses Qt's
// signal code. User-interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QObject;

namespace qnexp {

// An event handler: an operation (Code) bound to an object (Data). The pair is the handler's
// identity, read as one 64-bit integer with Code in the low 32 bits and Data in the high 32
// bits; the empty handler is 0. Two handlers of the same operation share their Code.
struct TNotifyEvent {
  int32_t Code = 0;
  int32_t Data = 0;
  std::function<void(QObject* sender)> Call;

  bool Assigned() const { return static_cast<bool>(Call); }
  int64_t Identity() const;
};

// The code of an operation, by its name ("TComponentHooker.Execute"): the same name always
// gives the same positive code.
int32_t EventOperationCode(std::string_view operation);
// A fresh positive number for the object a handler is bound to; never given out twice.
int32_t NewEventData();
// A handler of its own for a host's callable: the operation's code and a fresh Data.
TNotifyEvent MakeNotifyEvent(std::string_view operation, std::function<void(QObject*)> call);

// The names of the events object publishes: "OnClick" for every widget (buttons fire it when
// clicked, menus when they are about to show, other widgets when Click performs their click), "OnExecute" for actions (fired when
// triggered), "OnChange" for text editors, editable or not, and combo boxes (fired when their
// text changes). None for other objects or null.
std::vector<std::string> PublishedEvents(const QObject* object);

// The published name of event (compared without regard to case), or empty when object does not
// publish it.
std::string PublishedEventName(const QObject* object, std::string_view event);

// The handler installed for event on object; empty when none is installed or the object does
// not publish the event.
TNotifyEvent GetEventHandler(QObject* object, std::string_view event);

// Installs handler (the empty handler uninstalls). False when object is null or does not
// publish the event. The first handler connects the object's signal to the dispatcher; the
// table and the connection disappear with the object.
bool SetEventHandler(QObject* object, std::string_view event, TNotifyEvent handler);

// Calls the handler installed for event with object as the sender; false when none is
// installed. The handler may destroy object or replace itself: a copy is called.
bool DispatchEvent(QObject* object, std::string_view event);

// An installed handler with identity, found in any object's table; the empty handler when no
// installed handler has it.
TNotifyEvent FindEventHandler(int64_t identity);

}  // namespace qnexp
