#include "base/save_file.h"

#include "base/native_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace qh {

SaveResult SaveResult::Failed(int error) { return {false, error, SystemErrorReason(error)}; }

SaveResult SaveResult::Failed(QString reason) { return {false, 0, std::move(reason)}; }

namespace {

constexpr int kTempSuffixChars = 6;
constexpr char kTempMarker[] = ".~qz";
constexpr size_t kTempMarkerBytes = 4;
constexpr size_t kTempSuffixBytes = kTempSuffixChars;

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
    TempFile temp{-1, NativeName(prefix + RandomSuffix())};
    temp.Fd = ::open(temp.Path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                     static_cast<mode_t>(mode));
    if (temp.Fd < 0) {
      if (errno != EEXIST) break;
      continue;
    }
    // Held until the rename: a clean-up leaves a temporary file alone while
    // a running save holds it.
    ::flock(temp.Fd, LOCK_EX);
    // Another save's clean-up may have taken the file between open and
    // flock, when it was not locked yet: then it is gone, take another.
    struct stat st {};
    if (::fstat(temp.Fd, &st) == 0 && st.st_nlink > 0) return temp;
    ::close(temp.Fd);
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

constexpr char kAccessAcl[] = "system.posix_acl_access";

// The owning group's own bits in an access ACL (its entry limited by the
// mask), or -1 when the ACL cannot be read. The group bits of the mode of a
// file with an ACL are the mask, which may grant more.
int AclOwningGroupBits(const QByteArray& acl) {
  constexpr quint16 kGroupObj = 0x04, kMask = 0x10;
  constexpr int kHeader = 4, kEntry = 8;
  if (acl.size() < kHeader || (acl.size() - kHeader) % kEntry != 0) return -1;
  const auto u16 = [&acl](qsizetype at) {
    return static_cast<quint16>(static_cast<unsigned char>(acl[at]) |
                                static_cast<unsigned char>(acl[at + 1]) << 8);
  };
  int group = -1, mask = 7;
  for (qsizetype at = kHeader; at < acl.size(); at += kEntry) {
    if (u16(at) == kGroupObj) group = u16(at + 2) & 7;
    if (u16(at) == kMask) mask = u16(at + 2) & 7;
  }
  return group < 0 ? -1 : group & mask;
}

// The replaced file's access ACL, empty when it has none (or the
// filesystem keeps none).
QByteArray AccessAclOf(const QByteArray& path) {
  QByteArray acl(256, Qt::Uninitialized);
  for (;;) {
    const ssize_t n =
        ::getxattr(path.constData(), kAccessAcl, acl.data(), static_cast<size_t>(acl.size()));
    if (n >= 0) return acl.left(n);
    if (errno != ERANGE || acl.size() > 65536) return {};
    acl.resize(acl.size() * 4);
  }
}

// The replaced file's owner (where we may set it), permission bits and
// access ACL; 0 or the errno. An ACL the new file cannot take leaves the
// owning group with its own bits, never the wider mask.
int KeepOwnerAndMode(int fd, const struct stat& old, const QByteArray& acl) {
  // Ignored when not permitted: only root may give a file away.
  if (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) return errno;
  // A default ACL of the folder gave the new file one the old did not have.
  if (acl.isEmpty()) ::fremovexattr(fd, kAccessAcl);
  mode_t mode = old.st_mode & 07777;
  if (::fchmod(fd, mode) != 0) return errno;
  if (acl.isEmpty() ||
      ::fsetxattr(fd, kAccessAcl, acl.constData(), static_cast<size_t>(acl.size()), 0) == 0)
    return 0;
  const int group = AclOwningGroupBits(acl);
  mode = (mode & ~static_cast<mode_t>(070)) | static_cast<mode_t>(group < 0 ? 0 : group << 3);
  return ::fchmod(fd, mode) == 0 ? 0 : errno;
}

// Writes, flushes and closes the temporary file; 0 or the errno. The file
// descriptor is closed in every case.
int FillTemp(int fd, QByteArrayView bytes, const struct stat* old, const QByteArray& acl) {
  int error = old ? KeepOwnerAndMode(fd, *old, acl) : 0;
  if (!error) error = WriteAll(fd, bytes);
  if (!error && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  return error;
}

// The rename is only durable once the folder is on disk too; a folder that
// cannot be flushed (some filesystems refuse) still holds the whole file.
void SyncFolder(const QString& folder) {
  const int fd = ::open(NativeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

SaveResult SaveFile(const QString& path, QByteArrayView bytes, const SaveOptions& options) {
  if (path.isEmpty()) return SaveResult::Failed(ENOENT);
  const QFileInfo target(ResolvedTarget(path));
  const QByteArray native = NativeName(target.absoluteFilePath());

  struct stat old {};
  const bool exists = ::stat(native.constData(), &old) == 0;
  if (!exists && errno != ENOENT) return SaveResult::Failed(errno);
  if (exists && S_ISDIR(old.st_mode)) return SaveResult::Failed(EISDIR);
  if (exists && !S_ISREG(old.st_mode))
    return SaveResult::Failed(QStringLiteral("目标不是普通文件"));
  // A file its owner made read-only stays as it is, also for root.
  if (exists && ::access(native.constData(), W_OK) != 0) return SaveResult::Failed(errno);
  if (exists && (old.st_mode & S_IWUSR) == 0) return SaveResult::Failed(EACCES);

  // What killed saves in this folder left goes first.
  if (options.RemoveStaleTemps) RemoveStaleSaveTemps(target.absoluteFilePath());
  const QByteArray acl = exists ? AccessAclOf(native) : QByteArray();
  const TempFile temp = CreateTemp(target, exists ? 0600 : options.NewFileMode);
  if (temp.Fd < 0) return SaveResult::Failed(errno);
  // The lock must outlive FillTemp's checked close until the rename, or
  // another save's clean-up could take the finished file: a duplicate
  // descriptor holds it.
  const int lockFd = ::fcntl(temp.Fd, F_DUPFD_CLOEXEC, 0);
  int error = FillTemp(temp.Fd, bytes, exists ? &old : nullptr, acl);
  if (!error && ::rename(temp.Path.constData(), native.constData()) != 0) error = errno;
  if (error) ::unlink(temp.Path.constData());
  if (lockFd >= 0) ::close(lockFd);
  if (error) return SaveResult::Failed(error);
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

QString SaveTempPrefix(const QString& fileName) {
  // The temporary name must fit where the file's own name just fits: a long
  // name is cut (on a character boundary) to leave room for the ten bytes.
  constexpr qsizetype kRoom = NAME_MAX - qsizetype{kTempMarkerBytes + kTempSuffixBytes};
  QByteArray name = NativeName(fileName);
  if (name.size() > kRoom) {
    qsizetype cut = kRoom;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.truncate(cut);
  }
  return NameFromNative(name) + QLatin1StringView(kTempMarker);
}

namespace {

// "*.~qz" and six letters or digits.
bool IsSaveTempName(const char* name) {
  const size_t length = std::strlen(name);
  const size_t tail = kTempMarkerBytes + kTempSuffixBytes;
  if (length < tail || std::memcmp(name + length - tail, kTempMarker, kTempMarkerBytes) != 0)
    return false;
  for (size_t i = length - kTempSuffixBytes; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

// Removes name when it is a temporary file no running save holds.
bool RemoveIfStale(const QByteArray& native) {
  // Non-blocking: a pipe given such a name must not hold up the save.
  const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return false;
  bool removed = false;
  struct stat open {
  }, named{};
  // A live save holds its file locked; a killed one's lock went with it.
  // The name must still be the file locked: a save renames its file away.
  if (::fstat(fd, &open) == 0 && S_ISREG(open.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::lstat(native.constData(), &named) == 0 && named.st_dev == open.st_dev &&
      named.st_ino == open.st_ino) {
    removed = ::unlink(native.constData()) == 0;
  }
  ::close(fd);
  return removed;
}

}  // namespace

int RemoveStaleSaveTemps(const QString& path) {
  const QByteArray folder = NativeName(QFileInfo(path).absolutePath());
  DIR* dir = ::opendir(folder.constData());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (IsSaveTempName(entry->d_name) && RemoveIfStale(folder + '/' + entry->d_name)) ++removed;
  }
  ::closedir(dir);
  return removed;
}

}  // namespace qh
