// The expression editor and its highlighting.
#include "workbench/CodeEditor.h"

#include <QPainter>
#include <QTextBlock>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "platform/QtText.h"

namespace qnexp::workbench {

namespace {

QTextCharFormat Coloured(const QColor& colour, bool bold = false, bool italic = false) {
  QTextCharFormat format;
  format.setForeground(colour);
  if (bold) format.setFontWeight(QFont::Bold);
  format.setFontItalic(italic);
  return format;
}

// Block states: 0 plain, n > 0 inside n nested brace comments.
bool IsNameStart(QChar c) { return c.isLetter() || c == '_' || c.unicode() > 0x7F; }
bool IsNameChar(QChar c) { return IsNameStart(c) || c.isDigit() || c == '.' || c == '@'; }

}  // namespace

TExpHighlighter::TExpHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(document),
      StringFormat(Coloured(QColor(0xA3, 0x15, 0x15))),
      NumberFormat(Coloured(QColor(0x09, 0x86, 0x58))),
      CommentFormat(Coloured(QColor(0x00, 0x80, 0x00), false, true)),
      FunctionFormat(Coloured(QColor(0x00, 0x00, 0xC0), true)),
      VariableFormat(Coloured(QColor(0x80, 0x00, 0x80))),
      MacroFormat(Coloured(QColor(0xC0, 0x60, 0x00), true)) {
  RefreshNames();
}

void TExpHighlighter::RefreshNames() {
  Functions.clear();
  Variables.clear();
  if (ExpTranslator) {
    const TFunctionList& registry = *ExpTranslator->Functions;
    for (int i = 0; i < registry.Count(); ++i) Functions.insert(ToQString(registry.Get(i)).toUpper());
  }
  for (TVarList* list = GetVarList(); list; list = list->SearchParent ? list->Parent : nullptr) {
    for (int i = 0; i < list->List().Count(); ++i) Variables.insert(ToQString(list->List().Get(i)).toUpper());
    if (!list->SearchParent) break;
  }
  rehighlight();
}

void TExpHighlighter::highlightBlock(const QString& text) {
  int depth = std::max(previousBlockState(), 0);
  int i = 0;
  const int n = static_cast<int>(text.size());
  int commentStart = 0;
  while (i < n) {
    if (depth > 0) {
      // Inside a brace comment: find where it ends (braces nest).
      while (i < n && depth > 0) {
        if (text[i] == '{') ++depth;
        else if (text[i] == '}') --depth;
        ++i;
      }
      setFormat(commentStart, i - commentStart, CommentFormat);
      continue;
    }
    QChar c = text[i];
    if (c == '{') {
      commentStart = i++;
      depth = 1;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      setFormat(i, n - i, CommentFormat);
      i = n;
    } else if (c == '\'' || c == '"') {
      int start = i++;
      while (i < n) {
        if (text[i] == c && (i + 1 >= n || text[i + 1] != c)) break;
        i += text[i] == c ? 2 : 1;
      }
      i = std::min(i + 1, n);
      setFormat(start, i - start, StringFormat);
    } else if (c == '#' && i + 1 < n && text[i + 1].isDigit()) {
      int start = i++;
      while (i < n && text[i].isDigit()) ++i;
      setFormat(start, i - start, StringFormat);
    } else if (c == '~') {
      int end = text.indexOf('~', i + 1);
      end = end < 0 ? n : end + 1;
      setFormat(i, end - i, MacroFormat);
      i = end;
    } else if (c.isDigit() || (c == '$' && i + 1 < n && std::isxdigit(text[i + 1].unicode() & 0x7F) &&
                                text[i + 1].unicode() < 0x80)) {
      int start = i++;
      while (i < n && (text[i].isLetterOrNumber() || text[i] == '.') && text[i].unicode() < 0x80) ++i;
      setFormat(start, i - start, NumberFormat);
    } else if (IsNameStart(c)) {
      int start = i++;
      while (i < n && IsNameChar(text[i])) ++i;
      QString word = text.mid(start, i - start).toUpper();
      int next = i;
      while (next < n && text[next].isSpace()) ++next;
      if (next < n && text[next] == '(' && Functions.contains(word))
        setFormat(start, i - start, FunctionFormat);
      else if (Variables.contains(word))
        setFormat(start, i - start, VariableFormat);
    } else {
      ++i;
    }
  }
  setCurrentBlockState(depth);
}

class TLineNumberGutter : public QWidget {
public:
  explicit TLineNumberGutter(TCodeEditor* editor) : QWidget(editor), Editor(editor) {}
  QSize sizeHint() const override { return QSize(Editor->GutterWidth(), 0); }

protected:
  void paintEvent(QPaintEvent* event) override { Editor->PaintGutter(event); }

private:
  TCodeEditor* Editor;
};

TCodeEditor::TCodeEditor(QWidget* parent)
    : QPlainTextEdit(parent), Gutter(new TLineNumberGutter(this)),
      Colouring(new TExpHighlighter(document())) {
  setTabChangesFocus(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(this, &QPlainTextEdit::blockCountChanged, this,
          [this] { setViewportMargins(GutterWidth(), 0, 0, 0); });
  connect(this, &QPlainTextEdit::updateRequest, this, &TCodeEditor::UpdateGutter);
  setViewportMargins(GutterWidth(), 0, 0, 0);
}

int TCodeEditor::GutterWidth() const {
  int digits = QString::number(std::max(1, blockCount())).size();
  return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 2);
}

void TCodeEditor::UpdateGutter(const QRect& rect, int dy) {
  if (dy)
    Gutter->scroll(0, dy);
  else
    Gutter->update(0, rect.y(), Gutter->width(), rect.height());
}

void TCodeEditor::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  QRect area = contentsRect();
  Gutter->setGeometry(QRect(area.left(), area.top(), GutterWidth(), area.height()));
}

void TCodeEditor::PaintGutter(QPaintEvent* event) {
  QPainter painter(Gutter);
  painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase).darker(105));
  painter.setPen(palette().color(QPalette::PlaceholderText));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  int height = qRound(blockBoundingRect(block).height());
  while (block.isValid() && top <= event->rect().bottom()) {
    if (block.isVisible() && top + height >= event->rect().top())
      painter.drawText(0, top, Gutter->width() - 4, fontMetrics().height(), Qt::AlignRight,
                       QString::number(block.blockNumber() + 1));
    block = block.next();
    top += height;
    height = qRound(blockBoundingRect(block).height());
  }
}

}  // namespace qnexp::workbench
