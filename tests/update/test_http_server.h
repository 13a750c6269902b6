#pragma once
// A one-response HTTP server on 127.0.0.1 for the update tests. Every
// request gets the same canned bytes; the server lives in the test's thread
// and answers while the code under test runs its local event loop.
#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QString>
#include <memory>

namespace qh::test {

struct CannedResponse {
  QByteArray bytes;           // status line, headers, blank line and body
  bool closeAfter = true;     // false: keep the connection open (a stall)
  bool answer = true;         // false: accept the request and never answer
};

// Builds a response; contentLength < 0 means the body's own length.
inline QByteArray HttpResponse(int status, const QByteArray& lastModified, const QByteArray& body,
                               qint64 contentLength = -1) {
  QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
  if (!lastModified.isNull()) out += "Last-Modified: " + lastModified + "\r\n";
  out += "Content-Length: " +
         QByteArray::number(contentLength < 0 ? body.size() : contentLength) + "\r\n";
  out += "Connection: close\r\n\r\n";
  return out + body;
}

class TestHttpServer {
 public:
  explicit TestHttpServer(CannedResponse response) : response_(std::move(response)) {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
  }

  QString Url() const {
    return QStringLiteral("http://127.0.0.1:%1/Down/LumoChart.exe").arg(server_.serverPort());
  }
  int requests() const { return requests_; }
  const QByteArray& lastRequest() const { return lastRequest_; }

 private:
  void Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(&server_);
      auto request = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        request->append(socket->readAll());
        if (!request->contains("\r\n\r\n")) return;
        ++requests_;
        lastRequest_ = *request;
        request->clear();
        if (!response_.answer) return;
        socket->write(response_.bytes);
        if (response_.closeAfter) socket->disconnectFromHost();
      });
    }
  }

  CannedResponse response_;
  QTcpServer server_;
  int requests_ = 0;
  QByteArray lastRequest_;
};

// A program body this platform accepts.
inline QByteArray ProgramBody(int size) {
  QByteArray body("\x7F" "ELF", 4);
  body.append(QByteArray(size - 4, 'x'));
  return body;
}

}  // namespace qh::test
