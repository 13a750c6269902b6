#include "data/workbook/xml.h"

#include "data/value_rules.h"

#include <QDir>
#include <QUrl>
#include <charconv>
#include <cmath>

namespace qh {

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
  const bool read = ScanPart(package, relsPart, [&](XmlScanner& scanner) {
    for (auto token = scanner.Next(); token != XmlScanner::Token::Finished;
         token = scanner.Next()) {
      if (token == XmlScanner::Token::Error) return false;
      if (!scanner.IsStart("Relationship")) continue;
      const auto id = scanner.AttributeText("Id");
      const auto type = scanner.AttributeText("Type");
      const auto target = scanner.AttributeText("Target");
      const auto mode = scanner.AttributeText("TargetMode");
      if (!id || !type || !target || !mode) return false;
      if (mode->compare(u"External", Qt::CaseInsensitive) == 0) continue;
      relationships.insert(*id, {*type, ResolveTarget(sourcePart, *target)});
    }
    return true;
  });
  if (!read) return std::nullopt;
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
  // The usual cell value, digits with a point: read as from_chars reads
  // it, without the general parser. No sign is left but a minus, and a
  // comma is no part of a number here.
  if (!text.startsWith('+') && !text.contains(',')) {
    if (const auto plain = ReadPlainDecimal(std::string_view(text.data(), size_t(text.size()))))
      return plain;
  }
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (text.isEmpty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace qh
