#include "update/http_get.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>
#include <optional>

namespace qh {

namespace {

bool IsSuccess(int status) { return status >= 200 && status < 300; }

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The failures that have a text of their own; the rest count by whether
// an answer had begun.
std::optional<TransferEnd::EndKind> KindOfError(QNetworkReply::NetworkError error) {
  switch (error) {
    case QNetworkReply::ConnectionRefusedError: return TransferEnd::Refused;
    case QNetworkReply::SslHandshakeFailedError: return TransferEnd::TlsFailed;
    case QNetworkReply::InsecureRedirectError: return TransferEnd::InsecureRedirect;
    case QNetworkReply::TooManyRedirectsError: return TransferEnd::TooManyRedirects;
    default: return std::nullopt;
  }
}

// A reply that already failed winds down by itself; aborting it again only
// makes Qt complain.
void StopReply(QNetworkReply& reply) {
  if (!reply.isFinished() && reply.error() == QNetworkReply::NoError) reply.abort();
}

}  // namespace

QNetworkRequest UpdateRequest(const QString& url) {
  QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
  request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUpdateUserAgent));
  // Our own Accept-Encoding keeps Qt from unpacking the body, so the bytes
  // saved are the bytes served and Content-Length can be checked.
  request.setRawHeader("Accept-Encoding", "identity");
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  return request;
}

int HttpStatusOf(const QNetworkReply& reply) {
  return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

HttpTransfer::HttpTransfer(QNetworkAccessManager& manager, Options options, Done done)
    : options_(std::move(options)), done_(std::move(done)) {
  reply_ = manager.get(UpdateRequest(options_.Url));
  if (options_.Sink) {
    reply_->setReadBufferSize(kTransferBufferBytes);
    buffer_.resize(kTransferBufferBytes);
  }
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this] { OnHeaders(); });
  connect(reply_, &QNetworkReply::readyRead, this, [this] { OnBody(); });
  connect(reply_, &QNetworkReply::finished, this, [this] { OnFinished(); });
  stall_.setSingleShot(true);
  connect(&stall_, &QTimer::timeout, this,
          [this] { End(end_.Status == 0 ? TransferEnd::NoConnection : TransferEnd::Interrupted); });
  stall_.start(options_.StallTimeoutMs);
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, [this] { End(TransferEnd::TooSlow); });
  if (options_.DeadlineMs > 0) deadline_.start(options_.DeadlineMs);
  connect(&rate_, &QTimer::timeout, this, [this] { OnRateWindow(); });
  if (options_.Sink && options_.MinBytesPerSecond > 0) rate_.start(options_.RateWindowMs);
}

HttpTransfer::~HttpTransfer() {
  if (reply_) {
    reply_->disconnect(this);
    StopReply(*reply_);
    reply_->deleteLater();
  }
}

bool HttpTransfer::FinalStatus() const {
  return end_.Status != 0 && !IsFollowedRedirect(end_.Status);
}

void HttpTransfer::OnHeaders() {
  if (ended_) return;
  stall_.start(options_.StallTimeoutMs);
  end_.Status = HttpStatusOf(*reply_);
  if (!FinalStatus()) return;
  end_.LastModified = reply_->rawHeader("Last-Modified");
  end_.Date = reply_->rawHeader("Date");
  if (!options_.Sink) return End(TransferEnd::Complete);
  if (!IsSuccess(end_.Status)) return End(TransferEnd::HttpError);
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && length.toLongLong() > options_.MaxBytes) End(TransferEnd::TooLarge);
}

void HttpTransfer::OnBody() {
  if (ended_ || !options_.Sink) return;
  stall_.start(options_.StallTimeoutMs);
  if (!FinalStatus() || !IsSuccess(end_.Status)) return;
  while (!ended_ && reply_->bytesAvailable() > 0) {
    const qint64 n = reply_->read(buffer_.data(), buffer_.size());
    if (n <= 0) break;
    end_.Bytes += n;
    if (end_.Bytes > options_.MaxBytes) return End(TransferEnd::TooLarge);
    if (!options_.Sink(QByteArrayView(buffer_.constData(), n))) return End(TransferEnd::SinkFailed);
  }
}

void HttpTransfer::OnRateWindow() {
  const qint64 received = end_.Bytes - bytesAtWindowStart_;
  bytesAtWindowStart_ = end_.Bytes;
  if (received * 1000 < options_.MinBytesPerSecond * options_.RateWindowMs)
    End(TransferEnd::TooSlow);
}

void HttpTransfer::OnFinished() {
  if (ended_) return;
  if (const auto kind = KindOfError(reply_->error())) return End(*kind);
  end_.Status = HttpStatusOf(*reply_);
  if (end_.Status == 0) return End(TransferEnd::NoConnection);
  end_.LastModified = reply_->rawHeader("Last-Modified");
  end_.Date = reply_->rawHeader("Date");
  if (!options_.Sink) return End(TransferEnd::Complete);
  if (!IsSuccess(end_.Status)) return End(TransferEnd::HttpError);
  OnBody();
  if (ended_) return;
  // A connection closed early can still be reported as a success: compare
  // against the announced length as well.
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  const bool whole = reply_->error() == QNetworkReply::NoError &&
                     (!length.isValid() || length.toLongLong() == end_.Bytes);
  End(whole ? TransferEnd::Complete : TransferEnd::Interrupted);
}

void HttpTransfer::End(TransferEnd::EndKind kind) {
  if (ended_) return;
  ended_ = true;
  stall_.stop();
  deadline_.stop();
  rate_.stop();
  end_.Kind = kind;
  if (reply_) {
    reply_->disconnect(this);
    StopReply(*reply_);
  }
  // Last statement: the owner may retire the transfer from the callback.
  done_(end_);
}

}  // namespace qh
