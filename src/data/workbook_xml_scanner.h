#pragma once
// A small, fast pull scanner for the large parts of a workbook package (the
// worksheet and the shared strings), over UTF-8 bytes already in memory.
// It knows elements, attributes, text, CDATA, comments and processing
// instructions; anything else (a DOCTYPE among them), mismatched tags or
// nesting deeper than kMaxDepth stop it with an error.
#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <cstring>

namespace qh {

inline bool SameName(QByteArrayView a, QByteArrayView b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), size_t(a.size())) == 0;
}

class XmlScanner {
 public:
  enum class Token { Start, End, Text, Finished, Error };
  static constexpr int kMaxDepth = 64;

  explicit XmlScanner(QByteArrayView document) : data_(document) {
    if (data_.startsWith("\xEF\xBB\xBF")) at_ = 3;  // a byte order mark some writers add
  }

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
  // Appends the current text as UTF-8, entities replaced; false on a bad
  // entity.
  bool AppendText(QByteArray& out) const;

 private:
  struct Attr {
    QByteArrayView name;
    QByteArrayView value;
  };
  Token Fail() { return token_ = Token::Error; }
  Token ScanMarkup();
  Token ScanStartTag();
  Token ScanEndTag();
  bool SkipPast(QByteArrayView terminator);
  QByteArrayView ScanName();
  void SkipSpaces();
  bool Push(QByteArrayView name);

  QByteArrayView data_;
  qsizetype at_ = 0;
  Token token_ = Token::Finished;
  QByteArrayView name_;
  QByteArrayView text_;
  bool cdata_ = false;
  bool pendingEnd_ = false;  // a self-closing tag owes its end token
  std::array<QByteArrayView, kMaxDepth> open_{};
  int depth_ = 0;
  std::array<Attr, 16> attrs_{};
  int attrCount_ = 0;
  bool rootSeen_ = false;
};

}  // namespace qh
