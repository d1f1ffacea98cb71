// A small HTTP server on 127.0.0.1 for the tests: fixed answers by path, every request recorded. An
// answer may redirect, come late, come in pieces, stop part way and keep the connection open, or leave
// out its length.
#pragma once

#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace zur::testing {

class HttpServer : public QObject {
 public:
  struct Answer {
    int status = 200;
    QByteArray body{};
    int pieces = 1;        // the body is sent in this many pieces,
    int pauseMs = 0;       // this far apart
    QByteArray location{}; // sent as the Location header (with a 3xx status)
    int delayMs = 0;       // the wait before anything is sent
    int stallAfter = -1;   // only this many pieces are sent, then nothing while the connection stays open
    bool length = true;    // without a Content-Length the body ends when the connection closes
  };

  HttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      }
    });
  }

  QString Url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path); }
  void Serve(const QByteArray& path, Answer answer) { answers_[path] = std::move(answer); }
  void Serve(const QByteArray& path, const QByteArray& body) { Serve(path, Answer{.body = body}); }
  int Requests(const QByteArray& path) const { return requested_.count(path); }
  // Answers begun and not yet over (sent whole, or dropped because the client went away).
  int Pending() const { return pending_; }
  QList<QByteArray> requested_;
  int dropped = 0;  // answers the client closed before they were complete

 private:
  void Read(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) return;
    const QByteArray path = buffer.left(buffer.indexOf("\r\n")).split(' ').value(1);
    buffers_.remove(socket);
    requested_.append(path);
    const Answer answer = answers_.value(path, Answer{.status = 404, .body = "not here"});
    ++pending_;
    QTimer::singleShot(answer.delayMs, this, [this, socket = QPointer<QTcpSocket>(socket), answer] {
      if (!socket || answer.stallAfter == 0) {
        --pending_;
        return;
      }
      QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: text/html\r\n";
      if (answer.length) head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
      if (!answer.location.isEmpty()) head += "Location: " + answer.location + "\r\n";
      socket->write(head + "Connection: close\r\n\r\n");
      Send(socket, answer, 0);
    });
  }

  void Send(QPointer<QTcpSocket> socket, Answer answer, int piece) {
    if (!socket || socket->state() != QAbstractSocket::ConnectedState) {
      ++dropped;
      --pending_;
      return;
    }
    const qsizetype size = (answer.body.size() + answer.pieces - 1) / answer.pieces;
    socket->write(answer.body.mid(piece * size, size));
    if (piece + 1 == answer.stallAfter) {
      --pending_;
      return;
    }
    if (piece + 1 < answer.pieces) {
      QTimer::singleShot(answer.pauseMs, this, [this, socket, answer, piece] { Send(socket, answer, piece + 1); });
    } else {
      --pending_;
      socket->disconnectFromHost();
    }
  }

  QTcpServer server_;
  int pending_ = 0;
  QMap<QByteArray, Answer> answers_;
  QMap<QTcpSocket*, QByteArray> buffers_;
};

}  // namespace zur::testing
