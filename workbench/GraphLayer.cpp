// The drawing surface of the main window.
#include "workbench/GraphLayer.h"

#include <QEvent>
#include <QPainter>

#include "platform/Forms.h"

namespace qnexp::workbench {

QColor ColourOfValue(int32_t value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int32_t ValueOfColour(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

TGraphLayer::TGraphLayer(QWidget* window) : QWidget(window) {
  setObjectName("GraphLayer");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  window->installEventFilter(this);
  FitWindow();
  raise();
}

void TGraphLayer::FitWindow() {
  QWidget* window = parentWidget();
  setGeometry(window->rect());
  if (Image.size() == window->size()) return;
  QImage grown(window->size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
  grown.fill(Qt::transparent);
  QPainter painter(&grown);
  painter.drawImage(0, 0, Image);
  painter.end();
  Image = grown;
}

bool TGraphLayer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget()) {
    if (event->type() == QEvent::Resize) FitWindow();
    // Children added later must not cover the drawings.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::Show) raise();
  }
  return QWidget::eventFilter(watched, event);
}

void TGraphLayer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Image);
}

void TGraphLayer::SetPixel(int x, int y, int32_t colour) {
  if (!Image.rect().contains(x, y)) return;
  Image.setPixelColor(x, y, ColourOfValue(colour));
  update(x, y, 1, 1);
}

int32_t TGraphLayer::Pixel(int x, int y) const {
  if (!Image.rect().contains(x, y)) return kInvalidColour;
  QColor drawn = Image.pixelColor(x, y);
  if (drawn.alpha() == 255) return ValueOfColour(drawn);
  // Nothing drawn here, so the layer is transparent there: the window's own pixel.
  QImage shot = parentWidget()->grab(QRect(x, y, 1, 1)).toImage();
  return shot.isNull() ? kInvalidColour : ValueOfColour(shot.pixelColor(0, 0));
}

void TGraphLayer::LineTo(int x, int y, int32_t colour) {
  QPainter painter(&Image);
  painter.setPen(QPen(ColourOfValue(colour), 1));
  painter.drawLine(Pen, QPoint(x, y));
  painter.end();
  update(QRect(Pen, QPoint(x, y)).normalized().adjusted(-1, -1, 1, 1));
  Pen = QPoint(x, y);
}

void TGraphLayer::Clear() {
  Image.fill(Qt::transparent);
  update();
}

TGraphLayer* MainWindowGraphLayer() {
  QWidget* window = MainForm();
  return window ? window->findChild<TGraphLayer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

}  // namespace qnexp::workbench
