// Reading and writing property paths over Qt's meta-object properties.
#include "controls/PropPaths.h"

#include <QAction>
#include <QColor>
#include <QDateTime>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QObject>
#include <QRegularExpression>
#include <charconv>
#include <optional>

#include "controls/Collections.h"
#include "platform/Events.h"
#include "platform/Forms.h"
#include "platform/QtText.h"
#include "runtime/DateTime.h"
#include "runtime/Exception.h"
#include "runtime/GbkChars.h"
#include "support/BoolWords.h"
#include "support/StrFuncs.h"

namespace qnexp {

namespace {

// A path that cannot be followed; caught at the two entry points.
struct TPathFailure {};

[[noreturn]] void Fail() { throw TPathFailure{}; }

// "Name[Index].Rest", split at the first ".".
struct TPathStep {
  std::string Name;
  int Index = -1;  // -1: no index
  std::string Rest;
};

TPathStep ParseStep(const std::string& path) {
  TPathStep step;
  size_t dot = path.find('.');
  std::string head = path.substr(0, dot);
  if (dot != std::string::npos) step.Rest = path.substr(dot + 1);
  size_t bracket = head.find('[');
  if (bracket == std::string::npos) {
    step.Name = head;
    return step;
  }
  // An index must be a whole non-negative decimal number closed by "]" at the end.
  if (head.back() != ']') Fail();
  step.Name = head.substr(0, bracket);
  std::string digits = TrimBoth(head.substr(bracket + 1, head.size() - bracket - 2));
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), step.Index);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      step.Index < 0)
    Fail();
  return step;
}

bool Same(const char* qtName, const std::string& name) {
  return QString::fromLatin1(qtName).compare(ToQString(name), Qt::CaseInsensitive) == 0;
}

// The meta-object property of object named name, or an invalid one.
QMetaProperty FindProperty(const QObject* object, const std::string& name) {
  const QMetaObject* meta = object->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i)
    if (Same(meta->property(i).name(), name)) return meta->property(i);
  return {};
}

// The dynamic property of object named name, or an empty name.
QByteArray FindDynamicProperty(const QObject* object, const std::string& name) {
  for (const QByteArray& dynamic : object->dynamicPropertyNames())
    if (Same(dynamic.constData(), name)) return dynamic;
  return {};
}

bool HoldsObject(QMetaType type) { return type.flags().testFlag(QMetaType::PointerToQObject); }

// The integer behind an enumeration or flags value, whatever its storage size.
int64_t EnumValue(const QVariant& value) {
  QMetaType type = value.metaType();
  if (type.flags().testFlag(QMetaType::IsEnumeration)) {
    const void* data = value.constData();
    switch (type.sizeOf()) {
      case 1: return *static_cast<const int8_t*>(data);
      case 2: return *static_cast<const int16_t*>(data);
      case 8: return *static_cast<const int64_t*>(data);
      default: return *static_cast<const int32_t*>(data);
    }
  }
  bool ok = false;
  int64_t number = value.toLongLong(&ok);
  if (!ok) Fail();
  return number;
}

// A value of the property's type holding number, for enumerations and flags.
QVariant EnumVariant(QMetaType type, int64_t number) {
  QVariant value(type);
  void* data = value.data();
  switch (type.sizeOf()) {
    case 1: *static_cast<int8_t*>(data) = static_cast<int8_t>(number); break;
    case 2: *static_cast<int16_t*>(data) = static_cast<int16_t>(number); break;
    case 8: *static_cast<int64_t*>(data) = number; break;
    default: *static_cast<int32_t*>(data) = static_cast<int32_t>(number); break;
  }
  return value;
}

double DateTimeOf(const QDate& date, const QTime& time) {
  double day = date.isValid() ? EncodeDate(date.year(), date.month(), date.day()) : 0;
  double clock = time.isValid() ? EncodeTime(time.hour(), time.minute(), time.second(), time.msec()) : 0;
  return day < 0 ? day - clock : day + clock;
}

int32_t ColorNumber(const QColor& color) {
  return color.red() | (color.green() << 8) | (color.blue() << 16);
}

// The variant of a plain Qt value.
TVariant VariantOf(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::Bool:
      return TVariant(value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
      return TVariant(static_cast<int32_t>(value.toInt()));
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      int64_t number = value.toLongLong();
      if (number >= INT32_MIN && number <= INT32_MAX) return TVariant(static_cast<int32_t>(number));
      return TVariant(number);
    }
    case QMetaType::Double:
    case QMetaType::Float:
      return TVariant(value.toDouble());
    case QMetaType::QByteArray: {
      QByteArray bytes = value.toByteArray();
      return TVariant(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    case QMetaType::QDate:
      return TVariant::FromDate(DateTimeOf(value.toDate(), QTime()));
    case QMetaType::QTime:
      return TVariant::FromDate(DateTimeOf(QDate(), value.toTime()));
    case QMetaType::QDateTime: {
      QDateTime moment = value.toDateTime();
      return TVariant::FromDate(DateTimeOf(moment.date(), moment.time()));
    }
    case QMetaType::QColor:
      return TVariant(ColorNumber(value.value<QColor>()));
    default:
      break;
  }
  if (value.canConvert<QString>()) return TVariant(FromQString(value.toString()));
  return TVariant(std::string());
}

// The text read as the given type; fails when the type cannot take it.
QVariant ValueOfText(const std::string& text, QMetaType type) {
  TVariant source(text);
  switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: {
      QVariant value(source.AsInteger());
      if (!value.convert(type)) Fail();
      return value;
    }
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      QVariant value(static_cast<qlonglong>(source.AsInt64()));
      if (!value.convert(type)) Fail();
      return value;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
      QVariant value(source.AsDouble());
      if (!value.convert(type)) Fail();
      return value;
    }
    case QMetaType::QString:
      return ToQString(text);
    case QMetaType::QByteArray:
      return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime: {
      double moment = StrToDateTime(text);
      int year, month, day, hour, minute, second, msec;
      DecodeDate(moment, year, month, day);
      DecodeTime(moment, hour, minute, second, msec);
      QDate date(year, month, day);
      QTime time(hour, minute, second, msec);
      if (type.id() == QMetaType::QDate) return date;
      if (type.id() == QMetaType::QTime) return time;
      return QDateTime(date, time);
    }
    case QMetaType::QColor: {
      QColor color = QColor::fromString(ToQString(text));
      if (!color.isValid()) {
        int32_t number = source.AsInteger();
        color = QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
      }
      return color;
    }
    default:
      break;
  }
  QVariant value(ToQString(text));
  if (!value.convert(type)) Fail();
  return value;
}

// The enumeration's value for a key (any case); fails for an unknown key.
int EnumKeyValue(const QMetaEnum& enumeration, const QString& key) {
  for (int i = 0; i < enumeration.keyCount(); ++i)
    if (QString::fromLatin1(enumeration.key(i)).compare(key, Qt::CaseInsensitive) == 0)
      return enumeration.value(i);
  Fail();
}

// Keys joined by "|" or "," (brackets around them allowed) as one flags value.
int FlagsValue(const QMetaEnum& enumeration, const std::string& text) {
  QString keys = ToQString(text).trimmed();
  if (keys.startsWith(QLatin1Char('[')) && keys.endsWith(QLatin1Char(']')))
    keys = keys.mid(1, keys.size() - 2);
  int value = 0;
  for (const QString& key : keys.split(QRegularExpression(QStringLiteral("[|,]")))) {
    if (key.trimmed().isEmpty()) continue;
    value |= EnumKeyValue(enumeration, key.trimmed());
  }
  return value;
}

// The boolean words of the support library stand for Qt's "True" and "False".
std::string EnumerationText(const std::string& text) {
  if (SameText(text, BoolStrs()[1])) return "True";
  if (SameText(text, BoolStrs()[0])) return "False";
  return text;
}

int32_t HandleOfText(const std::string& text) { return TVariant(text).AsInteger(); }

TVariant Read(QObject* object, const std::string& path);

// Reading on the object a property holds: a further path, or its handle.
TVariant ReadOn(QObject* target, const TPathStep& step, bool hasRest) {
  if (hasRest) {
    if (!target) Fail();
    return Read(target, step.Rest);
  }
  return TVariant(ComponentHandle(target));
}

TVariant ReadIndexed(QObject* object, const TPathStep& step, bool hasRest) {
  QObject* item = nullptr;
  if (qobject_cast<TQnStringsObject*>(object) && SameText(step.Name, "OBJECTS")) {
    // The strings of Qt's lists carry no objects.
  } else {
    TQnListObject* list = ListProperty(object, step.Name);
    if (!list || step.Index >= list->Count()) Fail();
    switch (list->Kind()) {
      case lkCollection:
        item = static_cast<TQnItemsObject*>(list)->Item(step.Index);
        break;
      case lkList:
        item = static_cast<TQnActionsObject*>(list)->Item(step.Index);
        break;
      case lkStrings:
        return TVariant(FromQString(static_cast<TQnStringsObject*>(list)->Get(step.Index)));
    }
  }
  return ReadOn(item, step, hasRest);
}

TVariant ReadValue(const QVariant& value, const QMetaProperty* property, const TPathStep& step,
                   bool hasRest) {
  if (HoldsObject(value.metaType())) return ReadOn(value.value<QObject*>(), step, hasRest);
  if (hasRest) Fail();
  if (property && property->isFlagType())
    return TVariant(FromQString(QString::fromLatin1(
        property->enumerator().valueToKeys(static_cast<int>(EnumValue(value))))));
  if (property && property->isEnumType()) {
    int64_t number = EnumValue(value);
    const char* key = property->enumerator().valueToKey(static_cast<int>(number));
    return key ? TVariant(std::string(key)) : TVariant(std::to_string(number));
  }
  return VariantOf(value);
}

TVariant Read(QObject* object, const std::string& path) {
  if (!object) Fail();
  if (path.empty()) return TVariant(std::to_string(ComponentHandle(object)));
  TPathStep step = ParseStep(path);
  bool hasRest = path.find('.') != std::string::npos;
  if (step.Index >= 0) return ReadIndexed(object, step, hasRest);
  if (TQnListObject* list = ListProperty(object, step.Name)) return ReadOn(list, step, hasRest);
  if (std::string event = PublishedEventName(object, step.Name); !event.empty()) {
    if (hasRest) Fail();
    return TVariant(GetEventHandler(object, event).Identity());
  }
  if (QMetaProperty property = FindProperty(object, step.Name); property.isValid()) {
    if (!property.isReadable()) Fail();
    return ReadValue(property.read(object), &property, step, hasRest);
  }
  if (QByteArray dynamic = FindDynamicProperty(object, step.Name); !dynamic.isEmpty())
    return ReadValue(object->property(dynamic.constData()), nullptr, step, hasRest);
  Fail();
}

bool Write(QObject* object, const std::string& path, const std::string& text);

bool WriteIndexed(QObject* object, const TPathStep& step, bool hasRest, const std::string& text) {
  if (qobject_cast<TQnStringsObject*>(object) && SameText(step.Name, "OBJECTS")) return false;
  TQnListObject* list = ListProperty(object, step.Name);
  if (!list) return false;
  int count = list->Count();
  switch (list->Kind()) {
    case lkCollection: {
      if (!hasRest || step.Index > count) return false;
      auto* items = static_cast<TQnItemsObject*>(list);
      TQnItemObject* item = step.Index == count ? items->Add() : items->Item(step.Index);
      return item && Write(item, step.Rest, text);
    }
    case lkList: {
      auto* actions = static_cast<TQnActionsObject*>(list);
      if (hasRest) return step.Index < count && Write(actions->Item(step.Index), step.Rest, text);
      auto* action = qobject_cast<QAction*>(ComponentOfHandle(HandleOfText(text)));
      if (!action) return false;
      actions->Put(step.Index, action);
      return true;
    }
    case lkStrings:
      // Qt's string lists hold no objects to write a further path on.
      if (hasRest) return false;
      static_cast<TQnStringsObject*>(list)->Put(step.Index, ToQString(text));
      return true;
  }
  return false;
}

// A whole list assigned from another list object's handle: strings are copied.
bool AssignList(TQnListObject& list, const std::string& text) {
  if (SameText(TrimBoth(text), "Clear")) {
    list.Clear();
    return true;
  }
  auto* target = qobject_cast<TQnStringsObject*>(&list);
  auto* source = qobject_cast<TQnStringsObject*>(ComponentOfHandle(HandleOfText(text)));
  if (!target || !source) return false;
  target->SetText(source->Text());
  return true;
}

bool WriteEvent(QObject* object, const std::string& event, const std::string& text) {
  int64_t identity = TVariant(text).AsInt64();
  if (identity == 0) return SetEventHandler(object, event, {});
  TNotifyEvent handler = FindEventHandler(identity);
  return handler.Assigned() && SetEventHandler(object, event, std::move(handler));
}

// The value text becomes for a property of the given type (property is null for a dynamic
// property); fails when the type cannot take the text.
QVariant ValueForProperty(const QMetaProperty* property, QMetaType type, const std::string& text) {
  if (HoldsObject(type)) {
    int32_t handle = HandleOfText(text);
    QObject* target = ComponentOfHandle(handle);
    if (handle != 0 && !target) Fail();
    const QMetaObject* wanted = type.metaObject();
    if (target && wanted && !target->metaObject()->inherits(wanted)) Fail();
    return QVariant(type, &target);
  }
  if (type.id() == QMetaType::Bool) {
    std::string word = EnumerationText(text);
    if (SameText(word, "True")) return true;
    if (SameText(word, "False")) return false;
    Fail();
  }
  if (property && property->isFlagType())
    return EnumVariant(type, FlagsValue(property->enumerator(), text));
  if (property && property->isEnumType())
    return EnumVariant(type, EnumKeyValue(property->enumerator(), ToQString(EnumerationText(text))));
  return ValueOfText(text, type);
}

bool Write(QObject* object, const std::string& path, const std::string& text) {
  if (!object || path.empty()) return false;
  TPathStep step = ParseStep(path);
  bool hasRest = path.find('.') != std::string::npos;
  if (step.Index >= 0) return WriteIndexed(object, step, hasRest, text);
  if (TQnListObject* list = ListProperty(object, step.Name))
    return hasRest ? Write(list, step.Rest, text) : AssignList(*list, text);
  if (std::string event = PublishedEventName(object, step.Name); !event.empty())
    return !hasRest && WriteEvent(object, event, text);
  if (QMetaProperty property = FindProperty(object, step.Name); property.isValid()) {
    if (hasRest) {
      if (!HoldsObject(property.metaType())) return false;
      return Write(property.read(object).value<QObject*>(), step.Rest, text);
    }
    if (!property.isWritable()) return false;
    return property.write(object, ValueForProperty(&property, property.metaType(), text));
  }
  if (QByteArray dynamic = FindDynamicProperty(object, step.Name); !dynamic.isEmpty()) {
    QVariant current = object->property(dynamic.constData());
    if (hasRest) {
      if (!HoldsObject(current.metaType())) return false;
      return Write(current.value<QObject*>(), step.Rest, text);
    }
    // A dynamic property keeps the type of the value it holds; Qt's setProperty returns false
    // for dynamic properties, so success is the absence of an error.
    object->setProperty(dynamic.constData(),
                        ValueForProperty(nullptr, current.metaType(), text));
    return true;
  }
  return false;
}

}  // namespace

TVariant TryGetPropValue(QObject* object, const std::string& path) {
  try {
    return Read(object, path);
  } catch (const TPathFailure&) {
  } catch (const std::exception&) {
  }
  return TVariant(std::string());
}

bool TrySetPropValue(QObject* object, const std::string& path, const std::string& text) {
  try {
    return Write(object, path, text);
  } catch (const TPathFailure&) {
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace qnexp
