#pragma once
// Streaming reads of the small XML parts of a workbook package (package
// and workbook relationships, the workbook part), guarded for untrusted
// files: no DTDs or entity declarations, bounded nesting.
#include "data/workbook/zip.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <QXmlStreamReader>
#include <optional>

namespace qh {

class PartXmlReader {
 public:
  static constexpr int kMaxDepth = 64;

  explicit PartXmlReader(ZipPartDevice& device) : device_(device), xml_(&device) {}

  // Moves to the next start element, end element or text; false at the end
  // of the part or on any fault.
  bool Next();
  // True when reading stopped on a fault rather than at a complete document.
  bool Failed() const;

  QXmlStreamReader::TokenType Token() const { return xml_.tokenType(); }
  bool IsStart(QStringView localName) const;
  bool IsEnd(QStringView localName) const;
  QStringView Name() const { return xml_.name(); }
  QStringView Text() const { return xml_.text(); }
  // An attribute by its local name, whatever namespace prefix it carries.
  QStringView Attribute(QStringView localName) const;

 private:
  ZipPartDevice& device_;
  QXmlStreamReader xml_;
  int depth_ = 0;
  bool refused_ = false;
  bool finished_ = false;
};

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
