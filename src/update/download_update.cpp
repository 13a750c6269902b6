#include "update/download_update.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>
#include <memory>

#include "update/http_get.h"

namespace qh {

namespace {

const QString kCannotConnect = QStringLiteral("无法连接到下载服务器.");
const QString kEmptyFile = QStringLiteral("下载的文件为空.");
const QString kTransferError = QStringLiteral("下载过程中出错.");

constexpr qsizetype kHeadBytes = 4096;  // enough to find the PE header of any real program

bool IsSuccess(int status) { return status >= 200 && status < 300; }

bool IsFollowedRedirect(int status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Receives the body into a save file that only becomes the new file once
// the whole program has arrived and been checked.
class Receiver {
 public:
  Receiver(QNetworkReply& reply, QSaveFile& file, qint64 maxBytes)
      : reply_(reply), file_(file), maxBytes_(maxBytes) {}

  // Called after headers or data arrived; true stops the transfer.
  bool OnData() {
    const int status = HttpStatusOf(reply_);
    if (status == 0 || IsFollowedRedirect(status)) return false;
    if (!IsSuccess(status)) return Fail(kCannotConnect);
    const QVariant length = reply_.header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > maxBytes_) return Fail(kTransferError);
    return !Take(reply_.readAll());
  }

  // Writes a chunk; false once the transfer must stop.
  bool Take(const QByteArray& chunk) {
    if (chunk.isEmpty()) return true;
    total_ += chunk.size();
    if (total_ > maxBytes_) return !Fail(kTransferError);
    if (head_.size() < kHeadBytes) head_.append(chunk.left(kHeadBytes - head_.size()));
    if (file_.write(chunk) != chunk.size()) return !Fail(kTransferError);
    return true;
  }

  bool Fail(const QString& error) {
    if (error_.isEmpty()) error_ = error;
    return true;
  }

  qint64 total() const { return total_; }
  const QByteArray& head() const { return head_; }
  const QString& error() const { return error_; }

 private:
  QNetworkReply& reply_;
  QSaveFile& file_;
  qint64 maxBytes_;
  qint64 total_ = 0;
  QByteArray head_;
  QString error_;
};

// Why a finished transfer cannot be used, or empty when it can.
QString ProblemOfFinished(const QNetworkReply& reply, qint64 total) {
  const int status = HttpStatusOf(reply);
  if (status == 0 || !IsSuccess(status)) return kCannotConnect;
  // A connection closed early is still reported with status 200: compare
  // against the announced length as well.
  if (reply.error() != QNetworkReply::NoError) return kTransferError;
  const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && length.toLongLong() != total) return kTransferError;
  return {};
}

}  // namespace

ExecutableFormat NativeExecutableFormat() {
#if defined(Q_OS_WIN)
  return ExecutableFormat::Pe;
#else
  return ExecutableFormat::Elf;
#endif
}

bool LooksLikeProgram(QByteArrayView head, ExecutableFormat format) {
  if (format == ExecutableFormat::Elf) return head.startsWith("\x7F" "ELF");
  if (head.size() < 64 || !head.startsWith("MZ")) return false;
  quint32 e = 0;
  for (int i = 3; i >= 0; --i) e = (e << 8) | static_cast<quint8>(head[60 + i]);
  if (e == 0 || qint64(e) + 1 >= head.size()) return false;
  return head[e] == 'P' && head[e + 1] == 'E';
}

QString NewFileName() {
#if defined(Q_OS_WIN)
  return QStringLiteral("~qznew.exe");
#else
  return QStringLiteral("~qznew");
#endif
}

QString DownloadUpdate(const DownloadRequest& request, QString& errorText) {
  errorText.clear();
  const QString newPath = QDir(request.appDir).filePath(NewFileName());
  QFile::remove(newPath);

  QSaveFile file(newPath);
  if (!file.open(QIODevice::WriteOnly)) {
    errorText = kTransferError;
    return {};
  }
  QNetworkAccessManager manager;
  std::unique_ptr<QNetworkReply> reply(manager.get(UpdateRequest(request.url)));
  Receiver receiver(*reply, file, request.maxBytes);
  const WaitEnd end = WaitForReply(*reply, request.stallTimeoutMs, [&] { return receiver.OnData(); });

  QString problem = receiver.error();
  if (problem.isEmpty() && end == WaitEnd::Stalled)
    problem = HttpStatusOf(*reply) == 0 ? kCannotConnect : kTransferError;
  if (problem.isEmpty()) {
    receiver.Take(reply->readAll());
    problem = receiver.error().isEmpty() ? ProblemOfFinished(*reply, receiver.total())
                                         : receiver.error();
  }
  reply->abort();
  if (problem.isEmpty() && receiver.total() == 0) problem = kEmptyFile;
  if (problem.isEmpty() && !LooksLikeProgram(receiver.head(), request.format))
    problem = kTransferError;
  if (problem.isEmpty() && !file.commit()) problem = kTransferError;
  if (!problem.isEmpty()) {
    file.cancelWriting();
    QFile::remove(newPath);
    errorText = problem;
    return {};
  }
  QFile::setPermissions(newPath, QFile::permissions(newPath) | QFile::ExeOwner |
                                     QFile::ExeGroup | QFile::ExeOther);
  return newPath;
}

}  // namespace qh
