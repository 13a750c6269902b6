#include "base/code_page.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qh {

// A Qt without ICU would need the platform's own code page 936 converter
// here instead.
QString DecodeGbk(QByteArrayView bytes) {
  QStringDecoder decoder("GBK");
  if (!decoder.isValid()) return QString::fromLatin1(bytes.data(), bytes.size());
  return decoder.decode(bytes);
}

QByteArray EncodeGbk(QStringView text) {
  QStringEncoder encoder("GBK");
  if (!encoder.isValid()) return text.toUtf8();
  return encoder.encode(text);
}

}  // namespace qh
