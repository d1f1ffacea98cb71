// A tab bar that draws no tabs of its own: a handler paints the whole strip (the tab picture), and the
// bar marks the active page's segment of it.
#pragma once

#include <QColor>
#include <QTabBar>
#include <QTabWidget>
#include <functional>

namespace zur {

// The colour that marks the active page's label in the strip.
inline const QColor kCurrentTabMark{232, 116, 0};

class PictureTabBar : public QTabBar {
 public:
  explicit PictureTabBar(QWidget* parent = nullptr);
  // Called for every paint of the strip.
  std::function<void(QPainter&)> drawTab;

 protected:
  QSize tabSizeHint(int index) const override;
  QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
  void paintEvent(QPaintEvent* event) override;

 private:
  void MarkCurrentTab(QPainter& painter) const;
};

// A page control whose strip is a PictureTabBar.
class PictureTabWidget : public QTabWidget {
 public:
  explicit PictureTabWidget(QWidget* parent = nullptr);
  PictureTabBar* pictureBar() const { return bar_; }

 private:
  PictureTabBar* bar_;
};

}  // namespace zur
