#include "update/download_update.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <optional>

#include "base/user_messages.h"

namespace qh {

namespace {

const QString kCannotConnect = QStringLiteral("无法连接到下载服务器.");
const QString kRefusedConnection = QStringLiteral("下载服务器拒绝了连接.");
const QString kTlsFailed = QStringLiteral("无法与下载服务器建立安全连接(证书或加密协议有误).");
const QString kTooManyRedirects = QStringLiteral("下载地址的转向次数太多.");
const QString kInsecureRedirect =
    QStringLiteral("下载地址从加密的 https 转向了不加密的 http 地址,已拒绝.");
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

QString PrivateFolderLockName() { return QStringLiteral("~qzdl.lock"); }

QString HandedOverMarkName() { return QStringLiteral("~qzdl.script"); }

namespace {

// The update script lives about two minutes (its waits and retries); a mark
// far older than that belongs to a script that died.
constexpr qint64 kScriptLifetimeSeconds = 15 * 60;

// The files a private folder of ours can hold: the download, the lock (and
// QLockFile's short-lived helper beside it) and the hand-over mark.
bool IsOurFileName(const QString& name) {
  return name == NewFileName() || name == HandedOverMarkName() ||
         name.startsWith(PrivateFolderLockName());
}

// What is in folder, when it is all ours; nullopt otherwise.
std::optional<QFileInfoList> OurFiles(const QDir& folder) {
  const QFileInfoList entries =
      folder.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QFileInfo& entry : entries)
    if (!entry.isFile() || entry.isSymLink() || !IsOurFileName(entry.fileName()))
      return std::nullopt;
  return entries;
}

bool ScriptStillWorksIn(const QDir& folder) {
  const QFileInfo mark(folder.filePath(HandedOverMarkName()));
  return mark.exists() &&
         mark.lastModified().secsTo(QDateTime::currentDateTime()) < kScriptLifetimeSeconds;
}

}  // namespace

PrivateFolder::PrivateFolder(const QString& appDir) {
  // Another copy's start-up may find the fresh folder before its lock is
  // there and remove it: then a new one is made.
  for (int attempt = 0; attempt < 3 && !valid_; ++attempt) {
    lock_.reset();
    dir_ = std::make_unique<QTemporaryDir>(QDir(appDir).filePath(PrivateFolderTemplate()));
    if (!dir_->isValid()) return;
    lock_ = std::make_unique<QLockFile>(QDir(dir_->path()).filePath(PrivateFolderLockName()));
    lock_->setStaleLockTime(0);  // held for as long as we run, however long that is
    valid_ = lock_->tryLock(0);
  }
}

PrivateFolder::~PrivateFolder() {
  lock_.reset();  // the lock file goes with the folder
}

QString PrivateFolder::Path() const { return valid_ ? dir_->path() : QString(); }

void PrivateFolder::HandOver() {
  if (!valid_) return;
  QFile mark(QDir(dir_->path()).filePath(HandedOverMarkName()));
  if (mark.open(QIODevice::WriteOnly | QIODevice::Truncate)) mark.close();
  dir_->setAutoRemove(false);
}

void RemoveLeftoverDownloads(const QString& appDir) {
  const QDir dir(appDir);
  const QStringList leftovers =
      dir.entryList({QStringLiteral("~qzdl-??????")}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks);
  for (const QString& name : leftovers) {
    const QDir folder(dir.filePath(name));
    if (!IsPrivateToUs(QFileInfo(folder.path()))) continue;
    const std::optional<QFileInfoList> files = OurFiles(folder);
    if (!files || ScriptStillWorksIn(folder)) continue;
    QLockFile lock(folder.filePath(PrivateFolderLockName()));
    lock.setStaleLockTime(0);
    if (!lock.tryLock(0)) continue;  // a running copy's download
    for (const QFileInfo& file : *files)
      if (!file.fileName().startsWith(PrivateFolderLockName())) QFile::remove(file.filePath());
    lock.unlock();
    dir.rmdir(name);
  }
}

QString FolderNotWritableText() { return QStringLiteral("程序所在的文件夹不能写入,无法自动更新."); }

QString TransferProblem(const TransferEnd& end) {
  switch (end.Kind) {
    case TransferEnd::Complete: return {};
    case TransferEnd::NoConnection: return kCannotConnect;
    case TransferEnd::Refused: return kRefusedConnection;
    case TransferEnd::TlsFailed: return kTlsFailed;
    case TransferEnd::TooManyRedirects: return kTooManyRedirects;
    case TransferEnd::InsecureRedirect: return kInsecureRedirect;
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
  result.LastModified = end.LastModified;
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
