#include "base/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qh {

SaveResult SaveResult::Failed(int error) { return {false, error, SystemErrorReason(error)}; }

SaveResult SaveResult::Failed(QString reason) { return {false, 0, std::move(reason)}; }

namespace {

constexpr int kTempSuffixChars = 6;

// Saving through a symbolic link replaces the file it points to, not the link.
QString ResolvedTarget(const QString& path) {
  const QFileInfo info(path);
  if (!info.isSymLink()) return info.absoluteFilePath();
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

QString RandomSuffix() {
  static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  QString suffix;
  for (int i = 0; i < kTempSuffixChars; ++i) {
    suffix += QLatin1Char(kChars[QRandomGenerator::global()->bounded(62)]);
  }
  return suffix;
}

// An open, new, locked temporary file beside target; fd -1 and errno set on failure.
struct TempFile {
  int Fd = -1;
  QByteArray Path;
};

TempFile CreateTemp(const QFileInfo& target, unsigned mode) {
  const QString prefix = target.absolutePath() + u'/' + SaveTempPrefix(target.fileName());
  for (int attempt = 0; attempt < 100; ++attempt) {
    TempFile temp{-1, QFile::encodeName(prefix + RandomSuffix())};
    temp.Fd = ::open(temp.Path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     static_cast<mode_t>(mode));
    if (temp.Fd >= 0) {
      // Held until the rename: the clean-up at the next start leaves a
      // temporary file alone while a running save holds it.
      ::flock(temp.Fd, LOCK_EX);
      return temp;
    }
    if (errno != EEXIST) break;
  }
  return {};
}

// Every byte, through short writes and interruptions; 0 or the errno.
int WriteAll(int fd, QByteArrayView bytes) {
  const char* data = bytes.data();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    left -= n;
  }
  return 0;
}

// The replaced file's owner (where we may set it) and permission bits; 0 or the errno.
int KeepOwnerAndMode(int fd, const struct stat& old) {
  // Ignored when not permitted: only root may give a file away.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) return errno;
  return ::fchmod(fd, old.st_mode & 07777) == 0 ? 0 : errno;
}

// Writes, flushes and closes the temporary file; 0 or the errno. The file
// descriptor is closed in every case.
int FillTemp(int fd, QByteArrayView bytes, const struct stat* old) {
  int error = old ? KeepOwnerAndMode(fd, *old) : 0;
  if (!error) error = WriteAll(fd, bytes);
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  return error;
}

// The rename is only durable once the folder is on disk too; a folder that
// cannot be flushed (some filesystems refuse) still holds the whole file.
void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

SaveResult SaveFile(const QString& path, QByteArrayView bytes, const SaveOptions& options) {
  if (path.isEmpty()) return SaveResult::Failed(ENOENT);
  const QFileInfo target(ResolvedTarget(path));
  const QByteArray native = QFile::encodeName(target.absoluteFilePath());

  struct stat old {};
  const bool exists = ::stat(native.constData(), &old) == 0;
  if (!exists && errno != ENOENT) return SaveResult::Failed(errno);
  if (exists && S_ISDIR(old.st_mode)) return SaveResult::Failed(EISDIR);
  if (exists && !S_ISREG(old.st_mode))
    return SaveResult::Failed(QStringLiteral("目标不是普通文件"));
  // A file its owner made read-only stays as it is.
  if (exists && ::access(native.constData(), W_OK) != 0) return SaveResult::Failed(errno);

  // What an earlier save of this file left when it was killed goes first.
  RemoveStaleSaveTemps(target.absoluteFilePath());
  const TempFile temp = CreateTemp(target, exists ? 0600 : options.NewFileMode);
  if (temp.Fd < 0) return SaveResult::Failed(errno);
  int error = FillTemp(temp.Fd, bytes, exists ? &old : nullptr);
  if (!error && ::rename(temp.Path.constData(), native.constData()) != 0) error = errno;
  if (error) {
    ::unlink(temp.Path.constData());
    return SaveResult::Failed(error);
  }
  SyncFolder(target.absolutePath());
  return {};
}

QString SystemErrorReason(int error) {
  switch (error) {
    case ENOSPC: return QStringLiteral("磁盘已满");
    case EDQUOT: return QStringLiteral("超出磁盘配额");
    case EACCES:
    case EPERM: return QStringLiteral("没有写入权限");
    case EROFS: return QStringLiteral("只读文件系统");
    case ENOTDIR: return QStringLiteral("路径中有一段不是文件夹");
    case EISDIR: return QStringLiteral("这是一个文件夹");
    case ENOENT: return QStringLiteral("文件夹不存在");
    case ENAMETOOLONG: return QStringLiteral("文件名太长");
    case EIO: return QStringLiteral("磁盘读写错误");
    case EFBIG: return QStringLiteral("文件太大");
    case ETXTBSY: return QStringLiteral("文件正被使用");
    default: return QString::fromLocal8Bit(std::strerror(error));
  }
}

QString SaveTempPrefix(const QString& fileName) { return fileName + QStringLiteral(".~qz"); }

int RemoveStaleSaveTemps(const QString& path) {
  const QFileInfo info(path);
  const QString prefix = SaveTempPrefix(info.fileName());
  const QDir dir = info.absoluteDir();
  int removed = 0;
  for (const QString& name : dir.entryList({prefix + QStringLiteral("??????")}, QDir::Files)) {
    const QByteArray native = QFile::encodeName(dir.filePath(name));
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    // A live save holds its file locked; a killed one's lock went with it.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(native.constData()) == 0) ++removed;
    ::close(fd);
  }
  return removed;
}

}  // namespace qh
