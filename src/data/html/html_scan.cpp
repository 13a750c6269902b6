#include "data/html/html_scan.h"

#include "base/text_utils.h"
#include "data/html/html_entity_table.h"
#include "data/value_rules.h"

#include <algorithm>

namespace qh {

namespace {

// A plain loop beats the library search here: the next "<", ">" or "&" is
// rarely more than a few dozen characters away.
qsizetype FindChar(QStringView text, char16_t c, qsizetype from) {
  const QChar* data = text.data();
  for (qsizetype i = from; i < text.size(); ++i) {
    if (data[i].unicode() == c) return i;
  }
  return -1;
}

QChar AsciiLower(QChar c) { return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c; }

// True when text at pos starts with word (ASCII letters, any case).
inline bool MatchesAt(QStringView text, qsizetype pos, QStringView word) {
  if (text.size() - pos < word.size()) return false;
  // Most tags differ from the one sought in their second character.
  if (AsciiLower(text[pos + 1]) != word[1]) return false;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[pos + i]) != word[i]) return false;
  }
  return true;
}

bool EndsOpenTag(QChar c) {
  return c == u' ' || c == u'>' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The parts of a tag that decide what it does to the cells, spaces ignored.
struct TagShape {
  bool CellTag = false;      // begins with th or td
  bool SelfClosing = false;  // ends with "/"
};

TagShape ShapeOf(QStringView tagText) {
  QChar first, second, last;
  int seen = 0;
  for (QChar c : tagText) {
    if (IsStrippedSpace(c)) continue;
    if (seen == 0)
      first = c;
    else if (seen == 1)
      second = c;
    ++seen;
    last = c;
  }
  TagShape shape;
  const QChar a = AsciiLower(first), b = AsciiLower(second);
  shape.CellTag = seen >= 2 && a == u't' && (b == u'h' || b == u'd');
  shape.SelfClosing = seen > 0 && last == u'/';
  return shape;
}

// Equal once spaces are ignored, without building the stripped texts.
bool EqualIgnoringSpaces(QStringView a, QStringView b) {
  qsizetype i = 0, j = 0;
  for (;;) {
    while (i < a.size() && IsStrippedSpace(a[i])) ++i;
    while (j < b.size() && IsStrippedSpace(b[j])) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (a[i] != b[j]) return false;
    ++i, ++j;
  }
}

bool IsHexDigit(QChar c, int& digit) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9')
    digit = u - u'0';
  else if (u >= u'a' && u <= u'f')
    digit = u - u'a' + 10;
  else if (u >= u'A' && u <= u'F')
    digit = u - u'A' + 10;
  else
    return false;
  return true;
}

// A numeric reference at pos ("&#..."): its code point and length, or
// false when it is malformed or names no character we can put in text.
bool ReadNumericReference(QStringView text, qsizetype pos, char32_t& code, qsizetype& length) {
  qsizetype j = pos + 2;
  const bool hex = j < text.size() && (text[j] == u'x' || text[j] == u'X');
  if (hex) ++j;
  const qsizetype digitsStart = j;
  char32_t value = 0;
  int digit = 0;
  for (; j < text.size(); ++j) {
    const QChar c = text[j];
    if (hex ? !IsHexDigit(c, digit) : !(c >= u'0' && c <= u'9')) break;
    if (!hex) digit = c.unicode() - u'0';
    // Past U+10FFFF the exact value no longer matters; cap it.
    value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (j == digitsStart || j >= text.size() || text[j] != u';') return false;
  if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  code = value;
  length = j + 1 - pos;
  return true;
}

bool IsAsciiAlnum(QChar c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A named reference at pos ("&name;"): its text and length, or false when
// the name is no HTML5 reference. &nbsp; gives a plain space, as it always
// has here: names and values lose it either way.
bool ReadNamedReference(QStringView text, qsizetype pos, QStringView& value, qsizetype& length) {
  constexpr qsizetype kLongestName = 32;
  qsizetype end = pos + 1;
  while (end < text.size() && end - pos - 1 < kLongestName && IsAsciiAlnum(text[end])) ++end;
  if (end == pos + 1 || end >= text.size() || text[end] != u';') return false;
  const QStringView name = text.sliced(pos + 1, end - pos - 1);
  length = end + 1 - pos;
  if (name == u"nbsp") {
    value = u" ";
    return true;
  }
  const auto entities = HtmlEntities();
  const auto found = std::lower_bound(
      entities.begin(), entities.end(), name,
      [](const HtmlEntity& entity, QStringView key) { return entity.Name.compare(key) < 0; });
  if (found == entities.end() || found->Name != name) return false;
  value = found->Value;
  return true;
}

}  // namespace

std::vector<QStringView> FindElementViews(QStringView text, QStringView tag) {
  const QString lowerTag = tag.toString().toLower();
  const QString open = u'<' + lowerTag;
  const QString close = QStringLiteral("</") + lowerTag + u'>';
  std::vector<QStringView> elements;
  qsizetype pos = 0;
  while (pos < text.size()) {
    const qsizetype start = FindChar(text, u'<', pos);
    if (start < 0) break;
    if (!MatchesAt(text, start, open)) {
      pos = start + 1;
      continue;
    }
    const qsizetype after = start + open.size();
    if (after >= text.size() || !EndsOpenTag(text[after])) {
      pos = after;
      continue;
    }
    // The close tag: the next "<" that starts it. None ends the search, so
    // an unmatched open tag costs one scan, not one per later open tag.
    qsizetype end = -1;
    for (qsizetype p = FindChar(text, u'<', after); p >= 0; p = FindChar(text, u'<', p + 1)) {
      if (MatchesAt(text, p, close)) {
        end = p + close.size();
        break;
      }
    }
    if (end < 0) break;
    elements.push_back(text.sliced(start, end - start));
    pos = end;
  }
  return elements;
}

void SplitCellsInto(QStringView rowText, RowCells& row) {
  // Cell text never outgrows its row: written in place, sized once.
  if (row.Buffer.size() < rowText.size()) row.Buffer.resize(rowText.size());
  QChar* const out = row.Buffer.data();
  qsizetype length = 0;
  std::vector<qsizetype>& bounds = row.Bounds;
  bounds.clear();
  bool inCell = false;
  qsizetype cellStart = 0;
  qsizetype pos = 0;
  const qsizetype n = rowText.size();
  const auto endCell = [&] {
    bounds.push_back(cellStart);
    bounds.push_back(length);
  };
  while (pos < n) {
    qsizetype lt = FindChar(rowText, u'<', pos);
    if (lt < 0) lt = n;
    if (inCell && lt > pos) {
      std::copy(rowText.begin() + pos, rowText.begin() + lt, out + length);
      length += lt - pos;
    }
    if (lt == n) break;
    const qsizetype gt = FindChar(rowText, u'>', lt + 1);
    if (gt < 0) break;  // a tag that never ends swallows the rest of the row
    const TagShape shape = ShapeOf(rowText.sliced(lt + 1, gt - lt - 1));
    if (shape.CellTag) {
      if (inCell) endCell();
      inCell = !shape.SelfClosing;
      cellStart = length;
    }
    pos = gt + 1;
  }
  if (inCell) endCell();
  row.Cells.clear();
  const QStringView all(row.Buffer);
  for (size_t i = 0; i < bounds.size(); i += 2) {
    row.Cells.push_back(all.sliced(bounds[i], bounds[i + 1] - bounds[i]));
  }
}

void MergeDuplicateCellViews(std::vector<QStringView>& cells) {
  size_t kept = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    cells[kept++] = cells[i];
    if (i + 1 < cells.size() && !IsBlank(cells[i]) && EqualIgnoringSpaces(cells[i], cells[i + 1])) {
      ++i;
    }
  }
  cells.resize(kept);
}

QString StripTags(QStringView text) {
  QString out;
  out.reserve(text.size());
  qsizetype pos = 0;
  while (pos < text.size()) {
    qsizetype lt = FindChar(text, u'<', pos);
    if (lt < 0) lt = text.size();
    for (qsizetype i = pos; i < lt; ++i) out.append(text[i] == u'>' ? QChar(u' ') : text[i]);
    if (lt == text.size()) break;
    const qsizetype gt = FindChar(text, u'>', lt + 1);
    if (gt < 0) break;
    out.append(u' ');
    pos = gt + 1;
  }
  return out;
}

QString DecodeEntities(QStringView text) {
  QString out;
  out.reserve(text.size());
  qsizetype pos = 0;
  while (pos < text.size()) {
    const qsizetype amp = FindChar(text, u'&', pos);
    if (amp < 0) {
      out.append(text.sliced(pos));
      break;
    }
    out.append(text.sliced(pos, amp - pos));
    pos = amp + 1;  // a reference not recognised leaves its "&" and goes on after it
    QStringView named;
    char32_t code = 0;
    qsizetype length = 0;
    if (ReadNamedReference(text, amp, named, length)) {
      out.append(named);
      pos = amp + length;
    } else if (text.sliced(amp).startsWith(u"&#") &&
               ReadNumericReference(text, amp, code, length)) {
      out.append(QString::fromUcs4(&code, 1));
      pos = amp + length;
    } else {
      out.append(u'&');
    }
  }
  return out;
}

void CleanCellTextInto(QStringView cell, QString& out) {
  for (QChar c : cell) {
    if (c == u'<' || c == u'>' || c == u'&') {
      out = StripSpaces(DecodeEntities(StripTags(cell)));
      return;
    }
  }
  // The usual cell: plain text, copied without its spaces in one pass.
  out.resize(cell.size());
  QChar* const begin = out.data();
  QChar* dst = begin;
  for (QChar c : cell) {
    if (!IsStrippedSpace(c)) *dst++ = c;
  }
  out.resize(dst - begin);
}

QString CleanCellText(QStringView cell) {
  QString out;
  CleanCellTextInto(cell, out);
  return out;
}

bool IsBlankCell(QStringView cell) {
  for (QChar c : cell) {
    if (c == u'<' || c == u'>' || c == u'&') return CleanCellText(cell).isEmpty();
    if (!IsStrippedSpace(c)) return false;
  }
  return true;
}

bool IsHeaderRow(QStringView name, QStringView value) {
  static constexpr QStringView kHeaderWords[] = {u"项目", u"名称", u"数值", u"金额",  u"数量",
                                                 u"合计", u"item", u"name", u"value", u"amount"};
  const QString key = name.toString().toLower() + u'|' + value.toString().toLower();
  for (QStringView word : kHeaderWords) {
    if (key.contains(word)) return true;
  }
  return !IsValueText(value);
}

}  // namespace qh
