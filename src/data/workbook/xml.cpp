#include "data/workbook/xml.h"

#include <QDir>
#include <QUrl>
#include <charconv>
#include <cmath>

namespace qh {

bool PartXmlReader::Next() {
  if (finished_ || refused_) return false;
  while (!xml_.atEnd()) {
    switch (xml_.readNext()) {
      case QXmlStreamReader::StartElement:
        if (++depth_ > kMaxDepth) {
          refused_ = true;
          return false;
        }
        return true;
      case QXmlStreamReader::EndElement: --depth_; return true;
      case QXmlStreamReader::Characters: return true;
      case QXmlStreamReader::DTD:
      case QXmlStreamReader::EntityReference: refused_ = true; return false;
      default: break;
    }
  }
  finished_ = true;
  return false;
}

bool PartXmlReader::Failed() const { return refused_ || device_.Failed() || xml_.hasError(); }

bool PartXmlReader::IsStart(QStringView localName) const {
  return xml_.tokenType() == QXmlStreamReader::StartElement && xml_.name() == localName;
}

bool PartXmlReader::IsEnd(QStringView localName) const {
  return xml_.tokenType() == QXmlStreamReader::EndElement && xml_.name() == localName;
}

QStringView PartXmlReader::Attribute(QStringView localName) const {
  const QXmlStreamAttributes attributes = xml_.attributes();
  for (const QXmlStreamAttribute& attribute : attributes) {
    if (attribute.name() == localName) return attribute.value();
  }
  return {};
}

namespace {

QString PartFolder(const QString& part) {
  const qsizetype slash = part.lastIndexOf(u'/');
  return slash < 0 ? QString() : part.left(slash + 1);
}

QString ResolveTarget(const QString& sourcePart, QStringView target) {
  QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
  if (decoded.startsWith(u'/')) return QDir::cleanPath(decoded.mid(1));
  return QDir::cleanPath(PartFolder(sourcePart) + decoded);
}

QString RelationshipsPart(const QString& sourcePart) {
  const qsizetype slash = sourcePart.lastIndexOf(u'/');
  return PartFolder(sourcePart) + QStringLiteral("_rels/") + sourcePart.mid(slash + 1) +
         QStringLiteral(".rels");
}

}  // namespace

std::optional<QHash<QString, Relationship>> ReadRelationships(const ZipPackage& package,
                                                              const QString& sourcePart) {
  QHash<QString, Relationship> relationships;
  const QString relsPart = RelationshipsPart(sourcePart);
  if (!package.HasPart(relsPart)) return relationships;
  const auto device = package.OpenPart(relsPart);
  if (!device) return std::nullopt;
  PartXmlReader reader(*device);
  while (reader.Next()) {
    if (!reader.IsStart(u"Relationship")) continue;
    if (reader.Attribute(u"TargetMode").compare(u"External", Qt::CaseInsensitive) == 0) continue;
    relationships.insert(reader.Attribute(u"Id").toString(),
                         {reader.Attribute(u"Type").toString(),
                          ResolveTarget(sourcePart, reader.Attribute(u"Target"))});
  }
  if (reader.Failed()) return std::nullopt;
  return relationships;
}

bool RelationshipIs(const Relationship& relationship, QStringView kind) {
  const QStringView type(relationship.Type);
  return type.endsWith(kind) && type.size() > kind.size() &&
         type[type.size() - kind.size() - 1] == u'/';
}

void DecodeEscapedCharacters(QString& text) {
  if (!text.contains(QLatin1StringView("_x"))) return;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
      bool ok = false;
      const ushort code = QStringView(text).mid(i + 2, 4).toUShort(&ok, 16);
      if (ok) {
        out.append(QChar(code));
        i += 6;
        continue;
      }
    }
    out.append(text[i]);
  }
  text = out;
}

std::optional<double> XmlNumber(QByteArrayView text) {
  text = text.trimmed();
  if (text.startsWith('+')) text = text.sliced(1);
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.isEmpty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace qh
