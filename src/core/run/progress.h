// The progress bar's arithmetic: a run moves it a tenth of its range per step.
#pragma once

namespace zur {

// The progress bar's position after one step of a tenth of its range; a full bar starts again.
inline int ProgressAfterStep(int position, int minimum = 0, int maximum = 100) {
  const int step = (maximum - minimum) / 10;
  int next = position + step;
  if (next > maximum) next = minimum + (next - maximum);
  return next;
}

}  // namespace zur
