#include "update/download_update.h"

#include <QDir>

#include "base/user_messages.h"

namespace qh {

namespace {

const QString kCannotConnect = QStringLiteral("无法连接到下载服务器.");
const QString kEmptyFile = QStringLiteral("下载的文件为空.");
const QString kTransferError = QStringLiteral("下载过程中出错.");
const QString kNotFound = QStringLiteral("服务器上没有找到更新文件.");
const QString kRefused = QStringLiteral("下载服务器拒绝了请求.");
const QString kTooLarge = QStringLiteral("更新文件太大(超过 512 MB),已放弃更新.");

QString StatusHint(int status) { return QStringLiteral("服务器返回了状态码 %1.").arg(status); }

}  // namespace

QString TransferProblem(const TransferEnd& end) {
  switch (end.kind) {
    case TransferEnd::Complete: return {};
    case TransferEnd::NoConnection: return kCannotConnect;
    case TransferEnd::HttpError:
      return ReasonAndHint(end.status == 404 || end.status == 410 ? kNotFound : kRefused,
                           StatusHint(end.status));
    case TransferEnd::TooLarge: return kTooLarge;
    case TransferEnd::Interrupted:
    case TransferEnd::SinkFailed: break;
  }
  return kTransferError;
}

ProgramDownload::ProgramDownload(QNetworkAccessManager& manager, const DownloadRequest& request,
                                 Done done)
    : done_(std::move(done)), file_(QDir(request.appDir).filePath(NewFileName())) {
  QFile::remove(file_.fileName());
  // The transfer starts here but reports from the event loop, after the
  // constructor has returned: a file that cannot be opened fails it there.
  const bool open = file_.open(QIODevice::WriteOnly | QIODevice::Truncate);
  HttpTransfer::Options options{
      .url = request.url,
      .maxBytes = request.maxBytes,
      .stallTimeoutMs = request.stallTimeoutMs,
      .sink = [this, open](QByteArrayView bytes) {
        if (!open || file_.write(bytes.data(), bytes.size()) != bytes.size()) return false;
        sha_.Add(bytes);
        return true;
      }};
  transfer_ = std::make_unique<HttpTransfer>(manager, std::move(options),
                                             [this](const TransferEnd& end) { OnEnd(end); });
}

ProgramDownload::~ProgramDownload() {
  transfer_.reset();
  if (!complete_) {
    file_.close();
    QFile::remove(file_.fileName());
  }
}

void ProgramDownload::OnEnd(const TransferEnd& end) {
  DownloadResult result;
  result.bytes = end.bytes;
  result.error = TransferProblem(end);
  const bool flushed = file_.flush();
  file_.close();
  if (result.error.isEmpty() && (!flushed || file_.error() != QFileDevice::NoError))
    result.error = kTransferError;
  if (result.error.isEmpty() && end.bytes == 0) result.error = kEmptyFile;
  if (result.error.isEmpty()) {
    result.digest = sha_.Finish();
    if (result.digest.isEmpty()) result.error = kTransferError;
  }
  complete_ = result.error.isEmpty();
  if (complete_) {
    result.path = file_.fileName();
  } else {
    QFile::remove(file_.fileName());
  }
  done_(result);
}

}  // namespace qh
