#pragma once
// A real filesystem that runs full: a small tmpfs mounted for one test. As
// root it is mounted directly; without root the test process first moves
// into a user and mount namespace of its own, where it may mount one, so
// every developer runs these tests too. Where neither is allowed, the test
// is skipped with a message saying so.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qh::test {

class SmallTmpfs {
 public:
  explicit SmallTmpfs(int kilobytes) {
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    const QByteArray where = QFile::encodeName(base_.path());
    bool mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) == 0;
    if (!mounted && errno == EPERM) {
      skipReason_ = EnterOwnMountNamespace();
      if (!skipReason_.empty()) return;
      mounted = ::mount("tmpfs", where.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    if (!mounted) {
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
  // Moves this process into a new user namespace (mapping the user to
  // itself) and mount namespace; the mounts stay private to it and the
  // programs it starts. Of the capabilities the new namespace gives, only
  // the one to mount is kept: files are still checked against the user's
  // own permissions. Needs a single-threaded process. Empty on success,
  // else why not.
  static std::string EnterOwnMountNamespace() {
    const QByteArray uid = QByteArray::number(::getuid()), gid = QByteArray::number(::getgid());
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
      return std::string("no user namespace to mount a tmpfs in: ") + std::strerror(errno);
    // Each map in one write, as the kernel requires.
    const auto put = [](const char* file, const QByteArray& text) {
      const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
      if (fd < 0) return false;
      const bool written =
          ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
      ::close(fd);
      return written;
    };
    if (!put("/proc/self/setgroups", "deny") ||
        !put("/proc/self/uid_map", uid + ' ' + uid + " 1") ||
        !put("/proc/self/gid_map", gid + ' ' + gid + " 1"))
      return "cannot map the user into its namespace";
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("cannot make the mounts private: ") + std::strerror(errno);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    data[0].effective = data[0].permitted = 1u << CAP_SYS_ADMIN;
    if (::syscall(SYS_capset, &header, data) != 0)
      return std::string("cannot drop capabilities: ") + std::strerror(errno);
    return {};
  }

  QTemporaryDir base_;
  bool mounted_ = false;
  std::string skipReason_;
};

}  // namespace qh::test
