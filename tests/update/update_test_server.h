#pragma once
// An HTTP server on 127.0.0.1 for the update tests, living in the test's
// thread: it answers while the code under test runs on the same event loop.
// Each path has one canned answer; bodies can also be generated and
// streamed with back-pressure, so hundreds of megabytes never sit in memory.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QString>
#include <memory>

namespace qh::test {

inline constexpr char kProgramPath[] = "/Down/LumoChart.exe";

struct Route {
  QByteArray Head;          // status line and headers, without the blank line
  QByteArray Body;          // sent as is (or chunked)
  qint64 StreamBytes = -1;  // >= 0: a generated body of this many bytes instead
  bool Chunked = false;     // Transfer-Encoding: chunked (add the header to head)
  bool Finish = true;       // false: after the body keep the connection open, silent
  bool Answer = true;       // false: read the request and never answer
  int BytesPerSecond = 0;   // > 0: the body trickles at this rate
};

// Status line plus headers; contentLength < 0 sends none.
inline QByteArray Head(int status, const QByteArray& lastModified, qint64 contentLength) {
  QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
  if (!lastModified.isNull()) out += "Last-Modified: " + lastModified + "\r\n";
  if (contentLength >= 0) out += "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
  return out + "Connection: close\r\n";
}

inline Route Answer(int status, const QByteArray& lastModified, const QByteArray& body,
                    qint64 contentLength = -2) {
  return {Head(status, lastModified, contentLength == -2 ? body.size() : contentLength), body};
}

// The generated body: a repeating 64 KiB block, so its digest is cheap to compute.
inline QByteArray StreamBlock() {
  QByteArray block(64 * 1024, '\0');
  for (int i = 0; i < block.size(); ++i) block[i] = char((i * 131 + i / 251) & 0xFF);
  return block;
}

class TestHttpServer {
 public:
  TestHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
  }

  void Serve(const QByteArray& path, Route route) { routes_[path] = std::move(route); }

  QString Url(const QByteArray& path = kProgramPath) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()) +
           QString::fromLatin1(path);
  }
  int requests(const QByteArray& path = kProgramPath) const { return requests_.value(path); }
  const QByteArray& lastRequest() const { return lastRequest_; }

 private:
  struct Stream {
    QTcpSocket* Socket;
    test::Route Route;
    qint64 Sent = 0;
  };

  void Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(&server_);
      auto request = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n")) return;
        const QByteArray path = request->split(' ').value(1);
        ++requests_[path];
        lastRequest_ = *request;
        request->clear();
        Respond(socket, routes_.value(path, Answer(404, {}, "no such file")));
      });
    }
  }

  void Respond(QTcpSocket* socket, const Route& route) {
    if (!route.Answer) return;
    socket->write(route.Head + "\r\n");
    if (route.BytesPerSecond > 0) return Trickle(socket, route);
    auto stream = std::make_shared<Stream>(Stream{socket, route});
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, stream] { Feed(*stream); });
    Feed(*stream);
  }

  // One byte at a time, for as long as the client listens.
  void Trickle(QTcpSocket* socket, const Route& route) {
    auto* timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, route, sent] {
      if (*sent < route.Body.size()) socket->write(route.Body.mid((*sent)++, 1));
    });
    timer->start(1000 / route.BytesPerSecond);
  }

  // Writes the next pieces while the socket's own buffer is small.
  void Feed(Stream& s) {
    const qint64 total = s.Route.StreamBytes >= 0 ? s.Route.StreamBytes : s.Route.Body.size();
    while (s.Sent < total && s.Socket->bytesToWrite() < kHighWater) {
      QByteArray piece = s.Route.StreamBytes >= 0
                             ? block_.left(qMin<qint64>(block_.size(), total - s.Sent))
                             : s.Route.Body.mid(s.Sent, kPiece);
      s.Sent += piece.size();
      if (s.Route.Chunked) piece = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
      s.Socket->write(piece);
    }
    if (s.Sent < total || !s.Route.Finish || s.Socket->property("ending").toBool()) return;
    s.Socket->setProperty("ending", true);
    if (s.Route.Chunked) s.Socket->write("0\r\n\r\n");
    s.Socket->disconnectFromHost();
  }

  static constexpr qint64 kHighWater = 256 * 1024;
  static constexpr qsizetype kPiece = 64 * 1024;
  const QByteArray block_ = StreamBlock();
  QHash<QByteArray, Route> routes_;
  QTcpServer server_;
  QHash<QByteArray, int> requests_;
  QByteArray lastRequest_;
};

}  // namespace qh::test
