#include "base/diag_log.h"

#include "base/code_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qh {

namespace {

bool SameFile(int fd, const QByteArray& path) {
  struct stat open {
  }, named{};
  return ::fstat(fd, &open) == 0 && ::stat(path.constData(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

qint64 FileSizeOf(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 ? static_cast<qint64>(info.st_size) : 0;
}

void WriteAllIgnoringErrors(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    left -= n;
  }
}

// "qzChart.log" -> "qzChart.<pid>.log" in the same folder.
QString OwnFilePath(const QString& sharedPath) {
  const QFileInfo info(sharedPath);
  return info.dir().filePath(info.completeBaseName() + u'.' +
                             QString::number(QCoreApplication::applicationPid()) + u'.' +
                             info.suffix());
}

// Removes "qzChart.<pid>.log" files beside sharedPath whose copy was killed
// before it could remove its own: the process is gone and no one holds the
// file's lock (a running copy holds its own).
void RemoveOrphanedOwnFiles(const QString& sharedPath) {
  const QFileInfo info(sharedPath);
  const QDir dir = info.dir();
  const QString prefix = info.completeBaseName() + u'.';
  const QString suffix = u'.' + info.suffix();
  const QStringList names =
      dir.entryList({prefix + u'*' + suffix}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QString& name : names) {
    bool isPid = false;
    const qint64 pid =
        name.mid(prefix.size(), name.size() - prefix.size() - suffix.size()).toLongLong(&isPid);
    if (!isPid || pid <= 0 || pid == QCoreApplication::applicationPid()) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
    const QByteArray native = QFile::encodeName(dir.filePath(name));
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(native.constData());
    ::close(fd);
  }
}

}  // namespace

DiagLog::DiagLog(QString logPath) : path_(std::move(logPath)) {}

DiagLog::~DiagLog() {
  Flush();
  Close();
}

void DiagLog::SetLogPath(QString path) {
  Flush();
  Close();
  path_ = std::move(path);
}

void DiagLog::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (removeAtEnd_) QFile::remove(path_);
  removeAtEnd_ = false;
}

void DiagLog::StartRun(const QString& path) {
  SetLogPath(path);
  buffer_.clear();
  runBytes_ = 0;
  full_ = false;
  if (path.isEmpty()) return;
  RemoveOrphanedOwnFiles(path);
  const QByteArray native = QFile::encodeName(path);
  // A second pass after the last run's log was set aside; a third when
  // another copy starting at the same moment did the same.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return;  // a folder we cannot write to: no log, the program runs on
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      UseOwnFile(path);
      return;
    }
    if (!SameFile(fd, native)) {  // set aside by another copy meanwhile
      ::close(fd);
      continue;
    }
    if (FileSizeOf(fd) == 0 ||
        ::rename(native.constData(), QFile::encodeName(path + QStringLiteral(".1"))) != 0) {
      fd_ = fd;  // appending to a log we could not set aside loses nothing
      return;
    }
    ::close(fd);
  }
  UseOwnFile(path);
}

void DiagLog::UseOwnFile(const QString& sharedPath) {
  path_ = OwnFilePath(sharedPath);
  fd_ =
      ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  removeAtEnd_ = fd_ >= 0;
  // Held for the run, so that a later copy's clean-up leaves it alone.
  if (fd_ >= 0) ::flock(fd_, LOCK_EX | LOCK_NB);
}

void DiagLog::WriteLog(const QString& line) { Append(line, false); }

void DiagLog::WriteStartupLog(const QString& line) { Append(line, true); }

void DiagLog::Append(const QString& line, bool startup) {
  if (!Enabled() || (full_ && !startup)) return;
  const qsizetype before = buffer_.size();
  AppendEncoded(line);
  buffer_.append("\r\n", 2);
  const qint64 limit = startup ? kMaxRunBytes : kMaxRunBytes - kStartupReserve;
  const qint64 added = buffer_.size() - before;
  if (runBytes_ + added > limit) {
    buffer_.truncate(before);
    if (startup || full_) return;
    full_ = true;
    const QByteArray stop = "log stopped: this run's log reached its limit of " +
                            QByteArray::number(limit) + " bytes; later lines are left out\r\n";
    buffer_.append(stop);
    runBytes_ += stop.size();
    return;
  }
  runBytes_ += added;
  if (buffer_.size() > kFlushThreshold) Flush();
}

void DiagLog::AppendEncoded(const QString& line) {
  bool ascii = true;
  for (QChar c : line) {
    if (c.unicode() >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) {
    const qsizetype old = buffer_.size();
    buffer_.resize(old + line.size());
    char* out = buffer_.data() + old;
    for (QChar c : line) *out++ = static_cast<char>(c.unicode());
    return;
  }
  if (!encoder_.isValid()) {
    buffer_.append(EncodeGbk(line));
    return;
  }
  // Encoding straight into the buffer: the HTML reader logs every row.
  const qsizetype old = buffer_.size();
  buffer_.resize(old + encoder_.requiredSpace(line.size()));
  char* end = encoder_.appendToBuffer(buffer_.data() + old, line);
  buffer_.resize(end - buffer_.constData());
}

void DiagLog::Flush() {
  if (buffer_.isEmpty()) return;
  if (fd_ >= 0) {
    WriteAllIgnoringErrors(fd_, buffer_);
  } else if (Enabled()) {
    QFile file(path_);
    // Logging never disturbs the caller: a failed write just loses the lines.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.write(buffer_);
  }
  buffer_.clear();
}

}  // namespace qh
