#include "update/download_update.h"

#include <QDir>
#include <cerrno>

#include "base/user_messages.h"

namespace qh {

namespace {

const QString kCannotConnect = QStringLiteral("无法连接到下载服务器.");
const QString kRefusedConnection = QStringLiteral("下载服务器拒绝了连接.");
const QString kTlsFailed = QStringLiteral("无法与下载服务器建立安全连接(证书或加密协议有误).");
const QString kTooManyRedirects = QStringLiteral("下载地址的转向次数太多.");
const QString kTooSlow = QStringLiteral("下载太慢,没有在限定的时间内完成,已放弃更新.");
const QString kCheckNetwork = QStringLiteral("请检查网络连接后再试.");
const QString kEmptyFile = QStringLiteral("下载的文件为空.");
const QString kTransferError = QStringLiteral("下载过程中出错.");
const QString kDiskFull = QStringLiteral("磁盘空间不足,无法保存下载的文件.");
const QString kFreeSomeSpace = QStringLiteral("请腾出磁盘空间后再试.");
const QString kNotFound = QStringLiteral("服务器上没有找到更新文件.");
const QString kRefused = QStringLiteral("下载服务器拒绝了请求.");
const QString kTooLarge = QStringLiteral("更新文件太大(超过 512 MB),已放弃更新.");

QString StatusHint(int status) { return QStringLiteral("服务器返回了状态码 %1.").arg(status); }

}  // namespace

QString PrivateFolderTemplate() { return QStringLiteral("~qzdl-XXXXXX"); }

void RemoveLeftoverDownloads(const QString& appDir) {
  const QDir dir(appDir);
  const QStringList leftovers =
      dir.entryList({QStringLiteral("~qzdl-??????")}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
  for (const QString& name : leftovers) QDir(dir.filePath(name)).removeRecursively();
}

QString FolderNotWritableText() { return QStringLiteral("程序所在的文件夹不能写入,无法自动更新."); }

QString TransferProblem(const TransferEnd& end) {
  switch (end.Kind) {
    case TransferEnd::Complete: return {};
    case TransferEnd::NoConnection: return kCannotConnect;
    case TransferEnd::Refused: return kRefusedConnection;
    case TransferEnd::TlsFailed: return kTlsFailed;
    case TransferEnd::TooManyRedirects: return kTooManyRedirects;
    case TransferEnd::TooSlow: return ReasonAndHint(kTooSlow, kCheckNetwork);
    case TransferEnd::HttpError:
      return ReasonAndHint(end.Status == 404 || end.Status == 410 ? kNotFound : kRefused,
                           StatusHint(end.Status));
    case TransferEnd::TooLarge: return kTooLarge;
    case TransferEnd::Interrupted:
    case TransferEnd::SinkFailed: break;
  }
  return kTransferError;
}

bool WriteAllBytes(QFile& file, QByteArrayView bytes, bool& diskFull) {
  errno = 0;
  if (file.write(bytes.data(), bytes.size()) == bytes.size()) return true;
#if defined(EDQUOT)
  diskFull = errno == ENOSPC || errno == EDQUOT;
#else
  diskFull = errno == ENOSPC;
#endif
  return false;
}

ProgramDownload::ProgramDownload(QNetworkAccessManager& manager, const DownloadRequest& request,
                                 Done done)
    : done_(std::move(done)), file_(QDir(request.Folder).filePath(NewFileName())) {
  // Created here or not at all (O_EXCL): nobody can have put a file or a
  // link of that name in the private folder first. Unbuffered, so a full
  // disk shows at the write that meets it.
  open_ = file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
  // The transfer starts here but reports from the event loop, after the
  // constructor has returned: a file that cannot be opened fails it there.
  HttpTransfer::Options options{.Url = request.Url,
                                .MaxBytes = request.MaxBytes,
                                .StallTimeoutMs = request.StallTimeoutMs,
                                .Sink = [this](QByteArrayView bytes) { return Write(bytes); },
                                .DeadlineMs = request.DeadlineMs,
                                .MinBytesPerSecond = request.MinBytesPerSecond,
                                .RateWindowMs = request.RateWindowMs};
  transfer_ = std::make_unique<HttpTransfer>(manager, std::move(options),
                                             [this](const TransferEnd& end) { OnEnd(end); });
}

ProgramDownload::~ProgramDownload() {
  transfer_.reset();
  if (!complete_ && open_) {
    file_.close();
    QFile::remove(file_.fileName());
  }
}

bool ProgramDownload::Write(QByteArrayView bytes) {
  return open_ && WriteAllBytes(file_, bytes, diskFull_);
}

void ProgramDownload::OnEnd(const TransferEnd& end) {
  DownloadResult result;
  result.Bytes = end.Bytes;
  result.Error = TransferProblem(end);
  if (open_) file_.close();
  if (end.Kind == TransferEnd::SinkFailed && diskFull_)
    result.Error = ReasonAndHint(kDiskFull, kFreeSomeSpace);
  if (end.Kind == TransferEnd::SinkFailed && !open_) result.Error = FolderNotWritableText();
  if (result.Error.isEmpty() && file_.error() != QFileDevice::NoError)
    result.Error = kTransferError;
  if (result.Error.isEmpty() && end.Bytes == 0) result.Error = kEmptyFile;
  complete_ = result.Error.isEmpty();
  if (complete_) {
    result.Path = file_.fileName();
  } else if (open_) {
    QFile::remove(file_.fileName());
  }
  done_(result);
}

}  // namespace qh
