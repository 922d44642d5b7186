// The drawing surface of the workbench's main window: an image over the whole client area,
// painted above the window's widgets and transparent where nothing was drawn, with a pen
// position. It lets mouse events through. Colours are integers 0x00BBGGRR (red in the low
// byte). User-interface thread only.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>

namespace qnexp::workbench {

// The colour value of "no colour": a point outside the surface.
inline constexpr int32_t kInvalidColour = -1;

QColor ColourOfValue(int32_t value);
int32_t ValueOfColour(const QColor& colour);

class TGraphLayer : public QWidget {
  Q_OBJECT
public:
  // Covers window's client area from now on, above its children.
  explicit TGraphLayer(QWidget* window);

  // Sets the pixel; a point outside the surface is ignored.
  void SetPixel(int x, int y, int32_t colour);
  // The colour shown at the point: what was drawn there, else the window's own pixel;
  // kInvalidColour outside the surface.
  int32_t Pixel(int x, int y) const;
  void MoveTo(int x, int y) { Pen = QPoint(x, y); }
  // A line from the pen to the point, which the pen then moves to; clipped to the surface.
  void LineTo(int x, int y, int32_t colour);
  QPoint PenPosition() const { return Pen; }
  // Forgets every drawing.
  void Clear();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  // Follows the window's size, keeping what was drawn.
  void FitWindow();
  QImage Image;
  QPoint Pen;
};

// The drawing surface of the main window (the first QMainWindow); null when it has none.
TGraphLayer* MainWindowGraphLayer();

}  // namespace qnexp::workbench
