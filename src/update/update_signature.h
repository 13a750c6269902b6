#pragma once
// Signed updates: the release is signed with an Ed25519 key whose public
// half is built into the program. What is signed is the SHA-512 digest of
// the file, so the file can be checked while it streams to disk instead of
// being held in memory.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace qh {

inline constexpr qsizetype kEd25519KeyBytes = 32;
inline constexpr qsizetype kEd25519SignatureBytes = 64;
inline constexpr qsizetype kSha512Bytes = 64;

// The public key the build was configured with (base64), or empty when the
// build has none and therefore cannot install updates.
QByteArray BuiltInUpdatePublicKey();

// The 32 raw key bytes of a base64 text holding either the raw key or its
// DER SubjectPublicKeyInfo (what `openssl pkey -pubout -outform DER` writes);
// empty when the text is neither.
QByteArray DecodeUpdatePublicKey(QByteArrayView base64);

// The 64 signature bytes of a ".sig" file: raw, or base64 text with optional
// surrounding white space; empty when it is neither.
QByteArray DecodeUpdateSignature(QByteArrayView fileBytes);

// SHA-512 over bytes that arrive in pieces.
class Sha512Stream {
 public:
  Sha512Stream();
  ~Sha512Stream();
  Sha512Stream(const Sha512Stream&) = delete;
  Sha512Stream& operator=(const Sha512Stream&) = delete;

  void Add(QByteArrayView bytes);
  // The digest of everything added; empty when the library failed.
  QByteArray Finish();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  bool ok_ = true;
};

// The digest of a whole file, read in bounded pieces; empty when unreadable.
QByteArray Sha512OfFile(const QString& path);

// True when signature is a valid Ed25519 signature of digest under rawKey.
bool VerifyUpdateSignature(QByteArrayView digest, QByteArrayView signature, QByteArrayView rawKey);

struct SignedDigest {
  QByteArray signature;  // 64 bytes, empty on failure
  QByteArray publicKey;  // the raw public half, to compare with the build's key
  QString error;
};

// Signs digest with an Ed25519 private key given as PEM text (as
// `openssl genpkey -algorithm ed25519` writes it).
SignedDigest SignUpdateDigest(QByteArrayView digest, QByteArrayView privateKeyPem);

}  // namespace qh
