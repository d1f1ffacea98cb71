#include "window/update/updatewindow.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QSaveFile>
#include <QShowEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "core/update/pagejob.h"
#include "window/form/environment.h"
#include "window/form/messages.h"
#include "window/form/resources.h"
#include "window/update/sitetransfer.h"

namespace zur {
namespace {

constexpr int kWidth = 651;
constexpr int kHeight = 165;
constexpr int kBarHeight = 13;
constexpr int kHintHeight = 20;
constexpr int kStripHeight = 37;

const QString kLatest = QStringLiteral("已经是最新版本");
const QString kChecking = QStringLiteral("正在更新软件，请稍候...");

// Ends a transfer without its callbacks; it goes away once its own signals are done.
void Drop(SiteTransfer*& transfer) {
  if (!transfer) return;
  transfer->Cancel();
  transfer->deleteLater();
  transfer = nullptr;
}

}  // namespace

TFrmUpdate::TFrmUpdate(UpdateEnv env, QWidget* owner)
    : QWidget(owner, Qt::Window), env_(std::move(env)), net_(new QNetworkAccessManager(this)) {
  setObjectName(QStringLiteral("FrmUpdate"));
  setWindowTitle(QStringLiteral("ZUR软件在线升级"));
  setFixedSize(kWidth, kHeight);

  PnlMain = new QWidget(this);
  PnlMain->setObjectName(QStringLiteral("PnlMain"));
  PnlMain->setFixedHeight(kHeight - kBarHeight - kHintHeight - kStripHeight);
  Image1 = new QLabel(PnlMain);
  Image1->setObjectName(QStringLiteral("Image1"));
  QPixmap banner;
  LoadJpegResource(banner, QStringLiteral("UpdateBanner"));
  Image1->setPixmap(banner);
  Image1->setGeometry(0, 0, kWidth, PnlMain->height());
  // The page view shows the page's text only: laying out markup from the network can take the
  // window minutes (nested tables, very long words).
  WebBrowser1 = new QTextBrowser(PnlMain);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setOpenLinks(false);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFixedHeight(kBarHeight);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setValue(0);
  LblHint = new QLabel(kChecking, this);
  LblHint->setObjectName(QStringLiteral("LblHint"));
  LblHint->setAlignment(Qt::AlignCenter);
  LblHint->setStyleSheet(QStringLiteral("color:red;"));
  LblHint->setFixedHeight(kHintHeight);
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFixedHeight(kStripHeight);
  SpeedButton3 = new QToolButton(Panel2);
  SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
  SpeedButton3->setAutoRaise(true);
  SpeedButton3->setFocusPolicy(Qt::NoFocus);
  QPixmap close;
  LoadBitmapResource(close, QStringLiteral("BtnClose"));
  SpeedButton3->setIcon(QIcon(close));
  SpeedButton3->setIconSize(QSize(56, 25));
  SpeedButton3->setFixedSize(56, 25);
  SpeedButton3->move((kWidth - 56) / 2, 6);
  SpeedButton3->hide();
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });

  auto* col = new QVBoxLayout(this);
  col->setContentsMargins(0, 0, 0, 0);
  col->setSpacing(0);
  col->addWidget(PnlMain);
  col->addWidget(ProgressBar1);
  col->addWidget(LblHint);
  col->addWidget(Panel2);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(250);
  Timer1->setSingleShot(true);
  pause_ = new QTimer(this);
  pause_->setSingleShot(true);
  connect(pause_, &QTimer::timeout, this, [this] { BeginDownload(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  // FormCreate: the update program's place and the page view out of sight.
  updateFilePath_ = env_.exeDir + "update.exe";
  WebBrowser1->setGeometry(0, -2000, kWidth, PnlMain->height());
}

TFrmUpdate::~TFrmUpdate() { StopCheck(); }

void TFrmUpdate::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window restored from the task bar carries on with what it was doing.
  if (!event->spontaneous()) FormShow();
}

void TFrmUpdate::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous()) StopCheck();
}

bool TFrmUpdate::Idle() const {
  return !pageLoad_ && !parse_ && !download_ && !target_ && !Timer1->isActive() && !pause_->isActive();
}

void TFrmUpdate::StopCheck() {
  ++check_;
  Timer1->stop();
  pause_->stop();
  parse_.reset();
  Drop(pageLoad_);
  Drop(download_);
  if (target_) {
    target_->cancelWriting();
    delete target_;  // removes the temporary file now
    target_ = nullptr;
  }
}

void TFrmUpdate::FormShow() {
  StopCheck();
  closeOnly_ = false;
  LblHint->setText(kChecking);
  SpeedButton3->hide();
  ProgressBar1->setMaximum(100);
  ProgressBar1->setValue(0);
  WebBrowser1->clear();
  WebBrowser1->move(-2000, WebBrowser1->y());
  Image1->show();
  if (env_.msg->UrlUpdate.isEmpty()) env_.desktop->ShowMessage(this, QStringLiteral("TavimexCOMUpdate is null"));
  SiteTransfer::Limits limits{env_.msg->UrlUpdate, env_.stallMs, static_cast<qint64>(kMaxPageBytes), nullptr};
  pageLoad_ = new SiteTransfer(net_, QUrl(env_.msg->UrlUpdate), limits, this);
  pageLoad_->done = [this](bool ok) { PageLoaded(ok); };
}

void TFrmUpdate::PageLoaded(bool ok) {
  const QByteArray page = pageLoad_->Buffer();
  Drop(pageLoad_);
  if (!ok) {
    Say(env_.msg->MsgUpdateUnreachable);
    return;
  }
  const unsigned check = check_;
  parse_ = std::make_unique<PageParseJob>(page.toStdString(), [this, check](ParsedPage parsed) {
    // Runs on the parsing thread, and never after the job has been dropped; the window takes the
    // result on its own thread.
    QMetaObject::invokeMethod(
        this, [this, check, parsed = std::move(parsed)]() mutable { PageParsed(check, std::move(parsed)); },
        Qt::QueuedConnection);
  });
}

void TFrmUpdate::PageParsed(unsigned check, ParsedPage page) {
  if (check != check_) return;
  parse_.reset();
  if (page.refused) {
    Say(env_.msg->MsgUpdateUnreachable);
    return;
  }
  page_ = std::move(page);
  WebBrowser1NavigateComplete2();
}

void TFrmUpdate::WebBrowser1NavigateComplete2() { Timer1->start(); }

bool TFrmUpdate::CheckUpdatePage(int width, int height) {
  const bool genuine = page_.body && HasMarker(*page_.body, env_.marker);
  if (genuine) {
    WebBrowser1->setPlainText(QString::fromUtf8(page_.text));
    WebBrowser1->setGeometry(-2, -2, width + 4, height + 4);
    Image1->hide();
  } else {
    WebBrowser1->move(-2000, WebBrowser1->y());
    Image1->show();
    PnlMain->show();
  }
  return genuine;
}

bool TFrmUpdate::CheckNewVersion() {
  if (!page_.body) return false;
  pageText_ = *page_.body;
  if (!HasMarker(pageText_, env_.marker)) return false;
  ParseVersionTokens(pageText_, pageVersion_, downloadUrl_);
  return IsNewerVersion(pageVersion_);
}

void TFrmUpdate::Say(const QString& text) {
  env_.desktop->ShowMessage(this, text, MessageIcon::Plain, MessagePos());
  hide();
}

void TFrmUpdate::Timer1Timer() {
  Timer1->stop();
  if (!CheckUpdatePage(PnlMain->width(), PnlMain->height())) {
    Say(kLatest);
    return;
  }
  if (CheckNewVersion()) {
    StartDownload();
  } else {
    Say(kLatest);
  }
}

void TFrmUpdate::StartDownload() {
  closeOnly_ = false;
  SpeedButton3->hide();
  LblHint->setText(QStringLiteral("软件正在更新中，请稍候..."));
  // The pauses before the download (1000 ms, then 100 ms as it starts) are one timer, so the window
  // never freezes; a check that has ended meanwhile downloads nothing.
  pause_->start(1100);
}

void TFrmUpdate::BeginDownload() {
  // Only a program from the update page's own site is downloaded, wherever the page came from.
  const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(downloadUrl_));
  const QString site = env_.msg->UrlUpdate;
  if (downloadUrl_.empty() || !SameOrigin(site.toStdString(), url.toString(QUrl::FullyEncoded).toStdString())) {
    DownloadFailed();
    return;
  }
  target_ = new QSaveFile(QString::fromStdString(updateFilePath_), this);
  if (!target_->open(QIODevice::WriteOnly)) {
    delete target_;
    target_ = nullptr;
    DownloadFailed();
    return;
  }
  download_ = new SiteTransfer(net_, url, {site, env_.stallMs, -1, target_}, this);
  download_->progress = [this](qint64 received, qint64 total) { DownloadProgress(received, total); };
  download_->done = [this](bool ok) { DownloadFinished(ok); };
}

void TFrmUpdate::DownloadProgress(qint64 progress, qint64 maximum) {
  if (maximum <= 0) return;  // the size is not known yet
  // The bar counts in ints: a very large file is shown in kilobytes.
  const int shift = maximum > INT_MAX ? 10 : 0;
  ProgressBar1->setMaximum(static_cast<int>(maximum >> shift));
  ProgressBar1->setValue(static_cast<int>(progress >> shift));
}

void TFrmUpdate::DownloadFinished(bool ok) {
  Drop(download_);
  if (ok) {
    ok = target_->commit();  // the complete file becomes update.exe only now
  } else {
    target_->cancelWriting();
  }
  delete target_;
  target_ = nullptr;
  if (!ok) {
    DownloadFailed();
    return;
  }
  LblHint->setText(QStringLiteral("更新完成，关闭后将自动重启软件"));
  SpeedButton3->show();
}

void TFrmUpdate::DownloadFailed() {
  closeOnly_ = true;
  LblHint->setText(QStringLiteral("下载更新失败，请稍后再试。"));
  SpeedButton3->show();
}

void TFrmUpdate::SpeedButton3Click() {
  if (closeOnly_) {
    hide();
    return;
  }
  env_.desktop->OpenWithDefault(updateFilePath_);
  if (env_.endProgram) env_.endProgram();
}

}  // namespace zur
