#pragma once
// Text files as business systems write them: UTF-8, or, when the bytes are
// not valid UTF-8, the Chinese Windows code page 936 (GBK).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <functional>
#include <optional>
#include <string_view>

namespace qh {

// Standard UTF-8: continuation bytes checked, four-byte sequences decoded,
// overlong forms, surrogates and code points above U+10FFFF refused. False
// (out unspecified) at the first invalid byte.
bool DecodeUtf8Strict(QByteArrayView bytes, QString& out);

// True when DecodeUtf8Strict would accept the bytes; nothing is decoded.
bool IsValidUtf8(QByteArrayView bytes);

// Decodes UTF-8 bytes to UTF-16 at out, which has room for one unit per
// byte; returns the end of what was written. An invalid byte becomes one
// U+FFFD (the caller checked the bytes before, as a rule).
char16_t* DecodeUtf8Into(QByteArrayView bytes, char16_t* out);

// The UTF-16 length of standard UTF-8 once StripSpaces has run: a
// character of four bytes takes two units; spaces, no-break spaces and
// ideographic spaces none (a tab, CR or LF is not looked for).
qsizetype StrippedUtf16Length(std::string_view utf8);

// Code page 936. A byte that starts no character becomes one U+FFFD and
// never swallows the ASCII byte after it.
QString DecodeCodePage936(QByteArrayView bytes);

// The text DecodeCodePage936 gives, as UTF-8, decoded a block at a time:
// never the whole text in UTF-16 at once.
QByteArray CodePage936ToUtf8(QByteArrayView bytes);

// The text DecodeCodePage936 gives, written to out, which has room for one
// unit per byte; returns the end of what was written. Each character is
// read on its own: a lead byte 81..FE and a trail byte 40..7E or 80..FE
// make one, any other byte is one by itself (a lead without its trail
// U+FFFD). False from CanDecodeCodePage936Into when no converter for the
// code page exists (nothing may be decoded then).
char16_t* DecodeCodePage936Into(QByteArrayView bytes, char16_t* out);
bool CanDecodeCodePage936Into();

// Where the character of code page 936 that starts at i ends, as
// DecodeCodePage936Into reads it.
inline qsizetype CodePage936CharEnd(QByteArrayView bytes, qsizetype i) {
  const auto lead = static_cast<unsigned char>(bytes[i]);
  if (lead < 0x81 || lead == 0xFF || i + 1 == bytes.size()) return i + 1;
  const auto trail = static_cast<unsigned char>(bytes[i + 1]);
  return trail >= 0x40 && trail != 0x7F && trail != 0xFF ? i + 2 : i + 1;
}

// UTF-8 when the bytes are valid UTF-8 (a literal U+FFFD included), else
// the whole text through code page 936.
QString DecodeFileText(QByteArrayView bytes);

enum class Utf8Mark { Keep, Skip };

// The bytes after a leading UTF-8 byte order mark, or all of them.
QByteArrayView WithoutUtf8Mark(QByteArrayView bytes);

// The text of a file: DecodeFileText of its bytes, a leading UTF-8 byte
// order mark left out first when asked.
QString DecodeFileText(QByteArrayView bytes, Utf8Mark mark);

// The same, and the bytes are let go as soon as the text exists, so a large
// export is not held twice while its rows are read.
QString DecodeAndRelease(QByteArray& bytes, Utf8Mark mark);

// True when the bytes start with a UTF-16 byte order mark (FF FE or FE FF).
bool StartsWithUtf16Mark(QByteArrayView bytes);

// The text after a little-endian UTF-16 byte order mark read where it
// stands, when it can be: an even number of bytes, aligned for UTF-16,
// and a little-endian machine. Nothing otherwise (DecodeUtf16AndRelease
// reads it then).
std::optional<QStringView> Utf16InPlace(QByteArrayView bytes);

// The text after a UTF-16 byte order mark, in the order the mark gives. An
// odd last byte becomes U+FFFD; unpaired surrogates are kept as they are.
// The bytes are let go as soon as the text exists.
QString DecodeUtf16AndRelease(QByteArray& bytes);

// UTF-16 after its byte order mark, as DecodeUtf16AndRelease reads it, a
// piece at a time: no whole copy in another byte order is ever made.
class Utf16Pieces {
 public:
  explicit Utf16Pieces(QByteArrayView bytes);
  // Units of the whole text (an odd last byte counts as one).
  qsizetype Units() const { return units_ + (odd_ ? 1 : 0); }
  // The units [from, from + count) into out.
  void Decode(qsizetype from, qsizetype count, char16_t* out) const;
  // One unit, as Decode gives it.
  char16_t operator[](qsizetype i) const;
  // Where unit i lies in the bytes given (mark included).
  static qsizetype ByteOffset(qsizetype i) { return 2 + 2 * i; }

 private:
  const uchar* data_;
  qsizetype units_;
  bool big_;
  bool odd_;
};

// The whole text of Utf16Pieces, decoded a block at a time; passed, when
// given, hears of each stretch of bytes read (a mapped file lets those
// pages go), so the bytes and the text are never both held whole.
QString DecodeUtf16(QByteArrayView bytes, const std::function<void(qsizetype)>& passed);

}  // namespace qh
