#pragma once
// An SVG names one font family per text; opened on a machine without that
// family, Chinese text falls back to whatever the viewer picks, often a
// face without CJK glyphs. These give every text a list instead.
#include <QByteArray>
#include <QString>

namespace qh {

// The family drawn with first, then the common CJK families of Linux,
// Windows and macOS, then the generic sans-serif, as a CSS font list.
QString SvgFontFamilyList(const QString& drawnFamily);

// The SVG with every font-family attribute widened to that list.
QByteArray WithSvgFontFallbacks(const QByteArray& svg);

}  // namespace qh
