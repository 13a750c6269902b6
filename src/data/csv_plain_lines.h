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
};

// Hands each line to sink, every separator turned into a tab; an empty
// line is kept, an empty last line is not. NotPlain may come after some
// lines were handed on (a byte that is not UTF-8 is found only as it comes).
PlainCsvSplit SplitPlainCsvLines(QByteArrayView bytes, QChar separator,
                                 const std::function<void(QStringView line)>& sink);

}  // namespace qh
