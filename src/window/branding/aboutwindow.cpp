#include "window/branding/aboutwindow.h"

#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "core/run/failure.h"
#include "window/form/formstate.h"
#include "window/form/messages.h"
#include "window/form/resources.h"

namespace zur {
namespace {

QFont Arial(int pixels, bool bold = false) {
  QFont f;
  f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("WenQuanYi Micro Hei")});
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QLabel* Text(QWidget* parent, const char* name, int x, int y, int pixels, bool bold = false) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(Arial(pixels, bold));
  label->move(x, y);
  return label;
}

QWidget* Strip(QWidget* parent, const QRect& where, const QColor& color) {
  auto* strip = new QWidget(parent);
  strip->setGeometry(where);
  strip->setAutoFillBackground(true);
  QPalette p = strip->palette();
  p.setColor(QPalette::Window, color);
  strip->setPalette(p);
  return strip;
}

}  // namespace

TFrmVersion::TFrmVersion(const MessageTables& msg, std::function<void()> openProduct, QWidget* owner)
    : QWidget(owner, Qt::Window), openProduct_(std::move(openProduct)) {
  setObjectName(QStringLiteral("FrmVersion"));
  setWindowTitle(QStringLiteral("About..."));
  setFixedSize(394, 354);
  setFont(Arial(13));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, QColor(245, 250, 254));
  setPalette(p);
  // Frame strips: top, bottom, left and right edges.
  const QColor frame(188, 212, 236);
  Strip(this, QRect(0, 0, 394, 12), frame);
  Strip(this, QRect(0, 354 - 11, 394, 11), frame);
  Strip(this, QRect(0, 12, 6, 354 - 23), frame);
  Strip(this, QRect(394 - 6, 12, 6, 354 - 23), frame);

  Label1 = Text(this, "Label1", 56, 42, 28, true);
  Label2 = Text(this, "Label2", 108, 87, 21);
  LblVersion = Text(this, "LblVersion", 206, 88, 21);
  LblVersion->setStyleSheet(QStringLiteral("color: rgb(34,34,34); background: transparent;"));
  Label3 = Text(this, "Label3", 40, 130, 21);
  Label4 = Text(this, "Label4", 40, 176, 21);
  BtnClose = new QToolButton(this);
  BtnClose->setObjectName(QStringLiteral("BtnClose"));
  BtnClose->setAutoRaise(true);
  BtnClose->setFocusPolicy(Qt::NoFocus);
  BtnClose->setGeometry(185, 230, 57, 26);
  connect(BtnClose, &QToolButton::clicked, this, &QWidget::close);

  // Creation: the button's picture, then the caption and the texts.
  try {
    QPixmap picture;
    LoadBitmapResource(picture, QStringLiteral("BtnClose"));
    BtnClose->setIcon(QIcon(picture));
    BtnClose->setIconSize(picture.size());
    setWindowTitle(msg.CapAbout + QStringLiteral(" ") + msg.AppTitle);
    LblVersion->setText(QString::asprintf("%1.1f", kProgramVersion));
    Label1->setText(msg.AppTitle);
    Label2->setText(msg.CapVersion);
    Label3->setText(msg.CapAuthor);
    Label4->setText(msg.CapHomePage);
  } catch (...) {
    ReportOnStandardError("building the About window");
  }
  // A press on a text reaches the window too: labels pass presses on to their parent.
  for (QLabel* label : {Label1, Label2, LblVersion, Label3, Label4}) label->adjustSize();
}

void TFrmVersion::mousePressEvent(QMouseEvent* event) {
  QWidget::mousePressEvent(event);
  if (openProduct_) openProduct_();
}


}  // namespace zur
