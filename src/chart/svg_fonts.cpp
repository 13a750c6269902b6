#include "chart/svg_fonts.h"

#include <QRegularExpression>
#include <QStringList>

namespace qh {

QString SvgFontFamilyList(const QString& drawnFamily) {
  static const QStringList kCjkFamilies = {QStringLiteral("Noto Sans CJK SC"),
                                           QStringLiteral("Source Han Sans SC"),
                                           QStringLiteral("WenQuanYi Micro Hei"),
                                           QStringLiteral("Microsoft YaHei"),
                                           QStringLiteral("SimHei"),
                                           QStringLiteral("PingFang SC"),
                                           QStringLiteral("Hiragino Sans GB"),
                                           QStringLiteral("Heiti SC")};
  QStringList families;
  // Qt's own default name is no installed family anywhere.
  const QString drawn = drawnFamily.trimmed();
  static const QRegularExpression kPlainWords(QStringLiteral("^[A-Za-z][A-Za-z0-9 ]*$"));
  if (drawn != u"Sans Serif" && kPlainWords.match(drawn).hasMatch()) families << drawn;
  for (const QString& f : kCjkFamilies) {
    if (!families.contains(f)) families << f;
  }
  // Unquoted: every name is plain words, which CSS reads as one family, and
  // Qt's own SVG reader takes a quoted list for a single odd name.
  return families.join(QStringLiteral(", ")) + QStringLiteral(", sans-serif");
}

QByteArray WithSvgFontFallbacks(const QByteArray& svg) {
  static const QRegularExpression kAttribute(QStringLiteral("font-family=\"([^\"]*)\""));
  const QString text = QString::fromUtf8(svg);
  QString out;
  out.reserve(text.size() + text.size() / 4);
  qsizetype done = 0;
  for (auto it = kAttribute.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += QStringView(text).mid(done, m.capturedStart() - done);
    out += QStringLiteral("font-family=\"") + SvgFontFamilyList(m.captured(1)) + u'"';
    done = m.capturedEnd();
  }
  out += QStringView(text).mid(done);
  return out.toUtf8();
}

}  // namespace qh
