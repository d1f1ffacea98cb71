// Shows a window the way the program opens its windows: to the front, then a 500 ms fade-in.
#pragma once

class QWidget;

namespace zur {

void ShowAnimated(QWidget* window);

}  // namespace zur
