// Where a window of its own opens: over the middle of the window it belongs to, rather than wherever
// the system puts new windows (a corner of the screen, without a window manager).
#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace zur {

inline void PlaceOver(QWidget* window, const QWidget* owner) {
  const QWidget* top = owner ? owner->window() : nullptr;
  if (!window || !top || top == window) return;
  const QRect over = top->frameGeometry();
  window->move(over.center() - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace zur
