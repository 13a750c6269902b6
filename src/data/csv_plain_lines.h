#pragma once
// UTF-8 CSV split without decoding the file first. Quotes, separators and
// line breaks are ASCII and never part of a longer UTF-8 character, so the
// lines are found in the bytes (memchr; a line with quotes or a lone CR is
// read byte by byte) and only each line is decoded, into one reused buffer:
// the same lines CsvLineSplitter gives for the decoded text.
#include <QByteArrayView>
#include <QChar>
#include <QStringView>
#include <functional>

namespace qh {

enum class PlainCsvSplit {
  Done,      // every line was handed on
  NotPlain,  // a byte that is not UTF-8 (or a separator that is not ASCII)
  TabSeen,   // a tab, where the caller asked to stop at one
};

// A line's two cells, quotes taken away, when the look that found the line
// settled them: one separator, no tab, quotes only around one whole cell.
struct PlainCells {
  QByteArrayView Name, Value;
};

// Where the lines go. A line without a lone CR is first offered as its
// bytes (checked UTF-8, separators and quotes as they stand), so a reader
// can take it without decoding it; what it declines comes decoded. A line
// with quotes may be taken only when none of them holds a line break: the
// line then ends at its line feed.
class PlainCsvSink {
 public:
  virtual ~PlainCsvSink() = default;
  // True when the line was taken as it stands; cells, when not null, are
  // its cells as the splitter found them.
  virtual bool Bytes(QByteArrayView line, const PlainCells* cells) = 0;
  // A line decoded, every separator turned into a tab.
  virtual void Line(QStringView line) = 0;
  // Every byte before offset has been handed on.
  virtual void Passed(qsizetype offset) { (void)offset; }
};

// Copies the count bytes that stand at from (a place in the bytes being
// split) into to.
using CopyBytes = std::function<void(const char* from, char* to, qsizetype count)>;
// The bytes a window read through a copy holds: lines of a few hundred
// kilobytes stay in cache while they are split.
inline constexpr qsizetype kCopyWindow = 256 * 1024;

// Hands each line to sink; an empty line is kept, an empty last line is
// not. NotPlain may come after some lines were handed on (a byte that is
// not UTF-8 is found only as it comes); so may TabSeen, when tabEnds asks
// to stop at the first tab (a reader that took the separator on trust
// learns it was wrong in the same look). With copy, the bytes are never
// looked at where they lie: the lines are read through it into one reused
// buffer, a window of whole lines at a time (room for window bytes, more
// for a longer line), and sink.Passed is not called.
PlainCsvSplit SplitPlainCsvLines(QByteArrayView bytes, QChar separator, PlainCsvSink& sink,
                                 bool tabEnds = false, const CopyBytes& copy = {},
                                 qsizetype window = kCopyWindow);

}  // namespace qh
