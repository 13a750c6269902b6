#pragma once
// A real filesystem that runs full: a small tmpfs mounted for one test (CI
// runs as root). Without root, or where mounting is not allowed, the test
// is skipped with a message saying so.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace qh::test {

class SmallTmpfs {
 public:
  explicit SmallTmpfs(int kilobytes) {
    if (::geteuid() != 0) {
      skipReason_ = "needs root to mount a small tmpfs";
      return;
    }
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    const QByteArray where = QFile::encodeName(base_.path());
    if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) != 0) {
      skipReason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallTmpfs() {
    if (mounted_) ::umount2(QFile::encodeName(base_.path()).constData(), MNT_DETACH);
  }
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  // Empty when mounted; else why not (for GTEST_SKIP).
  const std::string& SkipReason() const { return skipReason_; }
  QString Root() const { return base_.path(); }
  QString Path(const QString& name) const { return QDir(base_.path()).filePath(name); }

  // Takes every free block: later writes of new data fail with ENOSPC.
  void Fill() const {
    const int fd = ::open(QFile::encodeName(Path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND, 0600);
    ASSERT_GE(fd, 0);
    const QByteArray block(4096, 'x');
    while (::write(fd, block.constData(), static_cast<size_t>(block.size())) > 0) {
    }
    const QByteArray byte(1, 'x');
    while (::write(fd, byte.constData(), 1) > 0) {
    }
    ::close(fd);
  }

  // The names in the mounted folder other than the filler.
  QStringList Names() const {
    QStringList names =
        QDir(base_.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    names.removeAll(QStringLiteral("filler"));
    return names;
  }

 private:
  QTemporaryDir base_;
  bool mounted_ = false;
  std::string skipReason_;
};

}  // namespace qh::test
