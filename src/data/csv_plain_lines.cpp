#include "data/csv_plain_lines.h"

#include "data/text_decode.h"

#include <QString>
#include <cstring>

namespace qh {

PlainCsvSplit SplitPlainCsvLines(QByteArrayView bytes, QChar separator,
                                 const std::function<void(QStringView line)>& sink) {
  if (separator.unicode() >= 0x80) return PlainCsvSplit::NotPlain;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  if (bytes.isEmpty()) return PlainCsvSplit::Done;
  if (std::memchr(p, '"', static_cast<size_t>(bytes.size())) != nullptr)
    return PlainCsvSplit::NotPlain;
  const auto sep = static_cast<char16_t>(separator.unicode());
  QString line;  // reused: grows to the longest line once
  while (p < end) {
    const auto* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = feed != nullptr ? feed : end;
    const char* textEnd = stop;
    if (feed != nullptr && textEnd > p && textEnd[-1] == '\r') --textEnd;  // CR LF
    // A CR anywhere else breaks the line too: left to the general splitter.
    if (textEnd > p && std::memchr(p, '\r', static_cast<size_t>(textEnd - p)) != nullptr)
      return PlainCsvSplit::NotPlain;
    if (!DecodeUtf8Strict(QByteArrayView(p, textEnd - p), line)) return PlainCsvSplit::NotPlain;
    if (sep != u'\t') {
      char16_t* c = reinterpret_cast<char16_t*>(line.data());
      for (qsizetype i = 0, n = line.size(); i < n; ++i) {
        if (c[i] == sep) c[i] = u'\t';
      }
    }
    // The last line counts only when it holds something.
    if (feed != nullptr || !line.isEmpty()) sink(QStringView(line));
    p = stop + (feed != nullptr ? 1 : 0);
  }
  return PlainCsvSplit::Done;
}

}  // namespace qh
