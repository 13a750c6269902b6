#include "data/csv_plain_lines.h"

#include "data/text_decode.h"

#include <QString>
#include <cstring>
#include <string>

namespace qh {

namespace {

// The bytes of one line with quotes, CR LF and lone CRs, read by the rules
// of CsvLineSplitter: into out with quotes taken away and unquoted
// separators as tabs. Returns where the next line starts; ended says
// whether a line break ended it (else the bytes did), joined whether a
// quote taken away stood right after a byte of a longer character (the
// two sides could then look like one character).
const char* QuotedLine(const char* p, const char* end, char sep, std::string& out, bool& ended,
                       bool& joined) {
  out.clear();
  ended = joined = false;
  bool inQuote = false;
  const char* const start = p;
  while (p < end) {
    // Plain bytes are copied a run at a time; only these four decide.
    const char* run = p;
    while (p < end && *p != '"' && *p != '\r' && *p != '\n' && (inQuote || *p != sep)) ++p;
    out.append(run, static_cast<size_t>(p - run));
    if (p == end) break;
    char c = *p;
    const char next = p + 1 < end ? p[1] : '\0';
    if (c == '\r') {
      if (next == '\n') {  // CR LF counts as the LF
        ++p;
        continue;
      }
      c = '\n';
    }
    if (c == '"' && !(inQuote && next == '"')) {
      inQuote = !inQuote;
      if (p > start && static_cast<unsigned char>(p[-1]) >= 0x80) joined = true;
    } else if (inQuote) {
      out.push_back(c);
      if (c == '"') ++p;  // "" inside quotes is one quote
    } else if (c == sep) {
      out.push_back('\t');
    } else {  // an unquoted line break
      ended = true;
      return p + 1;
    }
    ++p;
  }
  return end;
}

}  // namespace

PlainCsvSplit SplitPlainCsvLines(QByteArrayView bytes, QChar separator,
                                 const std::function<void(QStringView line)>& sink) {
  if (separator.unicode() >= 0x80) return PlainCsvSplit::NotPlain;
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  const auto sep = static_cast<char16_t>(separator.unicode());
  QString line;          // reused: grows to the longest line once
  QString checked;       // the same, for the bytes as they are in the file
  std::string unquoted;  // a line with quotes, as the splitter reads it
  while (p < end) {
    const auto* feed = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* stop = feed != nullptr ? feed : end;
    const char* textEnd = stop;
    if (feed != nullptr && textEnd > p && textEnd[-1] == '\r') --textEnd;  // CR LF
    const auto length = static_cast<size_t>(textEnd - p);
    if (std::memchr(p, '"', length) == nullptr && std::memchr(p, '\r', length) == nullptr) {
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
      continue;
    }
    // Quotes may hold separators and line breaks: read byte by byte. Taking
    // quotes out could join the pieces of a broken character, so the bytes
    // are checked as they stand in the file.
    bool ended = false, joined = false;
    const char* next = QuotedLine(p, end, static_cast<char>(sep), unquoted, ended, joined);
    if ((joined && !DecodeUtf8Strict(QByteArrayView(p, next - p), checked)) ||
        !DecodeUtf8Strict(QByteArrayView(unquoted.data(), static_cast<qsizetype>(unquoted.size())),
                          line))
      return PlainCsvSplit::NotPlain;
    if (ended || !line.isEmpty()) sink(QStringView(line));
    p = next;
  }
  return PlainCsvSplit::Done;
}

}  // namespace qh
