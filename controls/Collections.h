// The lists that property paths index into, as objects with handles: the items of item widgets
// (a collection of item objects with "Text" and "Checked"), a widget's actions (a plain list of
// QAction objects) and string lists (the lines of a text editor, a QStringList property).
// Each list object is a child of the widget it stands for and is made once per widget and
// list; an item object lives as long as its row. User-interface thread only.
#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <string>

class QAbstractItemModel;
class QAction;
class QWidget;

namespace qnexp {

// What a list object is, in the terms property paths use.
enum TListKind : uint8_t {
  lkCollection,  // items made on demand: index = count appends one; "Clear" empties
  lkList,        // entries that are objects of their own, replaced and appended by handle
  lkStrings,     // strings: index = count appends one
};

// The common face of the three kinds.
class TQnListObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(int Count READ Count)
public:
  using QObject::QObject;
  virtual TListKind Kind() const = 0;
  virtual int Count() const = 0;
  // Empties the list.
  virtual void Clear() = 0;
};

// A row of an item widget's model, column 0.
class TQnItemObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
public:
  TQnItemObject(QObject* parent, const QPersistentModelIndex& index);
  QString Text() const;
  void SetText(const QString& text);
  bool Checked() const;
  void SetChecked(bool checked);
  const QPersistentModelIndex& Index() const { return Row; }

private:
  QPersistentModelIndex Row;
};

// The items of a QComboBox, QListWidget or QTreeWidget (its top level).
class TQnItemsObject : public TQnListObject {
  Q_OBJECT
public:
  TQnItemsObject(QWidget* widget, QAbstractItemModel* model);
  TListKind Kind() const override { return lkCollection; }
  int Count() const override;
  void Clear() override;
  // The item object of row index, or null outside 0..Count-1.
  TQnItemObject* Item(int index);
  // Appends an empty row and returns its item object.
  TQnItemObject* Add();

private:
  QPointer<QAbstractItemModel> Model;
};

// The actions of a widget or a menu.
class TQnActionsObject : public TQnListObject {
  Q_OBJECT
public:
  explicit TQnActionsObject(QWidget* widget);
  TListKind Kind() const override { return lkList; }
  int Count() const override;
  // Removes every action from the widget; the actions themselves stay.
  void Clear() override;
  QAction* Item(int index) const;
  // Puts action in place of entry index (removing the action there, and freeing it when the
  // widget owns it), or appends it when index is not below the count.
  void Put(int index, QAction* action);

private:
  QWidget* Widget;
};

// A string list over a text editor's lines or a QStringList property of an object.
class TQnStringsObject : public TQnListObject {
  Q_OBJECT
  Q_PROPERTY(QString Text READ Text WRITE SetText)
public:
  // property is empty for the lines of a text editor.
  TQnStringsObject(QObject* owner, const QByteArray& property);
  TListKind Kind() const override { return lkStrings; }
  int Count() const override { return static_cast<int>(Strings().size()); }
  void Clear() override { SetStrings({}); }
  QString Get(int index) const { return Strings().value(index); }
  // Replaces string index, or appends when index is not below the count.
  void Put(int index, const QString& text);
  // The strings joined by line breaks, and the reverse.
  QString Text() const { return Strings().join(QLatin1Char('\n')); }
  void SetText(const QString& text);
  const QByteArray& Property() const { return Name; }

private:
  QStringList Strings() const;
  void SetStrings(const QStringList& strings);
  QByteArray Name;
};

// The list object behind a list-valued property of object (compared without regard to case):
// "Items" of item widgets, "Actions" of widgets, "Lines" of QPlainTextEdit and QTextEdit, and
// every QStringList property. Null when the object has no such list. Made on first use.
TQnListObject* ListProperty(QObject* object, const std::string& name);

}  // namespace qnexp
