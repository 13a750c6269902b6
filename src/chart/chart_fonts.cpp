#include "chart/chart_fonts.h"

#include "chart/canvas.h"
#include "chart/chart_style.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace qh {

QStringList ChartFontCandidates() {
  return {QStringLiteral("Microsoft YaHei"),
          QStringLiteral("SimSun"),
          QStringLiteral("Noto Sans CJK SC"),
          QStringLiteral("Source Han Sans SC"),
          QStringLiteral("WenQuanYi Micro Hei"),
          QStringLiteral("Droid Sans Fallback"),
          QStringLiteral("Arial"),
          QStringLiteral("DejaVu Sans")};
}

QString ChartFontFamily(const std::function<bool(const QString&)>& exists) {
  // The installed families are listed once; asking for each name by itself
  // would have fontconfig work out every missing one's aliases, a cost each
  // picture of a batch paid again.
  QStringList installed;
  if (!exists) installed = QFontDatabase::families();
  for (const QString& name : ChartFontCandidates()) {
    const bool found = exists ? exists(name) : installed.contains(name, Qt::CaseInsensitive);
    if (found) return name;
  }
  return {};
}

void FontFace::Set(const QFont& font) {
  Font = font;
  Metrics = QFontMetricsF(font);
}

namespace {
QFont MakeFont(const QString& family, float pixels, bool bold) {
  QFont f(family);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  f.setKerning(false);  // cheaper layout; CJK text has no kerning anyway
  return f;
}
}  // namespace

bool ChartFonts::Ensure(float scale) {
  if (ready_ && scale == scale_) return true;
  ready_ = false;
  family_ = ChartFontFamily(FamilyExists);
  if (family_.isEmpty()) return false;  // tried again on the next drawing
  const ChartStyle style(scale);
  Normal.Set(MakeFont(family_, style.NormalFontPx, false));
  Title.Set(MakeFont(family_, style.TitleFontPx, true));
  Bold.Set(MakeFont(family_, style.NormalFontPx, true));
  scale_ = scale;
  ready_ = true;
  return true;
}

float MeasureTextWidth(const FontFace* face, const QString& text) {
  if (text.isEmpty()) return 0.0f;
  if (face == nullptr) return 14.0f * static_cast<float>(text.size());
  return static_cast<float>(face->Metrics.horizontalAdvance(text));
}

QString ElideToWidth(const FontFace& face, const QString& text, qreal width) {
  // Long names are cut before measuring: no glyph is narrower than 2 px at
  // the chart sizes, so the tail past width / 2 characters never shows.
  const qsizetype keep = static_cast<qsizetype>(std::min<qreal>(width, 1e6) / 2) + 8;
  const QString head = text.size() > keep ? text.left(keep) + QChar(0x2026) : text;
  if (face.Metrics.horizontalAdvance(head) <= width) return head;
  return face.Metrics.elidedText(head, Qt::ElideRight, width);
}

void DrawTextBox(QPainter& painter, const FontFace& face, const QString& text, const QRectF& rect,
                 quint32 argb, TextAlign align) {
  if (text.isEmpty() || !(rect.width() > 0) || !(rect.height() > 0)) return;
  const QString shown = ElideToWidth(face, text, rect.width());
  if (shown.isEmpty()) return;
  int flags = Qt::AlignVCenter | Qt::TextSingleLine;
  flags |= align == TextAlign::Near  ? Qt::AlignLeft
           : align == TextAlign::Far ? Qt::AlignRight
                                     : Qt::AlignHCenter;
  painter.setFont(face.Font);
  painter.setPen(ToColor(argb));
  painter.drawText(rect, flags, shown);
}

}  // namespace qh

namespace qh {

float MeasureTextWidthUpTo(const FontFace* face, const QString& text, float limit) {
  const qsizetype keep = static_cast<qsizetype>(std::clamp(limit, 0.0f, 1e6f) / 2) + 8;
  return MeasureTextWidth(face, text.size() > keep ? text.left(keep) : text);
}

}  // namespace qh
