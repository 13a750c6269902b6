#include "data/workbook/decrypt.h"

#include "support/le_bytes.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace qh {
namespace {

using test::U16;
using test::U32;

// Agile encryption information around one password key element; the
// values need not decrypt to anything, the headers are refused first.
QByteArray AgileInfo(const QString& keyData, const QString& passwordKey,
                     const QString& doctype = {}) {
  const QString xml = u"<?xml version=\"1.0\"?>"_qs + doctype +
                      u"<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
                      "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
                      "<keyData "_qs +
                      keyData + u"/><keyEncryptors><keyEncryptor><p:encryptedKey "_qs +
                      passwordKey + u"/></keyEncryptor></keyEncryptors></encryption>"_qs;
  return U16(4) + U16(4) + U32(0x40) + xml.toUtf8();
}

const QString kCipher =
    u"saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" cipherAlgorithm=\"AES\" "
    "cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" saltValue=\"AAECAwQFBgcICQoLDA0ODw==\" "_qs;
const QString kValues =
    u"encryptedVerifierHashInput=\"AAECAwQFBgcICQoLDA0ODw==\" "
    "encryptedVerifierHashValue="
    "\"AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8AAQIDBAUGBwgJCgsMDQ4PAAECAwQFBgcICQoLDA0ODw==\" "
    "encryptedKeyValue=\"AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8=\" "_qs;

QString With(QString text, const QString& from, const QString& to) {
  return text.replace(from, to);
}

// Standard encryption information: header of headerSize bytes naming the
// algorithm and key size, then salt and verifier.
QByteArray StandardInfo(quint32 algorithm, quint32 keyBits, quint32 headerSize = 32,
                        quint32 saltSize = 16) {
  const QByteArray header = U32(0x24) + U32(0) + U32(algorithm) + U32(0x8004) + U32(keyBits) +
                            U32(0x18) + U32(0) + U32(0);
  return U16(3) + U16(2) + U32(0x24) + U32(headerSize) + header + U32(saltSize) +
         QByteArray(32, '\x01') + U32(20) + QByteArray(32, '\x02');
}

TEST(DecryptOoxmlPackage, HeadersOutOfRangeAreDamagedAndOthersKeepThePassword) {
  const QByteArray package = U32(16) + U32(0) + QByteArray(21, '\0');  // padded
  struct Case {
    const char* Name;
    QByteArray Info;
    Decryption Expected;
    QByteArray Encrypted;
  };
  // clang-format off
  const Case cases[] = {
      {"spin count past ten million", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"10000001\""_qs), Decryption::Damaged, package},
      {"spin count of two million: not tried", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"2000000\""_qs), Decryption::OtherPassword, package},
      {"spin count not a number", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"-1\""_qs), Decryption::Damaged, package},
      {"key size of 512 bits", AgileInfo(kCipher, With(kCipher, u"keyBits=\"256\""_qs, u"keyBits=\"512\""_qs) + kValues + u"spinCount=\"1\""_qs), Decryption::Damaged, package},
      {"block size of 8", AgileInfo(With(kCipher, u"blockSize=\"16\""_qs, u"blockSize=\"8\""_qs), kCipher + kValues + u"spinCount=\"1\""_qs), Decryption::Damaged, package},
      {"hash size not the hash's", AgileInfo(kCipher, With(kCipher, u"hashSize=\"64\""_qs, u"hashSize=\"20\""_qs) + kValues + u"spinCount=\"1\""_qs), Decryption::Damaged, package},
      {"no salt", AgileInfo(With(kCipher, u"AAECAwQFBgcICQoLDA0ODw=="_qs, QString()), kCipher + kValues + u"spinCount=\"1\""_qs), Decryption::Damaged, package},
      {"values not whole blocks", AgileInfo(kCipher, kCipher + With(kValues, u"encryptedKeyValue=\"AAECAwQFBgcICQoLDA0ODwABAgMEBQYHCAkKCwwNDg8=\""_qs, u"encryptedKeyValue=\"AAEC\""_qs) + u"spinCount=\"1\""_qs), Decryption::Damaged, package},
      {"a doctype", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"1\""_qs, u"<!DOCTYPE encryption [<!ENTITY a \"b\">]>"_qs), Decryption::Damaged, package},
      {"a certificate's key only", AgileInfo(kCipher, kCipher + kValues), Decryption::OtherPassword, package},
      {"package shorter than it claims", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"1\""_qs), Decryption::Damaged, U32(17) + U32(0) + QByteArray(16, '\0')},
      {"another cipher", AgileInfo(kCipher, With(kCipher, u"\"AES\""_qs, u"\"3DES\""_qs) + kValues + u"spinCount=\"1\""_qs), Decryption::OtherPassword, package},
      {"another hash", AgileInfo(kCipher, With(kCipher, u"SHA512"_qs, u"MD5"_qs) + kValues + u"spinCount=\"1\""_qs), Decryption::OtherPassword, package},
      {"agile, another password", AgileInfo(kCipher, kCipher + kValues + u"spinCount=\"1\""_qs), Decryption::OtherPassword, package},
      {"standard, key size of 40 bits", StandardInfo(0x660E, 40), Decryption::Damaged, package},
      {"standard, header size past the end", StandardInfo(0x660E, 128, 0x7FFFFFF0), Decryption::Damaged, package},
      {"standard, salt size of 64", StandardInfo(0x660E, 128, 32, 64), Decryption::Damaged, package},
      {"standard, RC4", StandardInfo(0x6801, 128), Decryption::OtherPassword, package},
      {"standard, another password", StandardInfo(0x660E, 128), Decryption::OtherPassword, package},
      {"extensible encryption", U16(3) + U16(3) + U32(0), Decryption::OtherPassword, package},
      {"information cut off", U16(4), Decryption::Damaged, package},
  };
  // clang-format on
  for (const Case& c : cases) {
    QElapsedTimer timer;
    timer.start();
    QByteArray plain;
    EXPECT_EQ(DecryptOoxmlPackage(c.Info, c.Encrypted, plain), c.Expected) << c.Name;
    EXPECT_LT(timer.elapsed(), 5000) << c.Name;
  }
}

QByteArray Record(quint16 type, const QByteArray& body) {
  return U16(type) + U16(quint16(body.size())) + body;
}

// A workbook stream: BOF, FILEPASS with body, EOF.
QByteArray Stream(const QByteArray& filePass) {
  return Record(0x0809, U16(0x0600) + U16(5) + QByteArray(12, '\0')) + Record(0x002F, filePass) +
         Record(0x000A, {});
}

QByteArray CryptoApi(quint32 keyBits, quint32 headerSize = 32, quint32 saltSize = 16) {
  const QByteArray header =
      U32(4) + U32(0) + U32(0x6801) + U32(0x8004) + U32(keyBits) + U32(1) + U32(0) + U32(0);
  return U16(1) + U16(4) + U16(2) + U32(4) + U32(headerSize) + header + U32(saltSize) +
         QByteArray(32, '\x01') + U32(20) + QByteArray(20, '\x02');
}

TEST(DecryptBiffStream, HeadersOutOfRangeAreDamagedAndOthersKeepThePassword) {
  struct Case {
    const char* Name;
    QByteArray Stream;
    Decryption Expected;
  };
  // clang-format off
  const Case cases[] = {
      {"CryptoAPI key of 256 bits", Stream(CryptoApi(256)), Decryption::Damaged},
      {"CryptoAPI key of 44 bits", Stream(CryptoApi(44)), Decryption::Damaged},
      {"CryptoAPI header size past the record", Stream(CryptoApi(128, 0xFFFFFF00)), Decryption::Damaged},
      {"CryptoAPI salt size of 8", Stream(CryptoApi(128, 32, 8)), Decryption::Damaged},
      {"RC4 cut off", Stream(U16(1) + U16(1) + U16(1) + QByteArray(20, '\0')), Decryption::Damaged},
      {"FILEPASS cut off", Stream(U16(1)), Decryption::Damaged},
      {"no FILEPASS before EOF", Record(0x0809, QByteArray(16, '\0')) + Record(0x000A, {}), Decryption::Damaged},
      {"a record past the stream", Record(0x0809, QByteArray(16, '\0')).chopped(3), Decryption::Damaged},
      {"CryptoAPI, another password", Stream(CryptoApi(128)), Decryption::OtherPassword},
      {"RC4, another password", Stream(U16(1) + U16(1) + U16(1) + QByteArray(48, '\x05')), Decryption::OtherPassword},
      {"XOR obfuscation", Stream(U16(0) + U16(0x1234) + U16(0x5678)), Decryption::OtherPassword},
      {"an unknown version", Stream(U16(1) + U16(9) + U16(9) + QByteArray(48, '\0')), Decryption::OtherPassword},
  };
  // clang-format on
  for (const Case& c : cases) {
    QByteArray stream = c.Stream;
    EXPECT_EQ(DecryptBiffStream(stream), c.Expected) << c.Name;
    EXPECT_EQ(stream, c.Stream) << c.Name;  // left as it was
  }
}

}  // namespace
}  // namespace qh
