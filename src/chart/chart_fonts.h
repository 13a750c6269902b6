#pragma once
// The chart fonts and the two text primitives every label goes through.
// A ChartFonts object lives as long as its view (window or CLI run): fonts
// are made once and rebuilt only when the DPI scale changes.
#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;

namespace qh {

// The families tried in order: the Windows CJK faces, the common Linux CJK
// faces, then plain Latin faces.
QStringList ChartFontCandidates();

// The first installed candidate, empty when none is. exists() defaults to
// the system font database.
QString ChartFontFamily(const std::function<bool(const QString&)>& exists = {});

// A font with its metrics, so measuring needs no painter.
struct FontFace {
  QFont Font;
  QFontMetricsF Metrics{QFont()};
  void Set(const QFont& font);
};

enum class TextAlign { Near, Center, Far };

class ChartFonts {
 public:
  // Creates the family and fonts for scale s when they are missing or were
  // made for another scale. Returns FontsReady().
  bool Ensure(float scale);
  bool FontsReady() const { return ready_; }
  const QString& Family() const { return family_; }

  FontFace Normal;  // 16 px × s
  FontFace Title;   // 24 px × s, bold
  FontFace Bold;    // 16 px × s, bold

  // Replaces the installed-family check (tests simulate missing fonts).
  std::function<bool(const QString&)> FamilyExists;

 private:
  bool ready_ = false;
  float scale_ = 0.0f;
  QString family_;
};

// Width of text in pixels: 0 for empty text; without a font, the fixed
// estimate of 14 pixels per UTF-16 unit.
float MeasureTextWidth(const FontFace* face, const QString& text);

// One line of text in rect: centred vertically, aligned horizontally, cut
// with "…" when it is too wide, never painted outside rect.
void DrawTextBox(QPainter& painter, const FontFace& face, const QString& text, const QRectF& rect,
                 quint32 argb, TextAlign align);

// The text DrawTextBox would show in a box this wide.
QString ElideToWidth(const FontFace& face, const QString& text, qreal width);

}  // namespace qh

namespace qh {

// MeasureTextWidth for decisions that only need to know whether text is
// wider than limit: no glyph is narrower than 2 px at chart sizes, so the
// characters past limit / 2 are not measured (a 10,000-character name then
// costs no more than a short one).
float MeasureTextWidthUpTo(const FontFace* face, const QString& text, float limit);

}  // namespace qh
