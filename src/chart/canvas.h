#pragma once
// Drawing primitives the charts share: colours, the palette, the DPI scale,
// the framed white background and whole-pixel rectangles. Painting goes
// through a QPainter over the caller's image; nothing here keeps it.
#include <QRectF>
#include <QtGlobal>
#include <array>

class QPainter;
class QColor;
class QPolygonF;

namespace qh {

// s: screen DPI / 96, never below 1. Every chart length is multiplied by it.
float DpiScale(int screenDpi);

// Clamps every argument to 0..255; byte2 is red, byte1 green, byte0 blue.
quint32 MakeArgb(int alpha, int byte0, int byte1, int byte2);
// The same colour with its alpha byte replaced.
quint32 WithAlpha(quint32 argb, int alpha);
QColor ToColor(quint32 argb);
// The WCAG contrast ratio of two opaque colours, 1 to 21.
double ContrastRatio(quint32 a, quint32 b);

// Any two colours stay at least 10 apart in CIEDE2000, and neighbouring
// slices also under simulated deuteranopia, so no two items look alike.
inline constexpr std::array<quint32, 20> kPalette = {
    0xFF4E79A7, 0xFFF28E2B, 0xFFE15759, 0xFF76B7B2, 0xFF59A14F, 0xFFEDC948, 0xFFB07AA1,
    0xFFFF9DA7, 0xFF9C755F, 0xFFBAB0AC, 0xFFB9D7CD, 0xFFE16E91, 0xFFA0CBE8, 0xFFFFBE85,
    0xFFE1CDA5, 0xFF8CD17D, 0xFFB6992D, 0xFFF0C8B9, 0xFF79706E, 0xFFC89B82};

// Colour of a 1-based item index; the palette repeats every 20 items.
quint32 PaletteColor(int index);

// Anti-aliased shapes and text, high-quality image scaling.
void SetChartQuality(QPainter& painter);

// True when the painter records shapes (SVG, PDF, a printer) rather than
// setting pixels: there the pixel shortcuts below give way to plain paths,
// which stay sharp at any zoom and keep the files small.
bool PaintsVector(const QPainter& painter);

// White picture with a 1-pixel light frame along its four edges.
void ClearCanvas(QPainter& painter, int width, int height);

// Rounds each of the four edges to a whole pixel (halves to even), so bars
// sit on pixel boundaries and stay crisp, and pieces cut from one rectangle
// never stick out of it.
QRect WholePixelEdges(const QRectF& rect);
void FillEdgesWhole(QPainter& painter, const QRectF& rect, quint32 argb);
void FillRectF(QPainter& painter, const QRectF& rect, quint32 argb);

// A bar whose top is domed: the body from y + r down to y + h, and above it
// the part of a circle of radius w / 2 centred on (x + w / 2, y + r) that
// lies below y. One path; the raster bar approximates it with strips.
void FillDomedBar(QPainter& painter, const QRectF& bar, float r, quint32 argb);

}  // namespace qh

namespace qh {

// Fills the region between a polyline whose x only grows and the horizontal
// line y = bottom, as a winding-rule polygon. On a plain 32-bit image it
// blends the columns directly: the painter's general rasteriser spends tens
// of milliseconds on tall zig-zag shapes, and the window repaints the chart
// on every hover change.
void FillAreaUnderLine(QPainter& painter, const QPolygonF& line, float bottom, quint32 argb);
// The region between the line and the level y = base on both sides of it:
// above the level where the line rises over it, below where it dips under.
void FillAreaToLevel(QPainter& painter, const QPolygonF& line, float base, quint32 argb);

// A round-joined polyline drawn as flat segments plus a disc per inner
// vertex: the same picture for an opaque pen, at a fraction of the cost.
void DrawRoundPolyline(QPainter& painter, const QPolygonF& line, quint32 argb, float width);

}  // namespace qh
