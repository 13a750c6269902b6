#include "data/html/html_scan.h"

#include "base/text_utils.h"
#include "data/html/html_entity_table.h"
#include "data/text_decode.h"
#include "data/value_rules.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// In bytes sixteen at a time, inline: the next tag is mostly a few bytes
// away, where a library call costs more than the search.
inline qsizetype FindChar(QByteArrayView text, char c, qsizetype from) {
  const char* const data = text.data();
  const qsizetype n = text.size();
  qsizetype i = from;
#if defined(__SSE2__)
  const __m128i needle = _mm_set1_epi8(c);
  for (; i + 16 <= n; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, needle));
    if (mask != 0) return i + std::countr_zero(static_cast<unsigned>(mask));
  }
#endif
  for (; i < n; ++i) {
    if (data[i] == c) return i;
  }
  return -1;
}

// The first of two bytes from position from on.
inline qsizetype FindEither(QByteArrayView text, char a, char b, qsizetype from) {
  const char* const data = text.data();
  const qsizetype n = text.size();
  qsizetype i = from;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
  for (; i + 16 <= n; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    const int mask = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, first), _mm_cmpeq_epi8(chunk, second)));
    if (mask != 0) return i + std::countr_zero(static_cast<unsigned>(mask));
  }
#endif
  for (; i < n; ++i) {
    if (data[i] == a || data[i] == b) return i;
  }
  return -1;
}

QChar AsciiLower(QChar c) { return (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when text at pos starts with word (ASCII letters, any case).
template <typename View>
inline bool MatchesAt(View text, qsizetype pos, View word) {
  if (text.size() - pos < word.size()) return false;
  // Most tags differ from the one sought in their second character.
  if (AsciiLower(text[pos + 1]) != word[1]) return false;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (AsciiLower(text[pos + i]) != word[i]) return false;
  }
  return true;
}

bool EndsOpenTag(char16_t c) {
  return c == u' ' || c == u'>' || c == u'\t' || c == u'\r' || c == u'\n';
}
bool EndsOpenTag(QChar c) { return EndsOpenTag(c.unicode()); }
bool EndsOpenTag(char c) { return EndsOpenTag(static_cast<char16_t>(c)); }

// The next "<" at or after from that may start word ("<tag" or "</tag>", in
// lower case), -1 when none: every place MatchesAt accepts is among them.
qsizetype NextTagCandidate(QStringView text, qsizetype from, QStringView) {
  return FindChar(text, u'<', from);
}
qsizetype NextTagCandidate(QByteArrayView text, qsizetype from, QByteArrayView word) {
#if defined(__SSE2__)
  // Its first four bytes sixteen places at a time: the search for a
  // table's end then stops only there, not at each cell's tags. Setting
  // 0x20 lowers a letter and keeps "/"; any other byte it turns into one
  // of the word's is only a false start, which MatchesAt turns down.
  if (word.size() >= 4) {
    const char* const data = text.data();
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i w0 = _mm_set1_epi8(word[0]), w1 = _mm_set1_epi8(word[1]);
    const __m128i w2 = _mm_set1_epi8(word[2]), w3 = _mm_set1_epi8(word[3]);
    const auto at = [&](qsizetype i, const __m128i& w, bool lower) {
      __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      if (lower) chunk = _mm_or_si128(chunk, space);
      return _mm_cmpeq_epi8(chunk, w);
    };
    qsizetype i = from;
    for (; i + 19 <= text.size(); i += 16) {
      const __m128i hit = _mm_and_si128(_mm_and_si128(at(i, w0, false), at(i + 1, w1, true)),
                                        _mm_and_si128(at(i + 2, w2, true), at(i + 3, w3, true)));
      if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0)
        return i + std::countr_zero(mask);
    }
    from = i;
  }
#endif
  return FindChar(text, '<', from);
}

// The element that starts at the first "<open" at or after from, closed by
// the first close after it; none when that open tag is never closed.
template <typename View>
ElementSpan NextElementIn(View text, View open, View close, qsizetype from) {
  qsizetype pos = from;
  while (pos < text.size()) {
    const qsizetype start = FindChar(text, '<', pos);
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
    for (qsizetype p = NextTagCandidate(text, after, close); p >= 0;
         p = NextTagCandidate(text, p + 1, close)) {
      if (MatchesAt(text, p, close)) return {start, p + close.size()};
    }
    break;
  }
  return {};
}

// "<tag" and "</tag>" written into open and close; the tag's length.
constexpr qsizetype kLongestTag = 16;
template <typename Unit>
qsizetype TagWords(QLatin1StringView tag, Unit* open, Unit* close) {
  const qsizetype n = std::min(tag.size(), kLongestTag);
  open[0] = close[0] = '<';
  close[1] = '/';
  for (qsizetype i = 0; i < n; ++i) {
    open[i + 1] = close[i + 2] = static_cast<Unit>(AsciiLower(tag[i].toLatin1()));
  }
  close[n + 2] = '>';
  return n;
}

// The length of the space StripSpaces removes that starts at i of UTF-8
// bytes (no-break and ideographic spaces are two and three bytes); 0 when
// none starts there.
qsizetype Utf8SpaceLength(QByteArrayView text, qsizetype i) {
  switch (static_cast<unsigned char>(text[i])) {
    case ' ':
    case '\t':
    case '\r':
    case '\n': return 1;
    case 0xC2: return i + 1 < text.size() && text[i + 1] == '\xA0' ? 2 : 0;
    case 0xE3: return i + 2 < text.size() && text[i + 1] == '\x80' && text[i + 2] == '\x80' ? 3 : 0;
    default: return 0;
  }
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

// The same for the UTF-8 bytes of a tag, read from both ends: only the
// first two characters and the last one count. The two spaces outside
// ASCII are skipped whole; a character outside ASCII is neither "t", "h",
// "d" nor "/" in any of its bytes, so looking at one of them is enough.
TagShape ShapeOf(QByteArrayView tagText) {
  const qsizetype n = tagText.size();
  qsizetype i = 0;
  const auto skipForward = [&] {
    for (qsizetype space; i < n && (space = Utf8SpaceLength(tagText, i)) > 0;) i += space;
  };
  TagShape shape;
  skipForward();
  if (i == n) return shape;  // nothing but spaces
  const char first = AsciiLower(tagText[i++]);
  skipForward();
  if (i < n) {
    const char second = AsciiLower(tagText[i]);
    shape.CellTag = first == 't' && (second == 'h' || second == 'd');
  }
  qsizetype j = n;  // the last character that is no space ends before j
  for (;;) {
    const char c = tagText[j - 1];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
      j -= 1;
    else if (c == '\xA0' && j >= 2 && tagText[j - 2] == '\xC2')
      j -= 2;
    else if (c == '\x80' && j >= 3 && tagText[j - 2] == '\x80' && tagText[j - 3] == '\xE3')
      j -= 3;
    else
      break;
  }
  shape.SelfClosing = tagText[j - 1] == '/';
  return shape;
}

// The same for the bytes of a tag in code page 936, read from the front a
// character at a time: the one space outside ASCII is the ideographic one
// (A1 A1), and an ASCII byte where a character starts is that character.
// From the back, a byte below 40 is always a character of its own; only an
// A1 A1 there may be a space or the end of another character, and sends
// the look to the front.
TagShape Cp936ShapeOf(QByteArrayView tagText) {
  const qsizetype n = tagText.size();
  const auto spaceAt = [&](qsizetype i) -> qsizetype {
    const char c = tagText[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 1;
    return c == '\xA1' && i + 1 < n && tagText[i + 1] == '\xA1' ? 2 : 0;
  };
  qsizetype i = 0;
  const auto skipForward = [&] {
    for (qsizetype space; i < n && (space = spaceAt(i)) > 0;) i += space;
  };
  TagShape shape;
  skipForward();
  if (i == n) return shape;  // nothing but spaces
  const char first = AsciiLower(tagText[i]);
  i = CodePage936CharEnd(tagText, i);
  skipForward();
  if (i < n) {
    const char second = AsciiLower(tagText[i]);
    shape.CellTag = first == 't' && (second == 'h' || second == 'd');
  }
  qsizetype j = n;
  while (tagText[j - 1] == ' ' || tagText[j - 1] == '\t' || tagText[j - 1] == '\r' ||
         tagText[j - 1] == '\n')
    --j;
  if (j >= 2 && tagText[j - 1] == '\xA1' && tagText[j - 2] == '\xA1') {
    // The last character that is no space, found from the front.
    qsizetype last = 0;
    for (qsizetype k = 0; k < n;) {
      const qsizetype space = spaceAt(k);
      if (space == 0) last = k;
      k = space > 0 ? k + space : CodePage936CharEnd(tagText, k);
    }
    shape.SelfClosing = tagText[last] == '/';
  } else {
    shape.SelfClosing = tagText[j - 1] == '/';
  }
  return shape;
}

// How the byte forms read a text: its cells' text decoded, its tags shaped,
// and whether a first cell's bytes may be handed on as UTF-8.
struct Utf8Bytes {
  static constexpr bool kKeepsFirstCell = true;
  static char16_t* Decode(QByteArrayView bytes, char16_t* out) {
    return DecodeUtf8Into(bytes, out);
  }
  static TagShape Shape(QByteArrayView tagText) { return ShapeOf(tagText); }
};
struct Cp936Bytes {
  static constexpr bool kKeepsFirstCell = false;
  static char16_t* Decode(QByteArrayView bytes, char16_t* out) {
    return DecodeCodePage936Into(bytes, out);
  }
  static TagShape Shape(QByteArrayView tagText) { return Cp936ShapeOf(tagText); }
};

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
  // The one nearly every export writes ("R&amp;D"), without the search.
  if (name == u"amp") {
    value = u"&";
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
  const QStringView openView(open), closeView(close);
  for (ElementSpan span = NextElementIn(text, openView, closeView, 0); span.Found();
       span = NextElementIn(text, openView, closeView, span.End)) {
    elements.push_back(text.sliced(span.Start, span.End - span.Start));
  }
  return elements;
}

ElementSpan NextElement(QStringView text, QLatin1StringView tag, qsizetype from) {
  // Tags are short: built on the stack, not on the heap, once per row.
  char16_t open[kLongestTag + 1], close[kLongestTag + 3];
  const qsizetype n = TagWords(tag, open, close);
  return NextElementIn(text, QStringView(open, n + 1), QStringView(close, n + 3), from);
}

ElementSpan NextElement(QByteArrayView text, QLatin1StringView tag, qsizetype from) {
  char open[kLongestTag + 1], close[kLongestTag + 3];
  const qsizetype n = TagWords(tag, open, close);
  return NextElementIn(text, QByteArrayView(open, n + 1), QByteArrayView(close, n + 3), from);
}

ElementSpan NextElement(Cp936Text text, QLatin1StringView tag, qsizetype from) {
  return NextElement(text.Bytes(), tag, from);
}

void SplitCellsInto(QStringView rowText, RowCells& row) {
  row.FirstCellBytes = {};
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

namespace {

template <typename Encoding>
void SplitByteCellsInto(QByteArrayView rowText, RowCells& row) {
  row.FirstCellBytes = {};
  // The same steps as for decoded text; a cell's text is decoded as it is
  // copied, and never holds more UTF-16 units than the row has bytes.
  if (row.Buffer.size() < rowText.size()) row.Buffer.resize(rowText.size());
  char16_t* const out = reinterpret_cast<char16_t*>(row.Buffer.data());
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
    qsizetype lt = FindChar(rowText, '<', pos);
    if (lt < 0) lt = n;
    if (inCell && lt > pos)
      length = Encoding::Decode(rowText.sliced(pos, lt - pos), out + length) - out;
    if (lt == n) break;
    const qsizetype gt = FindChar(rowText, '>', lt + 1);
    if (gt < 0) break;  // a tag that never ends swallows the rest of the row
    const TagShape shape = Encoding::Shape(rowText.sliced(lt + 1, gt - lt - 1));
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

}  // namespace

void SplitCellsInto(QByteArrayView rowText, RowCells& row) {
  SplitByteCellsInto<Utf8Bytes>(rowText, row);
}

void SplitCellsInto(Cp936Text rowText, RowCells& row) {
  SplitByteCellsInto<Cp936Bytes>(rowText.Bytes(), row);
}

ElementSpan NextRowInto(QStringView text, qsizetype from, RowCells& row) {
  row.FirstCellBytes = {};
  const ElementSpan span = NextElement(text, QLatin1StringView("tr"), from);
  if (span.Found()) SplitCellsInto(text.sliced(span.Start, span.End - span.Start), row);
  return span;
}

namespace {

template <typename Encoding>
ElementSpan NextByteRowInto(QByteArrayView text, qsizetype from, RowCells& row) {
  row.FirstCellBytes = {};
  const QByteArrayView open("<tr"), close("</tr>");
  const qsizetype n = text.size();
  // The open tag, as NextElement finds it.
  qsizetype start = -1;
  for (qsizetype pos = from; pos < n;) {
    const qsizetype lt = FindChar(text, '<', pos);
    if (lt < 0) return {};
    if (!MatchesAt(text, lt, open)) {
      pos = lt + 1;
      continue;
    }
    pos = lt + open.size();
    if (pos < n && EndsOpenTag(text[pos])) {
      start = lt;
      break;
    }
  }
  if (start < 0) return {};
  // Then tag after tag: every "<" met is one the search for the close tag
  // looks at, as long as no tag holds a "<" before its ">". One that does
  // sends the row the long way: close tag first, then the split.
  std::vector<qsizetype>& bounds = row.Bounds;
  bounds.clear();
  qsizetype length = 0, cellStart = 0;
  bool inCell = false;
  bool inFirstCell = false;
  int firstCellRuns = 0;
  QByteArrayView firstCellRun;
  const auto takeText = [&](qsizetype first, qsizetype last) {
    if (!inCell || last <= first) return;
    if (inFirstCell) {
      ++firstCellRuns;
      firstCellRun = text.sliced(first, last - first);
    }
    if (row.Buffer.size() < length + (last - first))
      row.Buffer.resize(std::max(2 * row.Buffer.size(), length + (last - first)));
    char16_t* const out = reinterpret_cast<char16_t*>(row.Buffer.data());
    length = Encoding::Decode(text.sliced(first, last - first), out + length) - out;
  };
  qsizetype end = -1;
  for (qsizetype pos = start;;) {
    const qsizetype lt = FindChar(text, '<', pos);
    if (lt < 0) return {};  // never closed: the search ends
    if (MatchesAt(text, lt, close)) {
      takeText(pos, lt);
      end = lt + close.size();
      break;
    }
    takeText(pos, lt);
    const qsizetype gt = FindEither(text, '>', '<', lt + 1);
    if (gt < 0) return {};  // no "<" follows either: never closed
    if (text[gt] == '<') {
      for (qsizetype p = gt; p >= 0; p = FindChar(text, '<', p + 1)) {
        if (MatchesAt(text, p, close)) {
          const ElementSpan span{start, p + close.size()};
          SplitByteCellsInto<Encoding>(text.sliced(span.Start, span.End - span.Start), row);
          return span;
        }
      }
      return {};
    }
    const TagShape shape = Encoding::Shape(text.sliced(lt + 1, gt - lt - 1));
    if (shape.CellTag) {
      if (inCell) bounds.push_back(cellStart), bounds.push_back(length);
      inCell = !shape.SelfClosing;
      inFirstCell = inCell && bounds.empty();
      cellStart = length;
    }
    pos = gt + 1;
  }
  if (inCell) bounds.push_back(cellStart), bounds.push_back(length);
  row.Cells.clear();
  const QStringView all(row.Buffer);
  for (size_t i = 0; i < bounds.size(); i += 2) {
    row.Cells.push_back(all.sliced(bounds[i], bounds[i + 1] - bounds[i]));
  }
  if (Encoding::kKeepsFirstCell && firstCellRuns == 1) row.FirstCellBytes = firstCellRun;
  return {start, end};
}

}  // namespace

ElementSpan NextRowInto(QByteArrayView text, qsizetype from, RowCells& row) {
  return NextByteRowInto<Utf8Bytes>(text, from, row);
}

ElementSpan NextRowInto(Cp936Text text, qsizetype from, RowCells& row) {
  return NextByteRowInto<Cp936Bytes>(text.Bytes(), from, row);
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

namespace {

// DecodeEntities appended to out.
void AppendDecodedEntities(QStringView text, QString& out) {
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
}

}  // namespace

QString DecodeEntities(QStringView text) {
  QString out;
  out.reserve(text.size());
  AppendDecodedEntities(text, out);
  return out;
}

void CleanCellTextInto(QStringView cell, QString& out) {
  // The usual cell, plain text, is copied without its spaces as it is
  // looked at; a tag or an entity sends it the long way.
  if (out.size() < cell.size()) out.resize(cell.size());
  char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
  char16_t* dst = begin;
  bool entity = false;
  for (QChar qc : cell) {
    const char16_t c = qc.unicode();
    if (c <= u'>') {
      if (c == u'<' || c == u'>') {
        out = StripSpaces(DecodeEntities(StripTags(cell)));
        return;
      }
      entity = entity || c == u'&';
    }
    *dst = c;
    dst += IsStrippedSpace(c) ? 0 : 1;
  }
  if (entity) {
    // Without tags StripTags leaves the text as it is: decoded into out's
    // own storage, then its spaces dropped in place.
    out.truncate(0);
    AppendDecodedEntities(cell, out);
    QChar* const first = out.data();
    QChar* to = first;
    for (const QChar* from = first; from != first + out.size(); ++from) {
      if (!IsStrippedSpace(*from)) *to++ = *from;
    }
    out.truncate(to - first);
    return;
  }
  out.truncate(dst - begin);
}

bool IsPlainCellBytes(QByteArrayView bytes) {
  // 1: a byte that is never plain; 2: the first byte of a no-break space
  // (C2 A0) or an ideographic space (E3 80 80), and of other characters.
  static constexpr auto kStops = [] {
    std::array<std::uint8_t, 256> stops{};
    for (const char c : {'<', '>', '&', ' ', '\t', '\n', '\r'}) stops[static_cast<unsigned char>(c)] = 1;
    stops[0xC2] = stops[0xE3] = 2;
    return stops;
  }();
  if (bytes.isEmpty()) return false;
  const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
#if defined(__SSE2__)
  // Sixteen bytes a step up to the first that may stop: in most names none.
  for (; i + 16 <= n; i += 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    __m128i hit = _mm_setzero_si128();
    for (const char c : {'<', '>', '&', ' ', '\t', '\n', '\r', '\xC2', '\xE3'})
      hit = _mm_or_si128(hit, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(c)));
    if (_mm_movemask_epi8(hit) != 0) break;
  }
#endif
  for (; i < n; ++i) {
    const std::uint8_t stop = kStops[p[i]];
    if (stop == 0) continue;
    if (stop == 1) return false;
    if (p[i] == 0xC2 && i + 1 < n && p[i + 1] == 0xA0) return false;
    if (p[i] == 0xE3 && i + 2 < n && p[i + 1] == 0x80 && p[i + 2] == 0x80) return false;
  }
  return true;
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

bool ReadCellValue(QStringView text, double& value) {
  // Short enough that the general rules read it as it stands, not shortened.
  constexpr qsizetype kPlainLength = 64;
  const qsizetype n = text.size();
  if (n > 0 && n <= kPlainLength) {
    // Grouping commas are dropped, as the general rules drop them; any other
    // character that is not ASCII leaves the cell to those rules.
    char ascii[kPlainLength];
    size_t used = 0;
    bool plain = true;
    for (qsizetype i = 0; plain && i < n; ++i) {
      const char16_t c = text[i].unicode();
      if (c == u',') continue;
      plain = c < 0x80;
      ascii[used++] = static_cast<char>(c);
    }
    if (plain) {
      if (const auto read = ReadPlainDecimal(std::string_view(ascii, used))) {
        value = *read;
        return true;
      }
    }
  }
  return ReadValue(text, value);
}

}  // namespace qh
