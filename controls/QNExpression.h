// The expression component: binds an expression to a program's widgets. It takes its text from
// the ExpText property or from a bound text widget, translates it with the shared translator on
// demand, evaluates it (on request, or whenever the text changes when AutoEvalute is set) and
// writes the value, or the error text, into a result widget. User-interface thread only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Expression.h"
#include "platform/Events.h"

namespace qnexp {

// The text of a text widget (QLineEdit, QPlainTextEdit, QTextEdit, QComboBox) or of any widget
// with a "text" property; empty for others and null. GBK.
std::string ControlText(const QObject* control);
// Sets that text (QLabel and the text widgets); false when the widget has no text to set.
bool SetControlText(QObject* control, const std::string& text);

class TQNExpression : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool AutoEvalute READ GetAutoEvalute WRITE SetAutoEvalute)
  Q_PROPERTY(QString ExpText READ ExpTextProperty WRITE SetExpTextProperty)
  Q_PROPERTY(QWidget* ExpTextCtrl READ GetExpTextCtrl WRITE SetExpTextCtrlProperty)
  Q_PROPERTY(QWidget* ResultCtrl READ GetResultCtrl WRITE SetResultCtrlProperty)

public:
  // The handler may rewrite the text before it is translated.
  using TOnCreateExpression = std::function<void(TQNExpression& sender, std::string& expText)>;
  // The handler may inspect or replace the tree (a replacement is then owned by the component
  // and the tree it replaces is freed).
  using TExpEvaluateEvent = std::function<void(TQNExpression& sender, TExpression*& exp)>;

  TExpEvaluateEvent BeforeEvaluate;
  TExpEvaluateEvent AfterEvaluate;
  TOnCreateExpression OnCreateExpression;

  explicit TQNExpression(QObject* parent = nullptr);
  // Puts the text widget's own change handler back when the component's is still installed,
  // and frees the tree.
  ~TQNExpression() override;

  // The change handler installed on the text widget: calls the widget's own handler, then
  // takes the widget's text.
  virtual void ExpTextChanged(QObject* sender);
  // Writes ErrorMsg when the shared translator's last translation failed (raising it without a
  // result widget), else the tree's value as text (empty without a tree).
  virtual void UpdateResultCtrl();
  // Translates ExpText when there is no tree (a failed translation leaves none and is not
  // raised), then evaluates with the forcing stamp.
  virtual void TakeExpValue();
  // Before-evaluate handler, evaluation of the tree, UpdateResultCtrl, after-evaluate handler.
  // An error in any step becomes the result widget's text; without one it propagates.
  virtual void Evaluate(int32_t stamp);
  // Calls the create-expression handler with the text, then translates it; raises ErrorMsg when
  // the translation fails. Null for an empty text.
  virtual std::unique_ptr<TExpression> CreateExpression(const std::string& text);

  // The shared translator's message for its last translation.
  std::string ErrorMsg() const;

  const std::string& GetExpText() const { return ExpText; }
  // Nothing when the text is the current one; otherwise stores it, drops the tree and, with
  // AutoEvalute, takes the value.
  void SetExpText(const std::string& text);
  bool GetAutoEvalute() const { return AutoEvalute; }
  void SetAutoEvalute(bool value) { AutoEvalute = value; }

  QWidget* GetExpTextCtrl() const { return TextCtrl; }
  // Binds a text widget: the previous one gets its own change handler back; the new one's
  // "OnChange" handler is saved and replaced by ExpTextChanged, whose call takes its text at
  // once. Raises EPropertyError "Property OnChange does not exist" for a widget without one,
  // leaving the binding unchanged. A bound widget that is destroyed is dropped.
  void SetExpTextCtrl(QWidget* control);
  QWidget* GetResultCtrl() const { return ResultCtrl; }
  // Stores the result widget and, with a tree, updates it. A destroyed one is dropped.
  void SetResultCtrl(QWidget* control);

  TExpression* GetExp() const { return Exp.get(); }
  // Keeps tree (now owned) in place of the current one, which is freed.
  void SetExp(TExpression* tree);

  // The tree's value; each raises when there is no tree.
  bool GetBoolean();
  char GetChar();
  double GetDateTime();
  int64_t GetInt64();
  int32_t GetInteger();
  long double GetReal();
  std::string GetString();
  void PutBoolean(bool value);
  void PutChar(char value);
  void PutDateTime(double value);
  void PutInt64(int64_t value);
  void PutInteger(int32_t value);
  void PutReal(long double value);
  void PutString(const std::string& value);
  // The evaluation stamp of the tree's root only.
  int32_t GetSyncFlag();
  void SetSyncFlag(int32_t stamp);

private:
  QString ExpTextProperty() const;
  // The property setters of Qt cannot pass errors on: a failure leaves things as they were.
  void SetExpTextProperty(const QString& text);
  void SetExpTextCtrlProperty(QWidget* control);
  void SetResultCtrlProperty(QWidget* control);
  TExpression& Tree();
  void UnbindTextCtrl();

  bool AutoEvalute = false;
  std::string ExpText;
  QPointer<QWidget> TextCtrl;
  QPointer<QWidget> ResultCtrl;
  QMetaObject::Connection TextCtrlWatch;
  std::unique_ptr<TExpression> Exp;
  TNotifyEvent SavedChange;
  TNotifyEvent OwnChange;
};

}  // namespace qnexp
