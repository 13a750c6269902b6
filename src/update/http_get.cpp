#include "update/http_get.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace qh {

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

WaitEnd WaitForReply(QNetworkReply& reply, int stallMs, const std::function<bool()>& onData) {
  if (reply.isFinished()) return WaitEnd::Finished;
  QEventLoop loop;
  QTimer stall;
  stall.setSingleShot(true);
  WaitEnd end = WaitEnd::Finished;
  auto progress = [&] {
    stall.start(stallMs);
    if (onData && onData()) {
      end = WaitEnd::Stopped;
      loop.quit();
    }
  };
  QObject::connect(&reply, &QNetworkReply::metaDataChanged, &loop, progress);
  QObject::connect(&reply, &QNetworkReply::readyRead, &loop, progress);
  QObject::connect(&reply, &QNetworkReply::finished, &loop, [&] {
    if (end != WaitEnd::Stopped) end = WaitEnd::Finished;
    loop.quit();
  });
  QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
    end = WaitEnd::Stalled;
    loop.quit();
  });
  stall.start(stallMs);
  loop.exec();
  return end;
}

int HttpStatusOf(const QNetworkReply& reply) {
  return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

}  // namespace qh
