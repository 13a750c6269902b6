// Keys, signature files and the Ed25519 check of a download's digest.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "update/update_signature.h"
#include "update_test_support.h"

namespace qh {
namespace {

using test::TestKey;

TEST(UpdateSignatureTest, PublicKeyForms) {
  const QByteArray raw =
      QByteArray::fromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
  const QByteArray spki = QByteArray::fromHex("302a300506032b6570032100") + raw;
  struct Case {
    const char* name;
    QByteArray text;
    QByteArray key;
  } cases[] = {
      {"raw", raw.toBase64(), raw},
      {"raw with a line end", raw.toBase64() + "\n", raw},
      {"SubjectPublicKeyInfo", spki.toBase64(), raw},
      {"another algorithm's info", QByteArray(spki).replace(9, 1, "\x71").toBase64(), {}},
      {"31 bytes", raw.left(31).toBase64(), {}},
      {"not base64", "d75a9801-82b1", {}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUpdatePublicKey(c.text), c.key) << c.name;
}

TEST(UpdateSignatureTest, SignatureFileForms) {
  QByteArray raw(64, '\0');
  for (int i = 0; i < 64; ++i) raw[i] = char(i * 7 + 1);
  struct Case {
    const char* name;
    QByteArray file;
    QByteArray signature;
  } cases[] = {
      {"64 raw bytes", raw, raw},
      {"base64", raw.toBase64(), raw},
      {"base64 with CR LF", raw.toBase64() + "\r\n", raw},
      {"63 bytes", raw.left(63), {}},
      {"65 bytes", raw + 'x', {}},
      {"base64 of 63 bytes", raw.left(63).toBase64(), {}},
      {"an HTML page", "<html><body>404 Not Found</body></html>", {}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUpdateSignature(c.file), c.signature) << c.name;
}

TEST(UpdateSignatureTest, DigestIsSha512InAnyPieces) {
  Sha512Stream pieces;
  pieces.Add("a");
  pieces.Add("");
  pieces.Add("bc");
  EXPECT_EQ(pieces.Finish().toHex().left(32), "ddaf35a193617abacc417349ae204131");
  QTemporaryDir dir;
  QFile file(dir.filePath("abc"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("abc");
  file.close();
  EXPECT_EQ(Sha512OfFile(file.fileName()).toHex().left(32), "ddaf35a193617abacc417349ae204131");
  EXPECT_TRUE(Sha512OfFile(dir.filePath("missing")).isEmpty());
}

TEST(UpdateSignatureTest, OnlyTheRightKeyAndBytesVerify) {
  const TestKey key = TestKey::Generate();
  const TestKey foreign = TestKey::Generate();
  const QByteArray rawKey = DecodeUpdatePublicKey(key.publicBase64);
  ASSERT_EQ(rawKey.size(), 32);
  Sha512Stream sha;
  sha.Add("the release");
  const QByteArray digest = sha.Finish();
  QByteArray otherDigest = digest;
  otherDigest[0] = char(otherDigest[0] ^ 1);
  const QByteArray signature = key.SignDigest(digest);
  QByteArray flipped = signature;
  flipped[10] = char(flipped[10] ^ 0x40);
  struct Case {
    const char* name;
    QByteArray digest, signature, key;
    bool valid;
  } cases[] = {
      {"signed by the key", digest, signature, rawKey, true},
      {"other bytes", otherDigest, signature, rawKey, false},
      {"signed by a foreign key", digest, foreign.SignDigest(digest), rawKey, false},
      {"one bit changed", digest, flipped, rawKey, false},
      {"no signature", digest, {}, rawKey, false},
      {"no key", digest, signature, {}, false},
      {"all-zero signature", digest, QByteArray(64, '\0'), rawKey, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(VerifyUpdateSignature(c.digest, c.signature, c.key), c.valid) << c.name;
}

TEST(UpdateSignatureTest, SigningNeedsAnEd25519PrivateKey) {
  const TestKey key = TestKey::Generate();
  const SignedDigest good = SignUpdateDigest(QByteArray(64, 'd'), key.privatePem);
  EXPECT_TRUE(good.error.isEmpty());
  EXPECT_EQ(good.publicKey.toBase64(), key.publicBase64);
  const SignedDigest bad = SignUpdateDigest(QByteArray(64, 'd'), "-----BEGIN nonsense-----");
  EXPECT_TRUE(bad.signature.isEmpty());
  EXPECT_FALSE(bad.error.isEmpty());
}

}  // namespace
}  // namespace qh
