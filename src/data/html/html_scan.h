#pragma once
// A plain text scanner for the tables of an HTML export: no parser, no DOM,
// linear in the length of the text whatever bytes it holds. The element and
// cell steps also read UTF-8 bytes in place, with the same results as on the
// decoded text.
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <vector>

namespace qh {

// Every <tag ...>...</tag> element in document order, case kept; tag names
// match without regard to ASCII case. The open tag must be followed by a
// space, tab, CR, LF or ">" (tr does not match <track>). The element ends at
// the first close tag, so a nested table cuts its outer one short; an open
// tag that is never closed ends the search.
std::vector<QStringView> FindElementViews(QStringView text, QStringView tag);

// Where one element lies in a text: [Start, End), or no element (End < 0).
struct ElementSpan {
  qsizetype Start = -1;
  qsizetype End = -1;
  bool Found() const { return End >= 0; }
};

// The next element FindElementViews would give after position from, found
// without listing the others; none when the search would end there. tag is
// in lower case. The byte form reads UTF-8 (any ASCII-compatible bytes).
ElementSpan NextElement(QStringView text, QLatin1StringView tag, qsizetype from);
ElementSpan NextElement(QByteArrayView text, QLatin1StringView tag, qsizetype from);

// Code page 936 (GBK) bytes, read in place. The tags found in them are the
// ones found in their decoded text: every byte that ends or parts a tag
// ("<", ">", "/", spaces) lies below 40 and is never the trail of a
// character, and a tag name is matched only right after a "<", where a
// character starts. Only the cells' text is decoded.
class Cp936Text {
 public:
  explicit Cp936Text(QByteArrayView bytes = {}) : bytes_(bytes) {}
  QByteArrayView Bytes() const { return bytes_; }
  qsizetype size() const { return bytes_.size(); }
  Cp936Text first(qsizetype n) const { return Cp936Text(bytes_.first(n)); }
  Cp936Text sliced(qsizetype pos, qsizetype n) const { return Cp936Text(bytes_.sliced(pos, n)); }

 private:
  QByteArrayView bytes_;
};

ElementSpan NextElement(Cp936Text text, QLatin1StringView tag, qsizetype from);

// The cells of one row. Reused from row to row so that a long table costs no
// allocation per cell; each cell is a view into buffer.
struct RowCells {
  QString Buffer;
  std::vector<QStringView> Cells;
  std::vector<qsizetype> Bounds;  // start and end of each cell in buffer
  // The first cell's bytes when its text is one run of UTF-8 between its
  // tags (set by the byte form of NextRowInto only): a reader can then take
  // a plain name as it stands, without decoding it and encoding it again.
  QByteArrayView FirstCellBytes;
};

// Splits a row at its th/td tags. Text outside tags joins the open cell, so
// text after a cell's end tag still joins that cell; an opening cell tag
// ends an unclosed cell; only a self-closing cell tag (<td/>, <td />)
// closes a cell.
void SplitCellsInto(QStringView rowText, RowCells& row);
// The same for a row of valid UTF-8 or of code page 936: only the cells'
// text is decoded.
void SplitCellsInto(QByteArrayView rowText, RowCells& row);
void SplitCellsInto(Cp936Text rowText, RowCells& row);

// The next row NextElement(text, "tr", from) finds, split into row as
// SplitCellsInto splits it. The byte form (valid UTF-8) finds the row's end
// and its cells in one pass.
ElementSpan NextRowInto(QStringView text, qsizetype from, RowCells& row);
ElementSpan NextRowInto(QByteArrayView text, qsizetype from, RowCells& row);
ElementSpan NextRowInto(Cp936Text text, qsizetype from, RowCells& row);

// Whether UTF-8 cell bytes read as they stand once cleaned: not empty, and
// no tag or entity character nor any space CleanCellTextInto drops.
bool IsPlainCellBytes(QByteArrayView bytes);

// Drops a cell that, spaces ignored, equals the non-empty cell before it:
// exports that repeat a spanned cell give A / A / 5, meaning A / 5.
void MergeDuplicateCellViews(std::vector<QStringView>& cells);

// Drops every "<" up to the next ">"; every ">" becomes one space.
QString StripTags(QStringView text);

// Decodes the named references of HTML5 written with their ";" (&middot;
// &ldquo; &yen;, names match with case) and well-formed numeric references
// (&#20013; &#x4E2D;) in one left-to-right pass; &nbsp; gives a space. A
// decoded character is never decoded again; an unknown name and a
// malformed reference stay as they are.
QString DecodeEntities(QStringView text);

// StripSpaces(DecodeEntities(StripTags(cell))), without the work when the
// cell holds nothing to strip or decode.
QString CleanCellText(QStringView cell);
// The same into out, whose storage is reused from cell to cell.
void CleanCellTextInto(QStringView cell, QString& out);

// True when the cell holds nothing once tags, entities and spaces are gone.
bool IsBlankCell(QStringView cell);

// A first row that names its columns or whose value cell is no value.
bool IsHeaderRow(QStringView name, QStringView value);

// ReadValue, with the plain decimals nearly every export writes (1234,
// -56.78) read without its general cleaning; the same verdict and value.
bool ReadCellValue(QStringView text, double& value);

}  // namespace qh
