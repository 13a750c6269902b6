#include "data/file_access.h"

#include "app/text_utils.h"

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
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return {};
  return bytes;
}

}  // namespace qh
