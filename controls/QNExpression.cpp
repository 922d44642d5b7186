// The expression component.
#include "controls/QNExpression.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "platform/QtText.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"

namespace qnexp {

namespace {

constexpr const char* kOnChange = "OnChange";

// The typed access needs a tree to forward to.
constexpr const char* kMsgNoTree = "表达式组件没有表达式";

}  // namespace

std::string ControlText(const QObject* control) {
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return FromQString(edit->text());
  if (auto* edit = qobject_cast<const QPlainTextEdit*>(control))
    return FromQString(edit->toPlainText());
  if (auto* edit = qobject_cast<const QTextEdit*>(control)) return FromQString(edit->toPlainText());
  if (auto* combo = qobject_cast<const QComboBox*>(control)) return FromQString(combo->currentText());
  if (!control) return {};
  QVariant text = control->property("text");
  return text.canConvert<QString>() ? FromQString(text.toString()) : std::string();
}

bool SetControlText(QObject* control, const std::string& text) {
  QString value = ToQString(text);
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->setText(value);
    return true;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(value);
    return true;
  }
  if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
    edit->setPlainText(value);
    return true;
  }
  if (auto* edit = qobject_cast<QTextEdit*>(control)) {
    edit->setPlainText(value);
    return true;
  }
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    if (combo->isEditable())
      combo->setEditText(value);
    else
      combo->setCurrentText(value);
    return true;
  }
  if (!control) return false;
  int property = control->metaObject()->indexOfProperty("text");
  return property >= 0 && control->metaObject()->property(property).write(control, value);
}

TQNExpression::TQNExpression(QObject* parent) : QObject(parent) {
  int32_t data = NewEventData();
  // A copy of the handler may be installed elsewhere (an event property written with its
  // identity): it does nothing once this component is gone.
  QPointer<TQNExpression> self(this);
  OwnChange = TNotifyEvent{EventOperationCode("TQNExpression.ExpTextChanged"), data,
                           [self](QObject* sender) {
                             if (self) self->ExpTextChanged(sender);
                           }};
}

TQNExpression::~TQNExpression() { UnbindTextCtrl(); }

void TQNExpression::UnbindTextCtrl() {
  if (TextCtrl && GetEventHandler(TextCtrl, kOnChange).Identity() == OwnChange.Identity())
    SetEventHandler(TextCtrl, kOnChange, SavedChange);
  QObject::disconnect(TextCtrlWatch);
  TextCtrl = nullptr;
  SavedChange = {};
}

void TQNExpression::ExpTextChanged(QObject* sender) {
  if (SavedChange.Assigned()) {
    TNotifyEvent own = SavedChange;  // the handler may rebind this component
    own.Call(sender);
  }
  SetExpText(ControlText(sender));
}

void TQNExpression::UpdateResultCtrl() {
  if (ExpTranslator && ExpTranslator->Status != tsOk) {
    if (!ResultCtrl) throw Exception(ErrorMsg());
    SetControlText(ResultCtrl, ErrorMsg());
    return;
  }
  if (ResultCtrl) SetControlText(ResultCtrl, Exp ? Exp->GetString() : std::string());
}

void TQNExpression::TakeExpValue() {
  if (!Exp) {
    try {
      SetExp(CreateExpression(ExpText).release());
    } catch (const Exception&) {
      SetExp(nullptr);
    }
  }
  Evaluate(kForceStamp);
}

void TQNExpression::Evaluate(int32_t stamp) {
  try {
    if (BeforeEvaluate) {
      TExpression* tree = Exp.get();
      BeforeEvaluate(*this, tree);
      SetExp(tree);
    }
    if (Exp) Exp->Evaluate(stamp);
    UpdateResultCtrl();
    if (AfterEvaluate) {
      TExpression* tree = Exp.get();
      AfterEvaluate(*this, tree);
      SetExp(tree);
    }
  } catch (const Exception& error) {
    if (!ResultCtrl) throw;
    SetControlText(ResultCtrl, error.Message);
  }
}

std::unique_ptr<TExpression> TQNExpression::CreateExpression(const std::string& text) {
  std::string source = text;
  if (OnCreateExpression) OnCreateExpression(*this, source);
  std::unique_ptr<TExpression> tree = TranslateExp(source);
  if (ExpTranslator && ExpTranslator->Status != tsOk) throw Exception(ErrorMsg());
  return tree;
}

std::string TQNExpression::ErrorMsg() const {
  return ExpTranslator ? ExpTranslator->ErrorMsg() : std::string();
}

void TQNExpression::SetExpText(const std::string& text) {
  if (text == ExpText) return;
  ExpText = text;
  SetExp(nullptr);
  if (AutoEvalute) TakeExpValue();
}

void TQNExpression::SetExpTextCtrl(QWidget* control) {
  if (control == TextCtrl) return;
  if (control && PublishedEventName(control, kOnChange).empty())
    throw EPropertyError(Format(Msg::UnknownProperty, {kOnChange}));
  UnbindTextCtrl();
  if (!control) return;
  TextCtrl = control;
  // A destroyed widget takes its handler table with it: only the binding is left to forget.
  TextCtrlWatch = QObject::connect(control, &QObject::destroyed, this, [this] {
    TextCtrl = nullptr;
    SavedChange = {};
  });
  SavedChange = GetEventHandler(control, kOnChange);
  SetEventHandler(control, kOnChange, OwnChange);
  ExpTextChanged(control);
}

void TQNExpression::SetResultCtrl(QWidget* control) {
  if (control == ResultCtrl) return;
  ResultCtrl = control;
  if (Exp) UpdateResultCtrl();
}

void TQNExpression::SetExp(TExpression* tree) {
  if (tree != Exp.get()) Exp.reset(tree);
}

QString TQNExpression::ExpTextProperty() const { return ToQString(ExpText); }

void TQNExpression::SetExpTextProperty(const QString& text) {
  try {
    SetExpText(FromQString(text));
  } catch (const Exception&) {
    // The text is stored; the evaluation error has no one to go to.
  }
}

void TQNExpression::SetExpTextCtrlProperty(QWidget* control) {
  try {
    SetExpTextCtrl(control);
  } catch (const Exception&) {
    // The binding stays as it was; reading the property shows it.
  }
}

void TQNExpression::SetResultCtrlProperty(QWidget* control) {
  try {
    SetResultCtrl(control);
  } catch (const Exception&) {
    // The widget is stored; the failed translation it would show has no one to go to.
  }
}

TExpression& TQNExpression::Tree() {
  if (!Exp) throw Exception(Res(kMsgNoTree));
  return *Exp;
}

bool TQNExpression::GetBoolean() { return Tree().GetBoolean(); }
char TQNExpression::GetChar() { return Tree().GetChar(); }
double TQNExpression::GetDateTime() { return Tree().GetDateTime(); }
int64_t TQNExpression::GetInt64() { return Tree().GetInt64(); }
int32_t TQNExpression::GetInteger() { return Tree().GetInteger(); }
long double TQNExpression::GetReal() { return Tree().GetReal(); }
std::string TQNExpression::GetString() { return Tree().GetString(); }
void TQNExpression::PutBoolean(bool value) { Tree().PutBoolean(value); }
void TQNExpression::PutChar(char value) { Tree().PutChar(value); }
void TQNExpression::PutDateTime(double value) { Tree().PutDateTime(value); }
void TQNExpression::PutInt64(int64_t value) { Tree().PutInt64(value); }
void TQNExpression::PutInteger(int32_t value) { Tree().PutInteger(value); }
void TQNExpression::PutReal(long double value) { Tree().PutReal(value); }
void TQNExpression::PutString(const std::string& value) { Tree().PutString(value); }
int32_t TQNExpression::GetSyncFlag() { return Tree().SyncFlag; }
void TQNExpression::SetSyncFlag(int32_t stamp) { Tree().SyncFlag = stamp; }

}  // namespace qnexp
