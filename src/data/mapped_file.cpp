#include "data/mapped_file.h"

#include "base/native_name.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qh {

namespace {

// Pages are let go in steps of this many bytes: one system call per step.
constexpr qsizetype kReleaseStep = 4 << 20;
// Pages ahead of the reading are mapped this many bytes at a time, in one
// system call rather than a fault every few pages.
constexpr qsizetype kAheadStep = 1 << 20;

// Maps [from, to) of a mapping's pages now. Kernels before 5.14 do not
// know the advice: their pages come by faults, as before.
void MapAhead(const char* data, qsizetype from, qsizetype to) {
#if defined(MADV_POPULATE_READ)
  if (to > from) {
    ::madvise(const_cast<char*>(data) + from, static_cast<size_t>(to - from), MADV_POPULATE_READ);
  }
#else
  (void)data, (void)from, (void)to;
#endif
}

}  // namespace

MappedFile::~MappedFile() { Close(); }

void MappedFile::Close() {
  if (mapped_) ::munmap(const_cast<char*>(data_), static_cast<size_t>(size_));
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  mapped_ = false;
  data_ = nullptr;
  size_ = 0;
  released_ = 0;
  ahead_ = 0;
  buffer_ = QByteArray();
}

ReadResult MappedFile::Open(int fd, qint64 maxBytes) {
  Close();
  struct stat info {};
  if (::fstat(fd, &info) != 0) return ReadResult::Unreadable;
  if (S_ISDIR(info.st_mode)) return ReadResult::Folder;
  if (S_ISREG(info.st_mode) && info.st_size > 0) {
    if (info.st_size > maxBytes) return ReadResult::TooLarge;
    const auto length = static_cast<size_t>(info.st_size);
    void* const at = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    if (at != MAP_FAILED) {
      // Read from start to end, once.
      ::madvise(at, length, MADV_SEQUENTIAL);
      data_ = static_cast<const char*>(at);
      size_ = static_cast<qsizetype>(info.st_size);
      mapped_ = true;
      return ReadResult::Ok;
    }
    // A file system that maps nothing: read as any other file.
  }
  const ReadResult result = ReadStreamBytes(fd, maxBytes, buffer_);
  data_ = buffer_.constData();
  size_ = buffer_.size();
  return result;
}

ReadResult MappedFile::Open(const QString& path, qint64 maxBytes) {
  Close();
  if (path.isEmpty()) return ReadResult::Missing;
  const int fd = ::open(NativeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return ReadResult::Missing;
    if (errno == EISDIR) return ReadResult::Folder;
    return ReadResult::Unreadable;
  }
  const ReadResult result = Open(fd, maxBytes);
  // A mapping outlives its descriptor, which is kept for CopyOut.
  if (mapped_) {
    fd_ = fd;
  } else {
    ::close(fd);
  }
  return result;
}

void MappedFile::CopyOut(const char* from, char* to, qsizetype count) const {
  const qint64 read = fd_ >= 0 ? ReadInto(fd_, to, count, from - data_) : 0;
  const qsizetype done = read > 0 ? read : 0;
  // What could not be read comes from the mapping, as it would have.
  if (done < count) std::memcpy(to + done, from + done, static_cast<size_t>(count - done));
}

void MappedFile::Release(qsizetype offset) {
  if (offset < released_) released_ = ahead_ = 0;  // a new reading from the start
  if (mapped_ && offset + kAheadStep > ahead_) {
    // The next step's pages, from where the last ones ended.
    const qsizetype from = std::max(ahead_, offset / kAheadStep * kAheadStep);
    ahead_ = std::min(size_, offset + 2 * kAheadStep) / kAheadStep * kAheadStep;
    MapAhead(data_, from, ahead_);
  }
  if (!mapped_ || offset - released_ < kReleaseStep) return;
  const qsizetype page = ::sysconf(_SC_PAGESIZE);
  const qsizetype end = offset / page * page;
  if (end <= released_) return;
  ::madvise(const_cast<char*>(data_) + released_, static_cast<size_t>(end - released_),
            MADV_DONTNEED);
  released_ = end;
}

}  // namespace qh
