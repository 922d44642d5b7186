// List objects over item widgets, widget actions and string lists.
#include "controls/Collections.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTreeWidget>

#include "platform/QtText.h"

namespace qnexp {

namespace {

// The lines of a text: none for the empty text; a final line break ends the last line rather
// than starting another.
QStringList LinesOf(const QString& text) {
  if (text.isEmpty()) return {};
  QStringList lines = text.split(QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) lines.removeLast();
  return lines;
}

QAbstractItemModel* ItemModelOf(QObject* object) {
  if (auto* combo = qobject_cast<QComboBox*>(object)) return combo->model();
  if (auto* list = qobject_cast<QListWidget*>(object)) return list->model();
  if (auto* tree = qobject_cast<QTreeWidget*>(object)) return tree->model();
  return nullptr;
}

// The meta-object property of object named name (any case), or an invalid one.
QMetaProperty StringListProperty(QObject* object, const std::string& name) {
  const QMetaObject* meta = object->metaObject();
  QString wanted = ToQString(name);
  for (int i = 0; i < meta->propertyCount(); ++i) {
    QMetaProperty property = meta->property(i);
    if (QString::fromLatin1(property.name()).compare(wanted, Qt::CaseInsensitive) == 0)
      return property.metaType().id() == QMetaType::QStringList ? property : QMetaProperty();
  }
  return {};
}

template <class T, class Match>
T* ChildList(QObject* object, Match match) {
  for (QObject* child : object->children())
    if (auto* list = qobject_cast<T*>(child); list && match(*list)) return list;
  return nullptr;
}

}  // namespace

// --- Items ----------------------------------------------------------------------------------

TQnItemObject::TQnItemObject(QObject* parent, const QPersistentModelIndex& index)
    : QObject(parent), Row(index) {}

QString TQnItemObject::Text() const { return Row.data(Qt::DisplayRole).toString(); }

void TQnItemObject::SetText(const QString& text) {
  if (Row.isValid())
    const_cast<QAbstractItemModel*>(Row.model())->setData(Row, text, Qt::EditRole);
}

bool TQnItemObject::Checked() const {
  return Row.data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void TQnItemObject::SetChecked(bool checked) {
  if (Row.isValid())
    const_cast<QAbstractItemModel*>(Row.model())
        ->setData(Row, checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

TQnItemsObject::TQnItemsObject(QWidget* widget, QAbstractItemModel* model)
    : TQnListObject(widget), Model(model) {}

int TQnItemsObject::Count() const { return Model ? Model->rowCount() : 0; }

void TQnItemsObject::Clear() {
  if (Model && Model->rowCount() > 0) Model->removeRows(0, Model->rowCount());
}

TQnItemObject* TQnItemsObject::Item(int index) {
  if (!Model || index < 0 || index >= Model->rowCount()) return nullptr;
  QModelIndex row = Model->index(index, 0);
  // Item objects of removed rows go; the one of this row is reused.
  TQnItemObject* found = nullptr;
  const QObjectList items = children();  // a copy: stale items are deleted on the way
  for (QObject* child : items) {
    auto* item = qobject_cast<TQnItemObject*>(child);
    if (!item) continue;
    if (!item->Index().isValid())
      delete item;
    else if (item->Index() == row)
      found = item;
  }
  return found ? found : new TQnItemObject(this, QPersistentModelIndex(row));
}

TQnItemObject* TQnItemsObject::Add() {
  if (!Model) return nullptr;
  int count = Model->rowCount();
  if (!Model->insertRows(count, 1)) return nullptr;
  return Item(count);
}

// --- Actions --------------------------------------------------------------------------------

TQnActionsObject::TQnActionsObject(QWidget* widget) : TQnListObject(widget), Widget(widget) {}

int TQnActionsObject::Count() const { return static_cast<int>(Widget->actions().size()); }

void TQnActionsObject::Clear() {
  for (QAction* action : Widget->actions()) Widget->removeAction(action);
}

QAction* TQnActionsObject::Item(int index) const { return Widget->actions().value(index); }

void TQnActionsObject::Put(int index, QAction* action) {
  QAction* old = Item(index);
  if (!old) {
    Widget->addAction(action);
    return;
  }
  if (old == action) return;
  Widget->insertAction(old, action);
  Widget->removeAction(old);
  if (old->parent() == Widget) delete old;
}

// --- Strings --------------------------------------------------------------------------------

TQnStringsObject::TQnStringsObject(QObject* owner, const QByteArray& property)
    : TQnListObject(owner), Name(property) {}

QStringList TQnStringsObject::Strings() const {
  QObject* owner = parent();
  if (Name.isEmpty()) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(owner)) return LinesOf(edit->toPlainText());
    if (auto* edit = qobject_cast<QTextEdit*>(owner)) return LinesOf(edit->toPlainText());
    return {};
  }
  return owner->property(Name.constData()).toStringList();
}

void TQnStringsObject::SetStrings(const QStringList& strings) {
  QObject* owner = parent();
  if (Name.isEmpty()) {
    QString text = strings.join(QLatin1Char('\n'));
    if (auto* edit = qobject_cast<QPlainTextEdit*>(owner)) edit->setPlainText(text);
    if (auto* edit = qobject_cast<QTextEdit*>(owner)) edit->setPlainText(text);
    return;
  }
  owner->setProperty(Name.constData(), strings);
}

void TQnStringsObject::Put(int index, const QString& text) {
  QStringList strings = Strings();
  if (index >= 0 && index < strings.size())
    strings[index] = text;
  else
    strings.append(text);
  SetStrings(strings);
}

void TQnStringsObject::SetText(const QString& text) { SetStrings(LinesOf(text)); }

// --- Look-up --------------------------------------------------------------------------------

TQnListObject* ListProperty(QObject* object, const std::string& name) {
  if (!object) return nullptr;
  QString wanted = ToQString(name);
  auto is = [&wanted](const char* listName) {
    return wanted.compare(QLatin1String(listName), Qt::CaseInsensitive) == 0;
  };
  if (is("Items"))
    if (QAbstractItemModel* model = ItemModelOf(object)) {
      if (auto* list = ChildList<TQnItemsObject>(object, [](auto&) { return true; })) return list;
      return new TQnItemsObject(static_cast<QWidget*>(object), model);
    }
  if (is("Actions") && object->isWidgetType()) {
    if (auto* list = ChildList<TQnActionsObject>(object, [](auto&) { return true; })) return list;
    return new TQnActionsObject(static_cast<QWidget*>(object));
  }
  QByteArray property;
  if (is("Lines") && (qobject_cast<QPlainTextEdit*>(object) || qobject_cast<QTextEdit*>(object))) {
    // The editor's lines: an empty property name.
  } else if (QMetaProperty found = StringListProperty(object, name); found.isValid()) {
    property = found.name();
  } else {
    return nullptr;
  }
  auto same = [&property](TQnStringsObject& list) { return list.Property() == property; };
  if (auto* list = ChildList<TQnStringsObject>(object, same)) return list;
  return new TQnStringsObject(object, property);
}

}  // namespace qnexp
