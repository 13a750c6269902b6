#pragma once
// A data file's bytes to read in place. A regular file is mapped read-only:
// no copy is made and no fresh page is zeroed, so a large export costs
// little more than the page cache already holds. Streams (a FIFO, <(...),
// /dev/stdin) and files that tell no size are read into one buffer.
#include "data/file_access.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qh {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The whole file, never more than maxBytes, with the refusals of
  // ReadFileBytes: a regular file larger than maxBytes is refused by its
  // size before a byte is read. Any earlier bytes go first.
  ReadResult Open(const QString& path, qint64 maxBytes);
  // The same for an open descriptor (standard input); it stays open.
  ReadResult Open(int fd, qint64 maxBytes);

  QByteArrayView Bytes() const { return {data_, size_}; }
  bool IsMapped() const { return mapped_; }

  // The bytes before offset will not be read again soon: a mapping lets
  // their pages go, so a file read once from start to end never holds
  // more than a few megabytes of it in the process at a time. Reading them
  // again still works (they come back from the page cache); an offset
  // below the last one given starts a new reading from the start.
  void Release(qsizetype offset);

  // Copies count bytes from from, a place in Bytes(), into to. A mapped
  // file opened by its path is read for them, so its pages are not looked
  // at where they are mapped: each would cost a fault the first time, while
  // the kernel copies from the page cache without one.
  void CopyOut(const char* from, char* to, qsizetype count) const;
  // Whether CopyOut reads the file rather than copying from Bytes().
  bool CopiesByReading() const { return fd_ >= 0; }

  // Unmaps or frees the bytes.
  void Close();

 private:
  const char* data_ = nullptr;
  qsizetype size_ = 0;
  qsizetype released_ = 0;  // pages below this offset were let go
  qsizetype ahead_ = 0;     // pages below this offset were mapped ahead of the reading
  bool mapped_ = false;
  int fd_ = -1;  // the mapped file, kept open for CopyOut
  QByteArray buffer_;  // the bytes when they could not be mapped
};

}  // namespace qh
