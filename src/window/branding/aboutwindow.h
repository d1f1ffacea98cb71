// The About box: title, version, author and home page; a click on its texts or its background opens
// the product page.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QToolButton;

namespace zur {

struct MessageTables;

class TFrmVersion : public QWidget {
  Q_OBJECT

 public:
  // `openProduct` opens the product page (through OpenWebAddress).
  TFrmVersion(const MessageTables& msg, std::function<void()> openProduct, QWidget* owner);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::function<void()> openProduct_;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* LblVersion;
  QLabel* Label3;
  QLabel* Label4;
  QToolButton* BtnClose;
};

}  // namespace zur
