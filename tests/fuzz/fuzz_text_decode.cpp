// The decoding every text reader starts with: valid UTF-8 comes back as it
// was, anything else is read as GBK and keeps every ASCII byte.
#include "base/code_page.h"
#include "data/text_decode.h"
#include "fuzz_support.h"

#include <QStringDecoder>

namespace {

// Bytes below 0x40 are never the second byte of a GBK character, so each
// must come out as the same character, in the same order.
QByteArray LowAsciiOf(QByteArrayView bytes) {
  QByteArray low;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x40) low.append(c);
  }
  return low;
}

QByteArray LowAsciiOf(const QString& text) {
  QByteArray low;
  for (QChar c : text) {
    if (c.unicode() < 0x40) low.append(static_cast<char>(c.unicode()));
  }
  return low;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const QString decoded = qh::DecodeFileText(bytes);

  QString strict;
  const bool valid = qh::DecodeUtf8Strict(bytes, strict);
  // Qt's decoder as the reference, told to keep a byte order mark as text.
  QStringDecoder utf8(QStringDecoder::Utf8,
                      QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
  const QString reference = utf8.decode(bytes);
  const bool referenceValid = !utf8.hasError();
  if (valid != referenceValid) qh::fuzz::Violation("strict UTF-8 test disagrees with Qt");
  if (valid) {
    if (strict != reference) qh::fuzz::Violation("strict UTF-8 decodes differently");
    if (decoded != reference) qh::fuzz::Violation("valid UTF-8 did not round-trip");
    return 0;
  }
  const QString gbk = qh::DecodeCodePage936(bytes);
  if (decoded != gbk) qh::fuzz::Violation("invalid UTF-8 not read as GBK");
  if (qh::CanDecodeCodePage936Into()) {
    QString units(bytes.size(), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(units.data());
    units.truncate(qh::DecodeCodePage936Into(bytes, begin) - begin);
    if (units != gbk) qh::fuzz::Violation("GBK read a character at a time decodes differently");
  }
  if (LowAsciiOf(gbk) != LowAsciiOf(bytes)) qh::fuzz::Violation("GBK decoding lost an ASCII byte");
  if (LowAsciiOf(qh::DecodeGbk(bytes)) != LowAsciiOf(bytes)) {
    qh::fuzz::Violation("DecodeGbk lost an ASCII byte");
  }
  return 0;
}
