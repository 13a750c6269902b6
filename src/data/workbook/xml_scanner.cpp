#include "data/workbook/xml_scanner.h"

#include <array>
#include <cstring>
#include <string_view>

namespace qh {

namespace {

// The first c in text from from on, -1 when there is none. Most texts and
// values of a sheet are a few bytes long, too short to pay for a library
// call; longer ones get it.
qsizetype FindByte(QByteArrayView text, char c, qsizetype from = 0) {
  const qsizetype shortEnd = qMin(text.size(), from + 32);
  for (qsizetype i = from; i < shortEnd; ++i) {
    if (text[i] == c) return i;
  }
  if (shortEnd == text.size()) return -1;
  const void* found = std::memchr(text.data() + shortEnd, c, size_t(text.size() - shortEnd));
  return found == nullptr ? -1 : static_cast<const char*>(found) - text.data();
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

constexpr std::array<bool, 256> kNameChars = [] {
  std::array<bool, 256> table{};
  for (int c = 0; c < 256; ++c) table[size_t(c)] = true;
  for (const char c : std::string_view(" \t\r\n>/=<\"'?!"))
    table[static_cast<unsigned char>(c)] = false;
  return table;
}();

// A table rather than a chain of tests: it runs for every byte of every
// tag name and attribute name of a sheet.
bool IsNameChar(char c) { return kNameChars[static_cast<unsigned char>(c)]; }

// Names are a few bytes long; a plain loop beats the library search here,
// which runs for every tag and attribute of the sheet.
QByteArrayView LocalPart(QByteArrayView name) {
  for (qsizetype i = name.size() - 1; i >= 0; --i) {
    if (name[i] == ':') return name.sliced(i + 1);
  }
  return name;
}

bool AppendCodePoint(QByteArray& out, char32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
  if (code < 0x80) {
    out.append(char(code));
  } else if (code < 0x800) {
    out.append(char(0xC0 | (code >> 6)));
    out.append(char(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.append(char(0xE0 | (code >> 12)));
    out.append(char(0x80 | ((code >> 6) & 0x3F)));
    out.append(char(0x80 | (code & 0x3F)));
  } else {
    out.append(char(0xF0 | (code >> 18)));
    out.append(char(0x80 | ((code >> 12) & 0x3F)));
    out.append(char(0x80 | ((code >> 6) & 0x3F)));
    out.append(char(0x80 | (code & 0x3F)));
  }
  return true;
}

bool AppendEntity(QByteArray& out, QByteArrayView entity) {
  if (entity == "lt")
    out.append('<');
  else if (entity == "gt")
    out.append('>');
  else if (entity == "amp")
    out.append('&');
  else if (entity == "quot")
    out.append('"');
  else if (entity == "apos")
    out.append('\'');
  else if (entity.size() >= 2 && entity.size() <= 9 && entity[0] == '#') {
    const bool hex = entity[1] == 'x';
    const QByteArrayView digits = entity.sliced(hex ? 2 : 1);
    char32_t code = 0;
    for (const char c : digits) {
      int digit = -1;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (hex && c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      if (digit < 0) return false;
      code = code * (hex ? 16 : 10) + char32_t(digit);
    }
    return !digits.isEmpty() && AppendCodePoint(out, code);
  } else {
    return false;
  }
  return true;
}

}  // namespace

namespace {
constexpr qsizetype kWindowStep = 1024 * 1024;
// No token of a worksheet comes near this (a cell holds 32767 characters),
// so an error with this much of the document in view is a real one; the
// window stops growing there.
constexpr qsizetype kMaxTokenBytes = 16 * 1024 * 1024;
}  // namespace

XmlScanner::XmlScanner(QIODevice& source) : source_(&source), exhausted_(false) {
  Refill(0);
  SkipByteOrderMark();
}

bool XmlScanner::Refill(qsizetype keepFrom) {
  if (exhausted_) return false;
  // What is kept moves to the front of the same storage: the window then
  // stays one allocation of a step or two instead of growing with each
  // refill.
  // The names of the open elements are views into the window: copied out
  // before it moves, once a window rather than once a tag.
  for (int i = 0; i < depth_; ++i) {
    const auto slot = static_cast<size_t>(i);
    if (open_[slot].data() != openCopies_[slot].data()) KeepOpenName(slot, open_[slot]);
  }
  keepFrom = qBound(qsizetype(0), keepFrom, window_.size());
  const qsizetype kept = window_.size() - keepFrom;
  if (window_.capacity() < kept + kWindowStep) window_.reserve(kept + 2 * kWindowStep);
  char* const front = window_.data();
  std::memmove(front, front + keepFrom, size_t(kept));
  at_ -= keepFrom;
  window_.resize(kept + kWindowStep);
  const qint64 got = source_->read(window_.data() + kept, kWindowStep);
  window_.resize(kept + qMax<qint64>(got, 0));
  if (got <= 0) {
    exhausted_ = true;
    sourceFailed_ = got < 0;
  }
  data_ = window_;
  return true;
}

// A token that runs into the end of the window is scanned again once more
// of the document is in: the scan functions change no state before they
// succeed, so going back to the token's start is enough.
XmlScanner::Token XmlScanner::Next() {
  if (token_ == Token::Error) return token_;
  // All of the document in view (a part in memory, or the last window of
  // a source that read well): nothing to refill.
  if (exhausted_ && !sourceFailed_) return NextInWindow();
  for (;;) {
    const qsizetype start = at_;
    const Token before = token_;
    const Token token = NextInWindow();
    if (sourceFailed_) return Fail();
    if (exhausted_ || (token != Token::Error && !hitEnd_)) return token;
    if (token == Token::Error && data_.size() - start > kMaxTokenBytes) return token;
    at_ = start;
    token_ = before;
    Refill(start);
  }
}

XmlScanner::Token XmlScanner::NextInWindow() {
  hitEnd_ = false;
  if (pendingEnd_) {
    pendingEnd_ = false;
    --depth_;
    return token_ = Token::End;
  }
  while (at_ < data_.size()) {
    if (data_[at_] == '<') {
      // Tags first, without a detour: they are nearly every token.
      const char second = at_ + 1 < data_.size() ? data_[at_ + 1] : '\0';
      if (second == '/') return ScanEndTag();
      if (second != '?' && second != '!') return ScanStartTag();
      const Token token = ScanMarkup();
      if (token == Token::Finished) continue;  // comment or processing instruction
      return token;
    }
    const qsizetype start = at_;
    qsizetype next = FindByte(data_, '<', at_);
    if (next < 0) {
      next = data_.size();
      hitEnd_ = true;
    }
    at_ = next;
    if (depth_ == 0) {
      // Only white space may stand outside the root element.
      for (qsizetype i = start; i < next; ++i) {
        if (!IsSpace(data_[i])) return Fail();
      }
      continue;
    }
    text_ = data_.sliced(start, next - start);
    cdata_ = false;
    return token_ = Token::Text;
  }
  hitEnd_ = true;
  if (depth_ != 0 || !rootSeen_) return Fail();
  return token_ = Token::Finished;
}

XmlScanner::Token XmlScanner::ScanMarkup() {
  const char second = at_ + 1 < data_.size() ? data_[at_ + 1] : '\0';
  if (second == '/') return ScanEndTag();
  if (second == '?') return SkipPast("?>") ? Token::Finished : Fail();
  if (second != '!') return ScanStartTag();
  const QByteArrayView rest = data_.sliced(at_);
  if (rest.startsWith("<!--")) return SkipPast("-->") ? Token::Finished : Fail();
  if (!rest.startsWith("<![CDATA[") || depth_ == 0) return Fail();  // DOCTYPE and the like
  const qsizetype start = at_ + 9;
  const qsizetype end = data_.indexOf("]]>", start);
  if (end < 0) return Fail();
  text_ = data_.sliced(start, end - start);
  cdata_ = true;
  at_ = end + 3;
  return token_ = Token::Text;
}

bool XmlScanner::SkipPast(QByteArrayView terminator) {
  const qsizetype end = data_.indexOf(terminator, at_ + 2);
  if (end < 0) return false;
  at_ = end + terminator.size();
  return true;
}

void XmlScanner::KeepOpenName(size_t slot, QByteArrayView name) {
  openCopies_[slot].assign(name.data(), static_cast<size_t>(name.size()));
  open_[slot] = QByteArrayView(openCopies_[slot]);
}

inline bool XmlScanner::Push(QByteArrayView name) {
  if (depth_ >= kMaxDepth) return false;
  if (depth_ == 0 && rootSeen_) return false;  // a second root element
  rootSeen_ = true;
  open_[static_cast<size_t>(depth_++)] = name;
  return true;
}

XmlScanner::Token XmlScanner::ScanStartTag() {
  // Runs for every tag of a sheet. The scans work on local copies of the
  // position and the window: a store to a member position could alias the
  // window's size and make the compiler reload it for every byte.
  const char* const data = data_.data();
  const qsizetype size = data_.size();
  qsizetype at = at_ + 1;
  const auto scanName = [&] {
    const qsizetype start = at;
    while (at < size && IsNameChar(data[at])) ++at;
    return QByteArrayView(data + start, at - start);
  };
  const auto skipSpaces = [&] {
    while (at < size && IsSpace(data[at])) ++at;
  };
  const QByteArrayView name = scanName();
  if (name.isEmpty()) return Fail();
  int count = 0;
  for (;;) {
    const qsizetype before = at;
    skipSpaces();
    if (at >= size) return Fail();
    if (data[at] == '>' || data[at] == '/') break;
    if (at == before) return Fail();  // attributes are separated by white space
    const QByteArrayView attrName = scanName();
    skipSpaces();
    if (attrName.isEmpty() || at >= size || data[at] != '=') return Fail();
    ++at;
    skipSpaces();
    if (at >= size || (data[at] != '"' && data[at] != '\'')) return Fail();
    // Values are short: one plain loop finds the closing quote and any '<'.
    const char quote = data[at++];
    qsizetype end = at;
    while (end < size && data[end] != quote && data[end] != '<') ++end;
    if (end >= size || data[end] != quote) return Fail();
    if (count < int(attrs_.size()))
      attrs_[static_cast<size_t>(count++)] = {LocalPart(attrName),
                                              QByteArrayView(data + at, end - at)};
    at = end + 1;
  }
  const bool selfClosing = data[at] == '/';
  if (selfClosing && (at + 1 >= size || data[at + 1] != '>')) return Fail();
  if (!Push(name)) return Fail();
  at_ = at + (selfClosing ? 2 : 1);
  attrCount_ = count;
  name_ = LocalPart(name);
  pendingEnd_ = selfClosing;
  return token_ = Token::Start;
}

XmlScanner::Token XmlScanner::ScanEndTag() {
  // As many as start tags: on locals too (see ScanStartTag).
  const char* const data = data_.data();
  const qsizetype size = data_.size();
  qsizetype at = at_ + 2;
  while (at < size && IsNameChar(data[at])) ++at;
  const QByteArrayView name(data + at_ + 2, at - at_ - 2);
  while (at < size && IsSpace(data[at])) ++at;
  if (at >= size || data[at] != '>') return Fail();
  if (depth_ == 0 || !SameName(open_[static_cast<size_t>(depth_ - 1)], name)) return Fail();
  at_ = at + 1;
  --depth_;
  name_ = LocalPart(name);
  return token_ = Token::End;
}

QByteArrayView XmlScanner::Attribute(QByteArrayView localName) const {
  if (token_ != Token::Start) return {};
  for (int i = 0; i < attrCount_; ++i) {
    if (SameName(attrs_[static_cast<size_t>(i)].Name, localName))
      return attrs_[static_cast<size_t>(i)].Value;
  }
  return {};
}

namespace {

// Literal white space in an attribute value reads as a space, CR LF as one.
void AppendAttributeRun(QByteArray& out, QByteArrayView run) {
  for (qsizetype i = 0; i < run.size(); ++i) {
    const char c = run[i];
    if (c == '\r' && i + 1 < run.size() && run[i + 1] == '\n') continue;
    out.append(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
  }
}

bool AppendDecoded(QByteArray& out, QByteArrayView rest, bool attribute) {
  const auto appendRun = [&](QByteArrayView run) {
    if (attribute)
      AppendAttributeRun(out, run);
    else
      AppendBytes(out, run);
  };
  for (qsizetype amp = FindByte(rest, '&'); amp >= 0; amp = FindByte(rest, '&')) {
    appendRun(rest.first(amp));
    const qsizetype semicolon = rest.indexOf(';', amp);
    if (semicolon < 0 || !AppendEntity(out, rest.sliced(amp + 1, semicolon - amp - 1))) {
      return false;
    }
    rest = rest.sliced(semicolon + 1);
  }
  appendRun(rest);
  return true;
}

}  // namespace

qsizetype Utf8ToUtf16(QByteArrayView in, char16_t* out) {
  const auto* at = reinterpret_cast<const unsigned char*>(in.data());
  const auto* const end = at + in.size();
  char16_t* const begin = out;
  if (in.startsWith("\xEF\xBB\xBF")) return -1;  // fromUtf8 drops it: left to fromUtf8
  const auto continuation = [&](int i) { return (at[i] & 0xC0) == 0x80; };
  while (at != end) {
    const unsigned char lead = *at;
    if (lead < 0x80) {
      *out++ = lead;
      ++at;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      if (end - at < 2 || !continuation(1)) return -1;
      *out++ = char16_t(((lead & 0x1F) << 6) | (at[1] & 0x3F));
      at += 2;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      if (end - at < 3 || !continuation(1) || !continuation(2)) return -1;
      const char32_t code = ((lead & 0x0Fu) << 12) | ((at[1] & 0x3Fu) << 6) | (at[2] & 0x3Fu);
      if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)) return -1;
      *out++ = char16_t(code);
      at += 3;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      if (end - at < 4 || !continuation(1) || !continuation(2) || !continuation(3)) return -1;
      const char32_t code = ((lead & 0x07u) << 18) | ((at[1] & 0x3Fu) << 12) |
                            ((at[2] & 0x3Fu) << 6) | (at[3] & 0x3Fu);
      if (code < 0x10000 || code > 0x10FFFF) return -1;
      *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
      *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
      at += 4;
    } else {
      return -1;
    }
  }
  return out - begin;
}

qsizetype XmlScanner::FindAmpersand() const { return FindByte(text_, '&'); }

bool XmlScanner::AppendText(QByteArray& out) const {
  if (cdata_) {
    AppendBytes(out, text_);
    return true;
  }
  return AppendDecoded(out, text_, false);
}

std::optional<QString> XmlScanner::AttributeText(QByteArrayView localName) const {
  if (token_ != Token::Start) return QString();
  for (int i = 0; i < attrCount_; ++i) {
    const Attr& attr = attrs_[static_cast<size_t>(i)];
    if (!SameName(attr.Name, localName)) continue;
    QByteArray value;
    if (!AppendDecoded(value, attr.Value, true)) return std::nullopt;
    return QString::fromUtf8(value);
  }
  return QString();
}

}  // namespace qh
