#include "data/csv_plain_lines.h"

#include "data/text_decode.h"

#include <QString>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// What one line holds, found in one look at its bytes.
struct LineFacts {
  const char* Feed = nullptr;         // the LF that ends it; null: the bytes or a lone CR end it
  const char* FirstReturn = nullptr;  // its first CR, if any
  bool Quote = false;                 // a quote before the end
  bool High = false;                  // a byte of 0x80 and above
  bool Tab = false;                   // a tab before the end
  const char* Separator = nullptr;    // its first separator
  bool MoreSeparators = false;        // a second one
  const char* Quotes[2] = {};         // its first two quotes
  bool MoreQuotes = false;            // a third one
};

// Notes the places of a line's quotes, a step's worth (bit i: p + i).
void NoteQuotes(LineFacts& facts, const char* p, unsigned bits) {
  for (int k = 0; k < 2 && bits != 0; ++k) {
    if (facts.Quotes[k] != nullptr) continue;
    facts.Quotes[k] = p + std::countr_zero(bits);
    bits &= bits - 1;
  }
  if (bits != 0) facts.MoreQuotes = true;
}

// The two cells of the line [begin, end) when its one look settles them:
// no tab, and either a single separator with no quote, or quotes only
// around one whole cell (the value's may hold separators: "1,234.50").
std::optional<PlainCells> SettledCells(const LineFacts& facts, const char* begin, const char* end) {
  // All it found stands before end: only a CR may follow.
  const char* const sep = facts.Separator;
  if (sep == nullptr || facts.Tab || facts.MoreQuotes) return std::nullopt;
  const char* const q0 = facts.Quotes[0];
  const char* const q1 = facts.Quotes[1];
  const auto view = [](const char* from, const char* to) {
    return QByteArrayView(from, to - from);
  };
  if (q0 == nullptr) {
    if (facts.MoreSeparators) return std::nullopt;
    return PlainCells{view(begin, sep), view(sep + 1, end)};
  }
  if (q1 == nullptr) return std::nullopt;
  // Any later separator stands inside these quotes.
  if (q0 == sep + 1 && q1 == end - 1) return PlainCells{view(begin, sep), view(q0 + 1, q1)};
  if (q0 == begin && q1 == sep - 1 && !facts.MoreSeparators)
    return PlainCells{view(q0 + 1, q1), view(sep + 1, end)};
  return std::nullopt;
}

// A CR that no LF follows ends a line by itself.
bool IsLoneReturn(const char* r, const char* end) { return r + 1 == end || r[1] != '\n'; }

// The facts of the line from p. A lone CR ends the look at once: such a
// line is read byte by byte from its start anyway, and looking on for a
// line feed that may never come would make a file of lone CRs quadratic.
LineFacts ScanLine(const char* p, const char* end, char sep) {
  LineFacts facts;
#if defined(__SSE2__)
  // Sixteen bytes a step: a line of a usual export takes two or three.
  const __m128i feeds = _mm_set1_epi8('\n');
  const __m128i quotes = _mm_set1_epi8('"');
  const __m128i returns = _mm_set1_epi8('\r');
  const __m128i tabs = _mm_set1_epi8('\t');
  const __m128i separators = _mm_set1_epi8(sep);
  while (end - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto feed = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, feeds)));
    // Only what stands before the line feed counts.
    const unsigned before = feed != 0 ? (feed & (0u - feed)) - 1 : 0xFFFFu;
    const auto quote = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, quotes)));
    const auto ret =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, returns))) & before;
    facts.Quote = facts.Quote || (quote & before) != 0;
    if ((quote & before) != 0) NoteQuotes(facts, p, quote & before);
    facts.High = facts.High || (static_cast<unsigned>(_mm_movemask_epi8(chunk)) & before) != 0;
    facts.Tab =
        facts.Tab ||
        (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tabs))) & before) != 0;
    if (const unsigned seps =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, separators))) & before;
        seps != 0) {
      if (facts.Separator != nullptr || (seps & (seps - 1)) != 0) facts.MoreSeparators = true;
      if (facts.Separator == nullptr) facts.Separator = p + std::countr_zero(seps);
    }
    if (ret != 0 && facts.FirstReturn == nullptr) {
      facts.FirstReturn = p + std::countr_zero(ret);
      if (IsLoneReturn(facts.FirstReturn, end)) return facts;
    }
    if (feed != 0) {
      facts.Feed = p + std::countr_zero(feed);
      return facts;
    }
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    const char c = *p;
    if (c == '\n') {
      facts.Feed = p;
      return facts;
    }
    if (c == '"') {
      facts.Quote = true;
      NoteQuotes(facts, p, 1);
    }
    if (c == '\t') facts.Tab = true;
    if (c == sep) {
      if (facts.Separator != nullptr) facts.MoreSeparators = true;
      if (facts.Separator == nullptr) facts.Separator = p;
    }
    if (c == '\r' && facts.FirstReturn == nullptr) {
      facts.FirstReturn = p;
      if (IsLoneReturn(p, end)) return facts;
    }
    if (static_cast<unsigned char>(c) >= 0x80) facts.High = true;
  }
  return facts;
}

// Lines are handed on in steps of about this many bytes.
constexpr qsizetype kPassedStep = 1 << 20;

// UTF-8 is checked this far ahead of the line being read, to the end of a
// line: one long check instead of one per line, over bytes still in cache.
// Any byte that is no UTF-8 ends the reading wherever it lies, and no
// verdict is given before the last line, so checking ahead decides the same.
constexpr qsizetype kCheckAhead = 64 * 1024;

// Where checking ahead of a line ending at lineEnd stops: the end of the
// line kCheckAhead on, or of the bytes. A line break is a whole character.
const char* CheckAheadEnd(const char* lineEnd, const char* end) {
  if (end - lineEnd <= kCheckAhead) return end;
  const void* feed =
      std::memchr(lineEnd + kCheckAhead, '\n', static_cast<size_t>(end - lineEnd - kCheckAhead));
  return feed != nullptr ? static_cast<const char*>(feed) : end;
}

// The bytes to split, a window of whole lines at a time: the whole bytes
// where they lie, or, read through a copy, one reused buffer that holds
// about window bytes of whole lines. A mapped file's pages cost a fault
// each the first time a process looks at them, yet the kernel copies them
// out of the page cache without one; the buffer stays in cache.
class LineWindows {
 public:
  LineWindows(QByteArrayView bytes, const CopyBytes& copy, qsizetype window)
      : copy_(copy),
        window_(static_cast<size_t>(std::max<qsizetype>(window, 1))),
        source_(bytes.data()),
        sourceEnd_(bytes.data() + bytes.size()) {
    if (!copy_) {  // the bytes are one window
      begin_ = bytes.data();
      end_ = dataEnd_ = source_ = sourceEnd_;
    }
  }

  const char* Begin() const { return begin_; }
  const char* End() const { return end_; }
  // Whether the window ends where the bytes do.
  bool Last() const { return source_ == sourceEnd_ && end_ == dataEnd_; }

  // Moves the window on to start at p, a place in it (or its end), and to
  // end past where it ended: a line that ran into its end is then read
  // again, with more of it. False when the bytes have no more.
  bool Next(const char* p) {
    if (Last()) return false;
    const qsizetype keep = dataEnd_ - p;
    const qsizetype mustPass = end_ - p;
    if (keep > 0) std::memmove(buffer_.data(), p, static_cast<size_t>(keep));
    qsizetype have = keep;
    for (;;) {
      // A line longer than the room gets twice the room.
      if (have == static_cast<qsizetype>(buffer_.size()))
        buffer_.resize(std::max(window_, buffer_.size() * 2));
      const qsizetype most =
          std::min<qsizetype>(static_cast<qsizetype>(buffer_.size()) - have, sourceEnd_ - source_);
      copy_(source_, buffer_.data() + have, most);
      source_ += most;
      have += most;
      end_ = buffer_.data() + have;
      if (source_ == sourceEnd_) break;
      // Up to the last line feed past the old end: whole lines only.
      const char* const from = buffer_.data() + mustPass;
      while (end_ > from && end_[-1] != '\n') --end_;
      if (end_ > from) break;
    }
    begin_ = buffer_.data();
    dataEnd_ = buffer_.data() + have;
    return true;
  }

 private:
  const CopyBytes& copy_;
  const size_t window_;
  const char* source_;  // the next byte to copy
  const char* const sourceEnd_;
  std::vector<char> buffer_;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  const char* dataEnd_ = nullptr;  // the bytes copied reach here, past end_
};

}  // namespace

PlainCsvSplit SplitPlainCsvLines(QByteArrayView bytes, QChar separator, PlainCsvSink& sink,
                                 bool tabEnds, const CopyBytes& copy, qsizetype window) {
  if (separator.unicode() >= 0x80) return PlainCsvSplit::NotPlain;
  LineWindows windows(bytes, copy, window);
  const char* p = windows.Begin();
  const char* end = windows.End();
  const auto sep = static_cast<char16_t>(separator.unicode());
  QString line;          // reused: grows to the longest line once
  QString checked;       // the same, for the bytes as they are in the file
  std::string unquoted;  // a line with quotes, as the splitter reads it
  const char* passed = p;
  const char* checked8 = p;        // the bytes before are UTF-8
  const char* declined = nullptr;  // the line from here was offered and not taken
  // Moves on to the next window from p; false when there is none.
  const auto nextWindow = [&] {
    const qsizetype ahead = std::max<qsizetype>(0, checked8 - p);
    if (!windows.Next(p)) return false;
    p = windows.Begin();
    end = windows.End();
    checked8 = p + ahead;
    return true;
  };
  while (p < end || nextWindow()) {
#if defined(__SSE2__)
    // The bytes a few lines on are asked for now: the file's pages come
    // fresh from the page cache, and waiting for each line's bytes as
    // they are read was the most of the time spent here.
    if (end - p > 2048) _mm_prefetch(p + 2048, _MM_HINT_T0);
#endif
    if (!copy && p - passed >= kPassedStep) {
      passed = p;
      sink.Passed(p - bytes.data());
    }
    const LineFacts facts = ScanLine(p, end, static_cast<char>(sep));
    if (tabEnds && facts.Tab) return PlainCsvSplit::TabSeen;
    const char* const feed = facts.Feed;
    const char* stop = feed != nullptr ? feed : end;
    const char* textEnd = stop;
    if (feed != nullptr && textEnd > p && textEnd[-1] == '\r') --textEnd;  // CR LF
    const QByteArrayView raw(p, textEnd - p);
    const bool quotes = facts.Quote;
    const bool lone = facts.FirstReturn != nullptr && facts.FirstReturn < textEnd;
    // Only the line read again right after running past a window was
    // offered already; whatever this line is, the mark ends with it (a later
    // window's first line lies at the same address).
    const bool offer = p != declined;
    declined = nullptr;
    if (!lone) {
      // The last line counts only when it holds something.
      if (feed == nullptr && raw.isEmpty()) break;
      // Any byte that is no UTF-8 ends this reading, wherever it lies; and
      // quotes taken away never make a broken character whole here.
      if (facts.High && textEnd > checked8) {
        const char* const to = CheckAheadEnd(textEnd, end);
        if (!IsValidUtf8(QByteArrayView(checked8, to - checked8))) return PlainCsvSplit::NotPlain;
        checked8 = to;
      }
      // A line with quotes is taken as it stands only when they hold no
      // line break: the sink knows.
      const std::optional<PlainCells> cells = SettledCells(facts, p, textEnd);
      if (offer && sink.Bytes(raw, cells ? &*cells : nullptr)) {
        p = stop + (feed != nullptr ? 1 : 0);
        continue;
      }
    }
    if (!quotes && !lone) {
      p = stop + (feed != nullptr ? 1 : 0);
      DecodeUtf8Strict(raw, line);
      if (sep != u'\t') {
        char16_t* c = reinterpret_cast<char16_t*>(line.data());
        for (qsizetype i = 0, n = line.size(); i < n; ++i) {
          if (c[i] == sep) c[i] = u'\t';
        }
      }
      sink.Line(QStringView(line));
      continue;
    }
    // Quotes may hold separators and line breaks: read byte by byte. Taking
    // quotes out could join the pieces of a broken character, so the bytes
    // are checked as they stand in the file.
    bool ended = false, joined = false;
    const char* next = QuotedLine(p, end, static_cast<char>(sep), unquoted, ended, joined);
    // Quotes that run past the window: read again with more of the bytes,
    // the line not offered again.
    if (!ended && !windows.Last() && nextWindow()) {
      declined = p;
      continue;
    }
    // Quotes may have taken the line past where its look stopped.
    if (tabEnds && std::memchr(p, '\t', static_cast<size_t>(next - p)) != nullptr)
      return PlainCsvSplit::TabSeen;
    if ((joined && !DecodeUtf8Strict(QByteArrayView(p, next - p), checked)) ||
        !DecodeUtf8Strict(QByteArrayView(unquoted.data(), static_cast<qsizetype>(unquoted.size())),
                          line))
      return PlainCsvSplit::NotPlain;
    if (ended || !line.isEmpty()) sink.Line(QStringView(line));
    p = next;
  }
  return PlainCsvSplit::Done;
}

}  // namespace qh
