#include "update/updatewindow.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressBar>
#include <QSaveFile>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>

#include "app/environment.h"
#include "app/messages.h"
#include "app/resources.h"

namespace zur {
namespace {

constexpr int kWidth = 651;
constexpr int kHeight = 165;
constexpr int kBarHeight = 13;
constexpr int kHintHeight = 20;
constexpr int kStripHeight = 37;

const QString kLatest = QStringLiteral("已经是最新版本");

// Shows a page from the network without fetching anything it names (pictures, style sheets, files).
class PageView : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

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
  WebBrowser1 = new PageView(PnlMain);
  WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
  WebBrowser1->setOpenLinks(false);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setFixedHeight(kBarHeight);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setValue(0);
  LblHint = new QLabel(QStringLiteral("正在更新软件，请稍候..."), this);
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
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

  // FormCreate: the update program's place, where messages appear, and the page view out of sight.
  updateFilePath_ = env_.exeDir + "update.exe";
  messagePos_ = pos() + QPoint(80, 30);
  WebBrowser1->setGeometry(0, -2000, kWidth, PnlMain->height());
}

TFrmUpdate::~TFrmUpdate() {
  for (QNetworkReply* reply : {pageReply_, download_}) {
    if (!reply) continue;
    reply->disconnect(this);
    reply->abort();
  }
  if (target_) target_->cancelWriting();
}

void TFrmUpdate::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  FormShow();
}

void TFrmUpdate::FormShow() {
  // A download under way is not started again; the window only comes back into view.
  if (downloading_) return;
  if (env_.msg->UrlUpdate.isEmpty()) env_.desktop->ShowMessage(this, QStringLiteral("TavimexCOMUpdate is null"));
  if (pageReply_) {
    pageReply_->disconnect(this);
    pageReply_->abort();
    pageReply_->deleteLater();
  }
  QNetworkRequest request(QUrl(env_.msg->UrlUpdate));
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  pageReply_ = net_->get(request);
  connect(pageReply_, &QNetworkReply::finished, this, [this] { WebBrowser1NavigateComplete2(); });
}

void TFrmUpdate::WebBrowser1NavigateComplete2() {
  QNetworkReply* reply = pageReply_;
  pageReply_ = nullptr;
  page_ = reply->readAll();
  location_ = reply->url().toString();
  reply->deleteLater();
  Timer1->start();
}

std::optional<std::string> TFrmUpdate::ReadPage() const {
  try {
    if (location_.isEmpty() || page_.isEmpty()) return std::nullopt;
    return BodyMarkup(std::string_view(page_.constData(), static_cast<size_t>(page_.size())));
  } catch (...) {
    return std::nullopt;
  }
}

bool TFrmUpdate::CheckUpdatePage(int width, int height) {
  auto body = ReadPage();
  const bool genuine = body && HasMarker(*body, env_.marker);
  if (genuine) {
    WebBrowser1->setHtml(QString::fromUtf8(page_));
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
  auto body = ReadPage();
  if (!body) return false;
  pageText_ = *body;
  if (!HasMarker(pageText_, env_.marker)) return false;
  ParseVersionTokens(pageText_, pageVersion_, downloadUrl_);
  return IsNewerVersion(pageVersion_);
}

void TFrmUpdate::SayLatest() {
  env_.desktop->ShowMessage(this, kLatest, MessageIcon::Plain, messagePos_);
  hide();
}

void TFrmUpdate::Timer1Timer() {
  Timer1->stop();
  if (!CheckUpdatePage(PnlMain->width(), PnlMain->height())) {
    SayLatest();
    return;
  }
  if (CheckNewVersion()) {
    StartDownload();
  } else {
    SayLatest();
  }
}

void TFrmUpdate::StartDownload() {
  downloading_ = true;
  closeOnly_ = false;
  SpeedButton3->hide();
  LblHint->setText(QStringLiteral("软件正在更新中，请稍候..."));
  // The pauses of the download are timers, so the window never freezes.
  QTimer::singleShot(1000, this, [this] { QTimer::singleShot(100, this, [this] { BeginDownload(); }); });
}

void TFrmUpdate::BeginDownload() {
  // Only a program from the update page's own site is downloaded.
  if (downloadUrl_.empty() || !SameOrigin(location_.toStdString(), downloadUrl_)) {
    DownloadFailed();
    return;
  }
  target_ = new QSaveFile(QString::fromStdString(updateFilePath_), this);
  if (!target_->open(QIODevice::WriteOnly)) {
    DownloadFailed();
    return;
  }
  QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(downloadUrl_)));
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
  download_ = net_->get(request);
  connect(download_, &QNetworkReply::readyRead, this, [this] {
    if (target_) target_->write(download_->readAll());
  });
  connect(download_, &QNetworkReply::downloadProgress, this,
          [this](qint64 received, qint64 total) { DownloadProgress(received, total); });
  connect(download_, &QNetworkReply::finished, this, [this] { DownloadFinished(); });
}

void TFrmUpdate::DownloadProgress(qint64 progress, qint64 maximum) {
  if (maximum <= 0) return;  // the size is not known yet
  // The bar counts in ints: a very large file is shown in kilobytes.
  const int shift = maximum > INT_MAX ? 10 : 0;
  ProgressBar1->setMaximum(static_cast<int>(maximum >> shift));
  ProgressBar1->setValue(static_cast<int>(progress >> shift));
}

void TFrmUpdate::DownloadFinished() {
  QNetworkReply* reply = download_;
  download_ = nullptr;
  reply->deleteLater();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  bool ok = reply->error() == QNetworkReply::NoError && (status == 0 || status < 400);
  if (ok) {
    target_->write(reply->readAll());
    ok = target_->commit();  // the complete file becomes update.exe only now
  } else {
    target_->cancelWriting();
  }
  target_->deleteLater();
  target_ = nullptr;
  if (!ok) {
    DownloadFailed();
    return;
  }
  downloading_ = false;
  LblHint->setText(QStringLiteral("更新完成，关闭后将自动重启软件"));
  SpeedButton3->show();
}

void TFrmUpdate::DownloadFailed() {
  downloading_ = false;
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
