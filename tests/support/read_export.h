#pragma once
// An export's bytes read through the loader, as a file of that kind would be.
#include "data/source_loader.h"

#include <QByteArray>
#include <QString>

namespace qh::test {

inline bool ReadExport(const QByteArray& bytes, const QString& ext, ItemTable& table) {
  return LoadSourceBytes(bytes, ext, QStringLiteral("export.") + ext, LoadLimits{}, table);
}

inline bool ReadHtmlExport(const QByteArray& bytes, ItemTable& table) {
  return ReadExport(bytes, QStringLiteral("html"), table);
}

}  // namespace qh::test
