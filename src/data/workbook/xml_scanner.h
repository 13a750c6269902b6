#pragma once
// A small, fast pull scanner for the large parts of a workbook package (the
// worksheet and the shared strings), over UTF-8 bytes already in memory or
// read from a device a window at a time, so a part of any size costs only
// its window.
// It knows elements, attributes, text, CDATA, comments and processing
// instructions; anything else (a DOCTYPE among them), mismatched tags or
// nesting deeper than kMaxDepth stop it with an error.
#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <array>
#include <cstring>
#include <optional>
#include <string>

namespace qh {

// Names are a few bytes long: a loop beats a call of memcmp.
inline bool SameName(QByteArrayView a, QByteArrayView b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Writes well-formed UTF-8 as UTF-16 at out (room for in.size() units) and
// returns the units written; -1 when in is not well-formed (a broken,
// overlong or surrogate sequence) or starts with a byte order mark, for
// the caller to take QString::fromUtf8, which replaces what is broken and
// drops the mark. Texts of a sheet are short: this is several
// times cheaper than a decoder call for each.
qsizetype Utf8ToUtf16(QByteArrayView in, char16_t* out);

// Appends bytes without the detour through QByteArray::insert.
inline void AppendBytes(QByteArray& out, QByteArrayView bytes) {
  const qsizetype old = out.size();
  out.resize(old + bytes.size());
  std::memcpy(out.data() + old, bytes.data(), size_t(bytes.size()));
}

class XmlScanner {
 public:
  enum class Token { Start, End, Text, Finished, Error };
  static constexpr int kMaxDepth = 64;

  explicit XmlScanner(QByteArrayView document) : data_(document) { SkipByteOrderMark(); }
  // Reads source as scanning goes; a read error of the source is a scan
  // error. The views a token hands out last until the next call of Next.
  explicit XmlScanner(QIODevice& source);

  Token Next();
  bool IsStart(QByteArrayView localName) const {
    return token_ == Token::Start && SameName(name_, localName);
  }
  bool IsEnd(QByteArrayView localName) const {
    return token_ == Token::End && SameName(name_, localName);
  }
  Token CurrentToken() const { return token_; }
  // The raw value of an attribute of the current start tag by its local
  // name; empty when absent.
  QByteArrayView Attribute(QByteArrayView localName) const;
  // Raw bytes of the current text (entities not yet replaced).
  QByteArrayView RawText() const { return text_; }
  // The current text as it reads, when that is its raw bytes (no entity,
  // not CDATA) and stays where it is while the document is scanned (the
  // document is in memory); empty otherwise.
  QByteArrayView StableText() const {
    return source_ == nullptr && !cdata_ && FindAmpersand() < 0 ? text_ : QByteArrayView();
  }
  // Appends the current text as UTF-8, entities replaced; false on a bad
  // entity.
  bool AppendText(QByteArray& out) const;
  // An attribute's value as XML reads it: entities replaced, a line break
  // or tab written as such read as a space. Empty when the attribute is
  // absent, nullopt on a bad entity.
  std::optional<QString> AttributeText(QByteArrayView localName) const;

 private:
  struct Attr {
    QByteArrayView Name;
    QByteArrayView Value;
  };
  Token Fail() { return token_ = Token::Error; }
  qsizetype FindAmpersand() const;
  Token NextInWindow();
  // Drops the bytes before keepFrom and reads more after the rest; false
  // when the source has nothing more.
  bool Refill(qsizetype keepFrom);
  void SkipByteOrderMark() {
    if (data_.startsWith("\xEF\xBB\xBF")) at_ = 3;  // some writers add one
  }
  Token ScanMarkup();
  Token ScanStartTag();
  Token ScanEndTag();
  bool SkipPast(QByteArrayView terminator);
  bool Push(QByteArrayView name);
  void KeepOpenName(size_t slot, QByteArrayView name);

  QByteArrayView data_;
  qsizetype at_ = 0;
  Token token_ = Token::Finished;
  QByteArrayView name_;
  QByteArrayView text_;
  bool cdata_ = false;
  bool pendingEnd_ = false;  // a self-closing tag owes its end token
  // Names of the open elements: views into the document, or copies once a
  // source's window has moved under them.
  std::array<QByteArrayView, kMaxDepth> open_{};
  std::array<std::string, kMaxDepth> openCopies_{};
  int depth_ = 0;
  std::array<Attr, 16> attrs_{};
  int attrCount_ = 0;
  bool rootSeen_ = false;
  QIODevice* source_ = nullptr;
  QByteArray window_;
  bool exhausted_ = true;  // all of the document is in data_
  bool sourceFailed_ = false;
  bool hitEnd_ = false;  // the last scan ran into the end of the window
};

}  // namespace qh
