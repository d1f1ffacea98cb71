// One download from the update site. Redirects may not lead off the site, a transfer that makes no
// progress for a while is given up, and what arrives goes to a file or to a buffer of bounded size.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <functional>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

namespace zur {

class SiteTransfer : public QObject {
 public:
  struct Limits {
    QString site;          // redirects must keep this address's scheme, host and port
    int stallMs = 15000;   // longest time without any progress
    qint64 maxBytes = -1;  // for the buffer: a longer answer fails (-1: no limit)
    QIODevice* sink = nullptr;  // where the answer goes; nothing means the buffer
  };

  // Starts the request at once. `done` runs once, when the transfer has ended: true for a complete
  // answer with a success status, false for anything else. Neither callback runs after Cancel.
  SiteTransfer(QNetworkAccessManager* net, const QUrl& url, Limits limits, QObject* parent);
  ~SiteTransfer() override;

  std::function<void(bool ok)> done;
  std::function<void(qint64 received, qint64 total)> progress;

  // Ends the transfer without calling back.
  void Cancel();
  // What has arrived when there is no sink.
  const QByteArray& Buffer() const { return buffer_; }

 private:
  void Take();
  void End(bool ok);

  Limits limits_;
  QNetworkReply* reply_;
  QTimer stall_;
  QByteArray buffer_;
  bool failed_ = false;
};

}  // namespace zur
