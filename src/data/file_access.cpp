#include "data/file_access.h"

#include "base/text_utils.h"
#include "data/large_buffer.h"

#include <QFile>

namespace qh {

QString FileExtension(const QString& path) {
  const QString p = StripSpaces(path);
  const qsizetype dot = p.lastIndexOf(u'.');
  if (dot < 0) return {};
  const QString ext = p.mid(dot + 1);
  if (ext.contains(u'\\') || ext.contains(u'/')) return {};
  return ext.toLower();
}

QByteArray ReadAllBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  // One read into a buffer of the file's size: exports run to megabytes.
  const qint64 size = file.size();
  if (size <= 0) return file.readAll();  // a pipe or special file tells no size
  QByteArray bytes(size, Qt::Uninitialized);
  AdviseLargeBuffer(bytes.data(), size);
  qint64 done = 0;
  while (done < size) {
    const qint64 got = file.read(bytes.data() + done, size - done);
    if (got < 0) return {};
    if (got == 0) break;
    done += got;
  }
  bytes.truncate(done);
  return bytes;
}

}  // namespace qh
