// The decryption of workbooks protected with Excel's built-in password, on
// hostile headers: a BIFF workbook stream with FILEPASS when the first byte
// is odd, else an encrypted package's EncryptionInfo (its length in the
// next two bytes, little-endian) followed by its EncryptedPackage.
#include "data/workbook/decrypt.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (data[0] & 1) {
    QByteArray stream = input.sliced(1).toByteArray();
    const qsizetype before = stream.size();
    if (qh::DecryptBiffStream(stream) == qh::Decryption::Opened && stream.size() != before) {
      qh::fuzz::Violation("a decrypted stream changed its size");
    }
    return 0;
  }
  const qsizetype infoSize = qMin<qsizetype>(data[1] | (data[2] << 8), input.size() - 3);
  const QByteArrayView info = input.sliced(3, infoSize);
  const QByteArrayView encrypted = input.sliced(3 + infoSize);
  QByteArray package;
  if (qh::DecryptOoxmlPackage(info, encrypted, package) == qh::Decryption::Opened &&
      package.size() > encrypted.size()) {
    qh::fuzz::Violation("a package larger than its encrypted stream");
  }
  return 0;
}
