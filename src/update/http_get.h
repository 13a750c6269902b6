#pragma once
// The GET request shared by the version check and the download, and a
// transfer driven by the reply's signals: no waiting, the window stays live.
#include <QByteArray>
#include <QByteArrayView>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace qh {

inline constexpr char kUpdateUserAgent[] = "QingHeChart/1.0";

// Body bytes read from the reply at a time; also the most Qt buffers for us,
// so memory stays bounded however large the download is.
inline constexpr qint64 kTransferBufferBytes = 1 << 20;

// A plain GET of url with our user agent that bypasses every cache and asks
// for the bytes as stored (no transfer compression).
QNetworkRequest UpdateRequest(const QString& url);

// The HTTP status of a reply, or 0 when no response header has arrived.
int HttpStatusOf(const QNetworkReply& reply);

struct TransferEnd {
  enum EndKind {
    Complete,          // finished by itself, without error, as long as announced
    NoConnection,      // no answer from the server
    Refused,           // the server's machine refused the connection
    TlsFailed,         // no secure connection (certificate, protocol)
    TooManyRedirects,  // redirected too often (or in a circle)
    InsecureRedirect,  // redirected from https to plain http
    TooSlow,           // past the deadline, or slower than the minimum rate
    HttpError,         // the server answered with a status other than 2xx
    Interrupted,       // error, time-out or cut short after the answer began
    TooLarge,          // more than the allowed bytes announced or received
    SinkFailed,        // the receiver could not take the bytes (disk full ...)
  };
  EndKind Kind = NoConnection;
  int Status = 0;           // the final HTTP status, 0 when none arrived
  QByteArray LastModified;  // the raw Last-Modified header of the final answer
  QByteArray Date;          // the raw Date header of the final answer (the server's clock)
  qint64 Bytes = 0;         // body bytes handed to the sink
};

// One GET. With a sink, the body is handed over piece by piece as it
// arrives; without one, the transfer ends as soon as the final answer's
// headers are there and the body is never read. `done` is called exactly
// once, unless the transfer is destroyed first; it must not delete the
// transfer directly (deleteLater is fine).
class HttpTransfer : public QObject {
 public:
  using Sink = std::function<bool(QByteArrayView)>;  // false: cannot take the bytes
  using Done = std::function<void(const TransferEnd&)>;

  struct Options {
    QString Url;
    qint64 MaxBytes = 0;  // body limit (with a sink)
    int StallTimeoutMs = 30000;
    HttpTransfer::Sink Sink{};
    int DeadlineMs = 0;  // the whole transfer ends within this; 0: no limit
    // With a sink: fewer body bytes than this per second, over any window
    // of RateWindowMs, end the transfer (a trickle never stalls). 0: none.
    qint64 MinBytesPerSecond = 0;
    int RateWindowMs = 30000;
  };

  HttpTransfer(QNetworkAccessManager& manager, Options options, Done done);
  ~HttpTransfer() override;

 private:
  void OnHeaders();
  void OnBody();
  void OnFinished();
  void OnRateWindow();
  void End(TransferEnd::EndKind kind);
  bool FinalStatus() const;

  Options options_;
  Done done_;
  QPointer<QNetworkReply> reply_;
  QTimer stall_;
  QTimer deadline_;
  QTimer rate_;
  qint64 bytesAtWindowStart_ = 0;
  QByteArray buffer_;
  TransferEnd end_;
  bool ended_ = false;
};

}  // namespace qh
