#include "window/form/picturetabbar.h"

#include <QPainter>

#include "window/form/tabstrip.h"

namespace zur {

PictureTabBar::PictureTabBar(QWidget* parent) : QTabBar(parent) {
  setDrawBase(false);
  setExpanding(false);
  setUsesScrollButtons(false);
  setElideMode(Qt::ElideNone);
}

QSize PictureTabBar::tabSizeHint(int index) const {
  int w = (index >= 0 && index < 3) ? kTabWidths[index] : kTabWidths[0];
  return {w, kTabPictureHeight};
}

void PictureTabBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (drawTab) drawTab(painter);
  MarkCurrentTab(painter);
}

// The picture shows the three labels alike; a frame around the active page's label and a bar under
// it show which page is open.
void PictureTabBar::MarkCurrentTab(QPainter& painter) const {
  const int current = currentIndex();
  if (current < 0) return;
  const QRect r = tabRect(current);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kCurrentTabMark, 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(r).adjusted(1.5, 3.5, -2.5, -1.5), 3, 3);
  painter.restore();
  painter.fillRect(QRect(r.left() + 4, r.bottom() - 2, r.width() - 9, 3), kCurrentTabMark);
}

PictureTabWidget::PictureTabWidget(QWidget* parent) : QTabWidget(parent), bar_(new PictureTabBar) {
  setTabBar(bar_);
}

}  // namespace zur
