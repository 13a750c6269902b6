#pragma once
// What the small XML parts of a workbook package say (relationships), and
// the value forms shared by the workbook readers.
#include "data/workbook/xml_scanner.h"
#include "data/workbook/zip.h"

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <optional>

namespace qh {

// Parts claimed at most this large are read whole; larger ones a window at
// a time, so that no part costs more memory than this.
inline constexpr qint64 kInMemoryPartBytes = 16LL * 1024 * 1024;

// scan(XmlScanner&) over a part, read whole when it inflates at once (see
// InflatePart), else through a device. False when the part cannot be
// opened, else scan's answer.
template <typename Scan>
bool ScanPart(const ZipPackage& package, const QString& part, Scan scan) {
  if (const auto bytes = package.InflatePart(part, kInMemoryPartBytes)) {
    XmlScanner scanner{QByteArrayView(*bytes)};
    return scan(scanner);
  }
  const auto device = package.OpenPart(part);
  if (!device) return false;
  XmlScanner scanner(*device);
  return scan(scanner);
}

struct Relationship {
  QString Type;
  QString Target;  // part name inside the package
};

// The relationships part of sourcePart (e.g. xl/workbook.xml ->
// xl/_rels/workbook.xml.rels) by id, targets resolved to part names.
// An empty map when the part is missing; nullopt when it is unreadable.
std::optional<QHash<QString, Relationship>> ReadRelationships(const ZipPackage& package,
                                                              const QString& sourcePart);

// True when a relationship type names the given kind (".../worksheet").
bool RelationshipIs(const Relationship& relationship, QStringView kind);

// Excel writes control characters as _xHHHH_ inside texts.
void DecodeEscapedCharacters(QString& text);

// A number as written in a value element; nullopt when it is none.
std::optional<double> XmlNumber(QByteArrayView text);

}  // namespace qh
