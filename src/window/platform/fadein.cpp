#include "window/platform/fadein.h"

#include <QPropertyAnimation>
#include <QWidget>

namespace zur {

void ShowAnimated(QWidget* window) {
  window->setWindowOpacity(0.0);
  window->show();
  window->raise();
  window->activateWindow();
  auto* fade = new QPropertyAnimation(window, "windowOpacity", window);
  fade->setDuration(500);
  fade->setStartValue(0.0);
  fade->setEndValue(1.0);
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace zur
