// The expression editor: a plain-text editor with a gutter of line numbers, and the syntax
// highlighting of the language (strings, numbers, comments, registered function names,
// variables of the current variable lists, macro references). User-interface thread only.
#pragma once

#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSet>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace qnexp::workbench {

class TExpHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
public:
  explicit TExpHighlighter(QTextDocument* document);
  // Reads the function names and variable names anew and highlights again.
  void RefreshNames();

protected:
  void highlightBlock(const QString& text) override;

private:
  QSet<QString> Functions;  // upper-cased
  QSet<QString> Variables;  // upper-cased
  QTextCharFormat StringFormat, NumberFormat, CommentFormat, FunctionFormat, VariableFormat,
      MacroFormat;
};

class TCodeEditor : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit TCodeEditor(QWidget* parent = nullptr);
  TExpHighlighter& Highlighter() { return *Colouring; }
  // The gutter's width for the current number of lines.
  int GutterWidth() const;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  friend class TLineNumberGutter;
  void PaintGutter(QPaintEvent* event);
  void UpdateGutter(const QRect& rect, int dy);
  QWidget* Gutter;
  TExpHighlighter* Colouring;
};

}  // namespace qnexp::workbench
