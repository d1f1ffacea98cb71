#include "window/update/sitetransfer.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "core/update/updatepage.h"

namespace zur {
namespace {

constexpr int kMaxRedirects = 5;

bool OnSite(const QString& site, const QUrl& url) {
  return SameOrigin(site.toStdString(), url.toString(QUrl::FullyEncoded).toStdString());
}

}  // namespace

SiteTransfer::SiteTransfer(QNetworkAccessManager* net, const QUrl& url, Limits limits, QObject* parent)
    : QObject(parent), limits_(std::move(limits)) {
  stall_.setSingleShot(true);
  stall_.setInterval(limits_.stallMs);
  connect(&stall_, &QTimer::timeout, this, [this] { End(false); });

  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  reply_ = net->get(request);
  if (limits_.maxBytes >= 0) reply_->setReadBufferSize(limits_.maxBytes + 1);
  connect(reply_, &QNetworkReply::redirected, this, [this](const QUrl& to) {
    if (!OnSite(limits_.site, to)) {
      End(false);
      return;
    }
    stall_.start();
    emit reply_->redirectAllowed();
  });
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
    stall_.start();
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (limits_.maxBytes >= 0 && length.isValid() && length.toLongLong() > limits_.maxBytes) End(false);
  });
  connect(reply_, &QNetworkReply::readyRead, this, [this] {
    stall_.start();
    Take();
  });
  connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
    if (progress) progress(received, total);
  });
  connect(reply_, &QNetworkReply::finished, this, [this] {
    Take();
    if (!reply_) return;  // ended while taking the rest
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    End(!failed_ && reply_->error() == QNetworkReply::NoError && (status == 0 || (status >= 200 && status < 300)));
  });
  stall_.start();
}

SiteTransfer::~SiteTransfer() { Cancel(); }

void SiteTransfer::Take() {
  if (!reply_ || failed_) return;
  const QByteArray data = reply_->readAll();
  if (limits_.sink) {
    failed_ = limits_.sink->write(data) != data.size();
  } else {
    buffer_ += data;
    failed_ = limits_.maxBytes >= 0 && buffer_.size() > limits_.maxBytes;
  }
  if (failed_) End(false);
}

void SiteTransfer::End(bool ok) {
  auto report = std::move(done);
  Cancel();
  if (report) report(ok);
}

void SiteTransfer::Cancel() {
  done = nullptr;
  progress = nullptr;
  stall_.stop();
  if (!reply_) return;
  reply_->disconnect(this);
  reply_->abort();
  reply_->deleteLater();
  reply_ = nullptr;
}

}  // namespace zur
