#include "data/file_access.h"

#include "base/native_name.h"
#include "base/text_utils.h"
#include "data/large_buffer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace qh {

namespace {

FileKind KindOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return FileKind::Folder;
  if (S_ISREG(mode)) return FileKind::Regular;
  return FileKind::Stream;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

qint64 ReadInto(int fd, char* to, qint64 size, qint64 offset) {
  qint64 done = 0;
  while (done < size) {
    const auto want = static_cast<size_t>(size - done);
    const ssize_t got = offset < 0
                            ? ::read(fd, to + done, want)
                            : ::pread(fd, to + done, want, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

QString FileExtension(const QString& path) {
  const QString p = StripSpaces(path);
  const qsizetype dot = p.lastIndexOf(u'.');
  if (dot < 0) return {};
  const QString ext = p.mid(dot + 1);
  if (ext.contains(u'\\') || ext.contains(u'/')) return {};
  return ext.toLower();
}

FileKind KindOfFile(const QString& path) {
  struct stat info {};
  if (path.isEmpty() || ::stat(NativeName(path).constData(), &info) != 0) return FileKind::Missing;
  return KindOfMode(info.st_mode);
}

ReadResult ReadStreamBytes(int fd, qint64 maxBytes, QByteArray& bytes) {
  bytes.clear();
  struct stat info {};
  if (::fstat(fd, &info) != 0) return ReadResult::Unreadable;
  if (S_ISDIR(info.st_mode)) return ReadResult::Folder;
  // A regular file tells its size: one read into a buffer of that size
  // (exports run to megabytes), and nothing at all when it is too large.
  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    const qint64 size = info.st_size;
    if (size > maxBytes) return ReadResult::TooLarge;
    bytes.resize(size);
    AdviseLargeBuffer(bytes.data(), size);
    const qint64 got = ReadInto(fd, bytes.data(), size);
    if (got < 0) {
      bytes.clear();
      return ReadResult::Unreadable;
    }
    bytes.truncate(got);
    return ReadResult::Ok;
  }
  // A stream (or a file that tells no size): in growing pieces, up to one
  // byte past the bound.
  const qint64 bound = maxBytes < std::numeric_limits<qint64>::max() ? maxBytes + 1 : maxBytes;
  qint64 done = 0;
  for (qint64 room = 64 * 1024;; room *= 2) {
    const qint64 size = std::min(room, bound);
    bytes.resize(size);
    const qint64 got = ReadInto(fd, bytes.data() + done, size - done);
    if (got < 0) {
      bytes.clear();
      return ReadResult::Unreadable;
    }
    done += got;
    if (done < size) break;  // the end of the stream
    if (size == bound) break;
  }
  bytes.truncate(done);
  if (done > maxBytes) {
    bytes.clear();
    return ReadResult::TooLarge;
  }
  return ReadResult::Ok;
}

ReadResult ReadFileBytes(const QString& path, qint64 maxBytes, QByteArray& bytes) {
  bytes.clear();
  if (path.isEmpty()) return ReadResult::Missing;
  const QByteArray native = NativeName(path);
  const Descriptor file(::open(native.constData(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::Missing;
    if (errno == EISDIR) return ReadResult::Folder;
    return ReadResult::Unreadable;
  }
  return ReadStreamBytes(file.Get(), maxBytes, bytes);
}

QByteArray ReadAllBytes(const QString& path) {
  QByteArray bytes;
  if (ReadFileBytes(path, std::numeric_limits<qint64>::max(), bytes) != ReadResult::Ok) return {};
  return bytes;
}

}  // namespace qh
