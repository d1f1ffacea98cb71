#include "window/branding/brandpanel.h"

#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "core/branding/weblinks.h"
#include "window/branding/aboutwindow.h"
#include "window/files/shell.h"
#include "window/form/formbase.h"
#include "window/form/placement.h"
#include "window/form/resources.h"
#include "window/platform/fadein.h"
#include "window/update/updatewindow.h"

namespace zur {
namespace {

QToolButton* BrandButton(QWidget* host, const char* name, int height) {
  auto* b = new QToolButton(host);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setGeometry(0, 0, 122, height);
  QPixmap picture;
  LoadBitmapResource(picture, QString::fromLatin1(name));
  b->setIcon(QIcon(picture));
  b->setIconSize(QSize(122, height));
  b->show();
  return b;
}

}  // namespace

TPnlTavimex::TPnlTavimex(FormBase& form, QWidget* host) : QScrollArea(host), f_(form) {
  setObjectName(QStringLiteral("BrandPanel"));
  try {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(249, 255, 255));
    setPalette(p);
    setFixedSize(120, 62);

    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("Logo"));
    logo_->setToolTip(QStringLiteral("点击可查看更多软件更新"));
    QPixmap picture;
    LoadJpegResource(picture, QStringLiteral("Tavimex"));
    logo_->setPixmap(picture);
    logo_->setCursor(Qt::PointingHandCursor);
    setWidget(logo_);
    setWidgetResizable(true);
    logo_->installEventFilter(this);

    const int height = f_.Msg().ButtonHeight;
    BtnHelp = BrandButton(host, "BtnHelp", height);
    connect(BtnHelp, &QToolButton::clicked, this, [this] { BtnHelpClick(); });
    BtnOnlineUpdate = BrandButton(host, "BtnOnlineUpdate", height);
    connect(BtnOnlineUpdate, &QToolButton::clicked, this, [this] { BtnOnlineUpdateClick(); });
    BtnExit = BrandButton(host, "BtnExit", height);
    connect(BtnExit, &QToolButton::clicked, this, [this] { BtnExitClick(); });

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("LinkMenu"));
    const std::pair<const char*, int> entries[] = {
        {"实例说明(&D)", 1}, {"官方主页(&H)", 2}, {"-", 0}, {"软件捐助(&J)", 3}, {"关于(&A)...", 4}};
    for (const auto& [caption, tag] : entries) {
      if (tag == 0) {
        menu_->addSeparator();
        continue;
      }
      QAction* action = menu_->addAction(QString::fromUtf8(caption));
      connect(action, &QAction::triggered, this, [this, tag = tag] { LinkMenuClick(tag); });
    }

    // Arrangement: the buttons one under the other from the top, then the logo.
    move(9, 0);
    int top = 3;
    for (QWidget* w : {static_cast<QWidget*>(BtnHelp), static_cast<QWidget*>(BtnOnlineUpdate),
                       static_cast<QWidget*>(BtnExit), static_cast<QWidget*>(this)}) {
      w->move(w == this ? 9 : 7, top);
      top += w->height() + 3;
    }
    WriteUpdateTxt(f_.SettingsDir(), f_.Env().exeFileName);
  } catch (...) {
    f_.ReportFailure();
  }
}

bool TPnlTavimex::eventFilter(QObject* watched, QEvent* event) {
  if (watched == logo_ && event->type() == QEvent::MouseButtonPress) {
    OpenTarget(f_.Desktop(), f_.B(f_.Msg().UrlHome));
  }
  return QScrollArea::eventFilter(watched, event);
}

void TPnlTavimex::BtnHelpClick() { menu_->popup(QCursor::pos()); }

void TPnlTavimex::LinkMenuClick(int tag) {
  try {
    const MessageTables& msg = f_.Msg();
    switch (tag) {
      case 1: OpenTarget(f_.Desktop(), f_.B(msg.UrlDemo)); break;
      case 2: OpenTarget(f_.Desktop(), f_.B(msg.UrlProduct)); break;
      case 3: OpenTarget(f_.Desktop(), f_.B(msg.UrlDonate)); break;
      case 4: ShowAbout(); break;
      default: break;
    }
  } catch (...) {
    f_.ReportFailure();
  }
}

void TPnlTavimex::ShowAbout() {
  if (!about_) {
    about_ = new TFrmVersion(f_.Msg(), [this] { OpenWebAddress(f_.Msg().UrlProduct); }, this);
  }
  PlaceOver(about_, this);
  ShowAnimated(about_);
}

void TPnlTavimex::OpenWebAddress(const QString& address) {
  try {
    f_.Desktop().OpenWithDefault(WebAddressText(f_.B(address)));
  } catch (...) {
    f_.ReportFailure();
  }
}

void TPnlTavimex::BtnOnlineUpdateClick() {
  if (!update_) {
    UpdateEnv env;
    env.msg = &f_.Msg();
    env.desktop = &f_.Desktop();
    env.exeDir = f_.State().ExeDir;
    env.endProgram = f_.Env().endProgram;
    update_ = new TFrmUpdate(std::move(env), this);
  }
  if (!update_->isVisible()) PlaceOver(update_, this);
  update_->show();
  update_->raise();
}

void TPnlTavimex::BtnExitClick() {
  if (f_.Env().endProgram) f_.Env().endProgram();
}

}  // namespace zur
