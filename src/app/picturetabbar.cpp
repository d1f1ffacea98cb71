#include "app/picturetabbar.h"

#include <QPainter>

#include "app/tabstrip.h"

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
}

PictureTabWidget::PictureTabWidget(QWidget* parent) : QTabWidget(parent), bar_(new PictureTabBar) {
  setTabBar(bar_);
}

}  // namespace zur
