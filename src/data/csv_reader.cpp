#include "data/csv_reader.h"

#include "base/text_utils.h"
#include "data/byte_search.h"
#include "data/csv_plain_lines.h"
#include "data/text_decode.h"
#include "data/value_rules.h"
#include "data/validate_rows.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace qh {

namespace {

// Decoded pieces of about this many bytes: small next to any large file.
constexpr qsizetype kPieceBytes = 1 << 20;

// Where the piece starting at from ends: after its last byte below 0x40.
// Such a byte is a whole character in UTF-8 and GBK alike, and starts no
// longer one, so both decoders give the same text piece by piece.
qsizetype PieceEnd(QByteArrayView bytes, qsizetype from) {
  if (bytes.size() - from <= kPieceBytes) return bytes.size();
  for (qsizetype i = from + kPieceBytes; i > from; --i) {
    if (static_cast<uint8_t>(bytes[i - 1]) < 0x40) return i;
  }
  for (qsizetype i = from + kPieceBytes; i < bytes.size(); ++i) {
    if (static_cast<uint8_t>(bytes[i]) < 0x40) return i + 1;
  }
  return bytes.size();
}

enum class Encoding { Utf8, CodePage936 };

// Feeds the decoded text of bytes to splitter, one piece at a time. False
// at the first piece that is not UTF-8 when asked for UTF-8.
bool FeedDecoded(QByteArrayView bytes, Encoding encoding, CsvLineSplitter& splitter) {
  QString piece;
  for (qsizetype from = 0; from < bytes.size();) {
    const qsizetype end = PieceEnd(bytes, from);
    const QByteArrayView raw = bytes.sliced(from, end - from);
    if (encoding == Encoding::CodePage936) {
      piece = DecodeCodePage936(raw);
    } else if (!DecodeUtf8Strict(raw, piece)) {
      return false;
    }
    splitter.Feed(piece);
    from = end;
  }
  return true;
}

bool FailNoLines(const QString& label, ItemTable& table) {
  return table.Fail(QStringLiteral("数据源 ") + label + QStringLiteral(" 中没有数据,无法生成图表."),
                    QStringLiteral("文件内容为空."));
}

char16_t At(QStringView text, qsizetype i) { return text[i].unicode(); }
char16_t At(QByteArrayView bytes, qsizetype i) { return static_cast<unsigned char>(bytes[i]); }
char16_t At(const Utf16Pieces& text, qsizetype i) { return text[i]; }
qsizetype Size(QStringView text) { return text.size(); }
qsizetype Size(QByteArrayView bytes) { return bytes.size(); }
qsizetype Size(const Utf16Pieces& text) { return text.Units(); }

// Whether every line that holds more than spaces has exactly one tab
// outside quotes: a table of two tab-separated columns whose cells may hold
// commas (grouped amounts such as 1,234.50). Quotes open and close as the
// splitter sees them; CR, LF and CR LF end a line outside quotes.
template <typename Text>
bool EveryLineOneTab(const Text& text) {
  bool inQuote = false;
  int tabs = 0;
  bool blank = true;
  const auto lineEnds = [&]() {
    const bool ok = blank || tabs == 1;
    tabs = 0;
    blank = true;
    return ok;
  };
  const qsizetype n = Size(text);
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = At(text, i);
    if (c == u'"') {
      inQuote = !inQuote;
      blank = false;
    } else if (inQuote) {
      blank = false;
    } else if (c == u'\n' || c == u'\r') {
      if (!lineEnds()) return false;
    } else if (c == u'\t') {
      ++tabs;
    } else if (c != u' ') {
      blank = false;
    }
  }
  return lineEnds();
}

// The separator a text chooses, asking has(c) whether it holds c only as
// far as the choice needs: commas, unless every line holds exactly one tab
// (oneTabEachLine); else tabs, then semicolons, then commas.
template <typename Has, typename OneTabEachLine>
QChar ChooseSeparator(Has has, OneTabEachLine oneTabEachLine) {
  if (has(',')) return has('\t') && oneTabEachLine() ? u'\t' : u',';
  if (has('\t')) return u'\t';
  if (has(';')) return u';';
  return u',';
}

// The same from what a look through the whole text found.
template <typename OneTabEachLine>
QChar ChooseSeparator(bool comma, bool tab, bool semicolon, OneTabEachLine oneTabEachLine) {
  return ChooseSeparator([=](char c) { return c == ','    ? comma
                                              : c == '\t' ? tab
                                                          : semicolon; },
                         oneTabEachLine);
}

}  // namespace

QChar DetectCsvSeparator(QStringView text) {
  return ChooseSeparator([text](char c) { return text.contains(QLatin1Char(c)); },
                         [text] { return EveryLineOneTab(text); });
}

QChar DetectCsvSeparator(QByteArrayView bytes) {
  return ChooseSeparator([bytes](char c) { return bytes.contains(c); },
                         [bytes] { return EveryLineOneTab(bytes); });
}

CsvLineSplitter::CsvLineSplitter(QChar separator, LineSink sink)
    : separator_(separator), sink_(std::move(sink)) {}

void CsvLineSplitter::Take(QChar c, QChar next, bool& skipNext) {
  if (c == u'\r') {
    if (next == u'\n') return;  // CR LF counts as the LF
    c = u'\n';
  }
  if (inQuote_) {
    if (c != u'"') {
      out_[length_++] = c;
    } else if (next == u'"') {
      out_[length_++] = c;
      skipNext = true;
    } else {
      inQuote_ = false;
    }
  } else if (c == u'"') {
    inQuote_ = true;
  } else if (c == separator_) {
    out_[length_++] = u'\t';
  } else if (c == u'\n') {
    sink_(QStringView(out_, length_));
    length_ = 0;
  } else {
    out_[length_++] = c;
  }
}

void CsvLineSplitter::ExpectAtMost(qsizetype characters) { limit_ = characters; }

void CsvLineSplitter::Reserve(qsizetype more) {
  const qsizetype needed = length_ + more;
  if (line_.size() < needed) {
    // Past one piece a line is likely the whole rest of a broken file.
    const qsizetype grown = limit_ > needed && needed > (1 << 20) ? limit_ : 2 * line_.size();
    line_.resize(std::max(needed, grown));
  }
  out_ = line_.data();
}

void CsvLineSplitter::Feed(QStringView piece) {
  if (piece.isEmpty()) return;
  Reserve(piece.size() + 1);  // a line grows by at most one character per character read
  qsizetype i = 0;
  bool skipNext = false;
  if (holding_) {
    holding_ = false;
    Take(held_, piece[0], skipNext);
  }
  if (skipNext) i = 1;
  const qsizetype n = piece.size();
  for (; i < n; ++i) {
    const QChar c = piece[i];
    if (i + 1 == n && (c == u'\r' || (inQuote_ && c == u'"'))) {
      held_ = c;  // CR LF or "" may straddle the pieces
      holding_ = true;
      return;
    }
    skipNext = false;
    Take(c, i + 1 < n ? piece[i + 1] : QChar(), skipNext);
    if (skipNext) ++i;
  }
}

void CsvLineSplitter::Finish() {
  if (holding_) {
    holding_ = false;
    bool skipNext = false;
    Reserve(1);
    Take(held_, QChar(), skipNext);
  }
  if (length_ > 0) sink_(QStringView(out_, length_));
  length_ = 0;
}

namespace {

// Validates the lines that feed(splitter) produces; nothing when feed gives
// up (the table is then left half filled).
template <typename FeedText>
std::optional<bool> ValidateCsvLines(qsizetype expectedLines, qsizetype maxCharacters,
                                     const QString& label, const LoadLimits& limits,
                                     ItemTable& table, const TableChoice& choice, QChar separator,
                                     FeedText feed) {
  RowValidator rows(label, table, limits, choice);
  if (!table.Compact) {
    // Names never take more characters than the text: all of it, unless
    // only the first rows are kept.
    table.Items.reserve(
        std::min(static_cast<size_t>(expectedLines), static_cast<size_t>(limits.MaxItems) + 1),
        limits.KeepItems > 0 ? 0 : static_cast<size_t>(maxCharacters));
  }
  size_t count = 0;
  CsvLineSplitter splitter(separator,
                           [&rows, &count](QStringView line) { rows.Add(count++, line); });
  splitter.ExpectAtMost(maxCharacters);
  if (!feed(splitter)) return std::nullopt;
  splitter.Finish();
  if (count == 0) return FailNoLines(label, table);
  return rows.Finish();
}

// Lines end at LF, at CR LF or at a lone CR: an upper bound on their number.
qsizetype LineBreaks(QStringView text) {
  const qsizetype feeds = text.count(u'\n');
  return (feeds > 0 ? feeds : text.count(u'\r')) + 1;
}

qsizetype LineBreaks(QByteArrayView bytes) {
  const qsizetype feeds = bytes.count('\n');
  return (feeds > 0 ? feeds : bytes.count('\r')) + 1;
}

// The usual row of a UTF-8 export read straight from its bytes: split at
// the separator (and at tabs, as the decoded line would be), the value cell
// read as a number there, the name decoded only when the item is kept.
// Anything else goes to the validator decoded, as before.
class PlainRows final : public PlainCsvSink {
 public:
  static constexpr size_t kPlainCell = 300;

  PlainRows(RowValidator& rows, char separator, const std::function<void(qsizetype)>& passed)
      : rows_(rows), sep_(separator), passed_(passed) {}

  size_t Count() const { return count_; }

  bool Bytes(QByteArrayView line, const PlainCells* settled) override {
    if (!rows_.TakesReadRows()) return false;
    const char* const end = line.data() + line.size();
    if (settled != nullptr) {  // nothing left to look for
      const QByteArrayView n = settled->Name, v = settled->Value;
      return TakeRow(2, {n.data(), n.data() + n.size()}, {v.data(), v.data() + v.size()});
    }
    Cell name, value;
    const char* next = TakeCell(line.data(), end, name);
    if (next == nullptr || next == end) return false;  // one cell, or quotes to be read in full
    next = TakeCell(next + 1, end, value);
    if (next == nullptr) return false;
    int cells = 2;
    while (next != end) {
      Cell more;
      next = TakeCell(next + 1, end, more);
      if (next == nullptr) return false;
      ++cells;
    }
    return TakeRow(cells, name, value);
  }
  void Line(QStringView line) override { rows_.Add(count_++, line); }
  void Passed(qsizetype offset) override {
    if (passed_) passed_(offset);
  }

 private:
  struct Cell {
    const char* Begin;
    const char* End;
  };

  // A row of cells whose value reads as a plain decimal; false leaves it
  // to the value rules, decoded.
  bool TakeRow(int cells, Cell name, Cell value) {
    // Short enough that no double overflows.
    const auto length = static_cast<size_t>(value.End - value.Begin);
    const auto read = length <= kPlainCell ? ReadPlainDecimal(std::string_view(value.Begin, length))
                                           : std::nullopt;
    if (!read) return false;
    ++count_;
    rows_.AddReadRow(
        cells, std::string_view(name.Begin, static_cast<size_t>(name.End - name.Begin)), *read);
    return true;
  }

  // The cell from p: up to the next separator or tab, or wholly in quotes
  // with no quote, tab or line break inside (a tab in quotes still parts
  // cells). Returns where it ends (at a separator, a tab or end); null for
  // any other use of quotes.
  const char* TakeCell(const char* p, const char* end, Cell& cell) const {
    if (p < end && *p == '"') {
      const char* q = FindAnyOf(p + 1, end, '"', '\t', '"');
      if (q == end || *q != '"' || (q + 1 < end && q[1] != sep_ && q[1] != '\t')) return nullptr;
      cell = {p + 1, q};
      return q + 1;
    }
    const char* q = FindAnyOf(p, end, sep_, '\t', '"');
    if (q < end && *q == '"') return nullptr;
    cell = {p, q};
    return q;
  }

  RowValidator& rows_;
  const char sep_;
  const std::function<void(qsizetype)>& passed_;
  size_t count_ = 0;
};

// How many items bytes can hold at most: an item's line has a name, a
// separator and a digit. Room reserved for them is touched only as items
// come.
qsizetype ItemsBound(QByteArrayView bytes) { return bytes.size() / 3 + 1; }
// Past this many items a table grows as it comes.
constexpr qsizetype kMostReserved = qsizetype(1) << 24;

// UTF-8, split in the bytes (csv_plain_lines.h); nothing when the bytes
// are not UTF-8, or when tabEnds and a tab came (split tells which).
std::optional<bool> ValidatePlainCsvLines(QByteArrayView bytes, QChar separator,
                                          const LoadLimits& limits, const TableChoice& choice,
                                          ItemTable& table,
                                          const std::function<void(qsizetype)>& passed,
                                          const CopyBytes& copy, bool tabEnds,
                                          PlainCsvSplit& split) {
  split = PlainCsvSplit::NotPlain;
  if (separator.unicode() >= 0x80) return std::nullopt;
  RowValidator rows(QStringLiteral("CSV"), table, limits, choice);
  qsizetype room = std::min<qsizetype>({ItemsBound(bytes), limits.MaxItems + 1, kMostReserved});
  if (limits.KeepItems > 0) room = std::min<qsizetype>(room, limits.KeepItems);
  if (table.Compact) {
    // Never more name bytes than the file has.
    table.Compact->Reserve(static_cast<size_t>(room), static_cast<size_t>(bytes.size()));
  } else {
    // Never more name characters than the file has bytes.
    table.Items.reserve(static_cast<size_t>(room),
                        limits.KeepItems > 0 ? 0 : static_cast<size_t>(bytes.size()));
  }
  PlainRows sink(rows, static_cast<char>(separator.unicode()), passed);
  split = SplitPlainCsvLines(bytes, separator, sink, tabEnds, copy);
  if (split != PlainCsvSplit::Done) return std::nullopt;
  if (sink.Count() == 0) return FailNoLines(QStringLiteral("CSV"), table);
  return rows.Finish();
}

}  // namespace

namespace {

bool ParseSeparatedText(QStringView view, const QString& label, QChar separator,
                        const LoadLimits& limits, ItemTable& table, const TableChoice& choice) {
  table.Reset();
  return *ValidateCsvLines(LineBreaks(view), view.size(), label, limits, table, choice, separator,
                           [view](CsvLineSplitter& splitter) {
                             splitter.Feed(view);
                             return true;
                           });
}

}  // namespace

bool ParseCsvText(QStringView text, const LoadLimits& limits, ItemTable& table,
                  const TableChoice& choice) {
  return ParseSeparatedText(text, QStringLiteral("CSV"), DetectCsvSeparator(text), limits, table,
                            choice);
}

bool ParseExcelText(QString text, const LoadLimits& limits, ItemTable& table,
                    const TableChoice& choice) {
  const QChar separator = text.contains(u'\t') ? u'\t' : DetectCsvSeparator(text);
  return ParseSeparatedText(text, QStringLiteral("Excel"), separator, limits, table, choice);
}

namespace {

// DetectCsvSeparator of bytes, read a piece at a time with passed told of
// each, so that a mapped file's pages go as they are looked at.
QChar DetectSeparatorPassing(QByteArrayView bytes, const std::function<void(qsizetype)>& passed) {
  if (!passed) return DetectCsvSeparator(bytes);
  bool comma = false, tab = false, semicolon = false;
  for (qsizetype from = 0; from < bytes.size(); from += kPieceBytes) {
    const QByteArrayView piece = bytes.sliced(from, std::min(kPieceBytes, bytes.size() - from));
    comma = comma || piece.contains(',');
    tab = tab || piece.contains('\t');
    // A comma anywhere outranks semicolons: they need no looking for.
    semicolon = semicolon || (!comma && piece.contains(';'));
    // Commas and tabs: every line is looked at.
    if (comma && tab) return DetectCsvSeparator(bytes);
    passed(from + piece.size());
  }
  return ChooseSeparator(comma, tab, semicolon, [bytes] { return EveryLineOneTab(bytes); });
}

}  // namespace

bool ParseCsvBytes(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table,
                   const TableChoice& choice, const std::function<void(qsizetype)>& passed,
                   const CopyBytes& copy) {
  table.Reset();
  bytes = WithoutUtf8Mark(bytes);
  // Most exports part cells with commas and hold no tab at all: taken so,
  // on the strength of one comma, the file is looked at once, not twice. A
  // tab anywhere sends it back to the full choice of separator.
  PlainCsvSplit split = PlainCsvSplit::TabSeen;
  if (bytes.contains(',')) {
    if (const auto verdict =
            ValidatePlainCsvLines(bytes, u',', limits, choice, table, passed, copy, true, split))
      return *verdict;
    table.Reset();
  }
  const QChar separator = DetectSeparatorPassing(bytes, passed);
  if (split == PlainCsvSplit::TabSeen) {
    if (const auto verdict =
            ValidatePlainCsvLines(bytes, separator, limits, choice, table, passed, copy, false,
                                  split))
      return *verdict;
    table.Reset();
  }
  const qsizetype lines = LineBreaks(bytes);
  // UTF-8 as long as the bytes are; at the first piece that is not, the
  // whole file is read again as code page 936, as DecodeFileText decides.
  for (const Encoding encoding : {Encoding::Utf8, Encoding::CodePage936}) {
    // Never more characters than bytes, in either encoding.
    const auto verdict = ValidateCsvLines(
        lines, bytes.size(), QStringLiteral("CSV"), limits, table, choice, separator,
        [&](CsvLineSplitter& splitter) { return FeedDecoded(bytes, encoding, splitter); });
    if (verdict) return *verdict;
    table.Reset();
  }
  return false;
}

bool ParseCsvUtf16(QByteArrayView bytes, const LoadLimits& limits, ItemTable& table,
                   const TableChoice& choice, const std::function<void(qsizetype)>& passed) {
  table.Reset();
  const Utf16Pieces text(bytes);
  const qsizetype units = text.Units();
  constexpr qsizetype kPieceUnits = kPieceBytes / 2;
  QString piece(std::min(kPieceUnits, units), Qt::Uninitialized);
  char16_t* const out = reinterpret_cast<char16_t*>(piece.data());
  // Each piece decoded in turn, handed to look, and its bytes told passed.
  const auto eachPiece = [&](const auto& look) {
    for (qsizetype from = 0; from < units; from += kPieceUnits) {
      const qsizetype count = std::min(kPieceUnits, units - from);
      text.Decode(from, count, out);
      look(QStringView(out, count));
      if (passed) passed(std::min(bytes.size(), Utf16Pieces::ByteOffset(from + count)));
    }
  };
  // What DetectCsvSeparator and LineBreaks look for in the whole text, in
  // one pass.
  bool comma = false, tab = false, semicolon = false;
  qsizetype feeds = 0, returns = 0;
  eachPiece([&](QStringView view) {
    comma = comma || view.contains(u',');
    tab = tab || view.contains(u'\t');
    semicolon = semicolon || view.contains(u';');
    feeds += view.count(u'\n');
    returns += view.count(u'\r');
  });
  const QChar separator =
      ChooseSeparator(comma, tab, semicolon, [&text] { return EveryLineOneTab(text); });
  const qsizetype lines = (feeds > 0 ? feeds : returns) + 1;
  return *ValidateCsvLines(lines, units, QStringLiteral("CSV"), limits, table, choice, separator,
                           [&](CsvLineSplitter& splitter) {
                             eachPiece([&](QStringView view) { splitter.Feed(view); });
                             return true;
                           });
}

}  // namespace qh
