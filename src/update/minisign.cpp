#include "update/minisign.h"

#include <QFile>
#include <QList>
#include <openssl/evp.h>

namespace qh {

namespace {

constexpr qsizetype kFileReadBytes = 1 << 20;
constexpr char kUntrusted[] = "untrusted comment:";
constexpr char kTrusted[] = "trusted comment: ";

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

const unsigned char* Bytes(QByteArrayView view) {
  return reinterpret_cast<const unsigned char*>(view.data());
}

bool IsBase64Char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/' || c == '=';
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Base64 that may be wrapped over lines and surrounded by blanks (what
// `base64` and `openssl base64` write); empty when anything else is in it.
QByteArray WrappedBase64(QByteArrayView text) {
  QByteArray joined;
  for (char c : text) {
    if (IsBlank(c)) continue;
    if (!IsBase64Char(c)) return {};
    joined += c;
  }
  const auto decoded =
      QByteArray::fromBase64Encoding(joined, QByteArray::AbortOnBase64DecodingErrors);
  return decoded ? *decoded : QByteArray();
}

bool Ed25519Verify(QByteArrayView message, QByteArrayView signature, QByteArrayView rawKey) {
  if (signature.size() != kEd25519SignatureBytes || rawKey.size() != kEd25519KeyBytes) return false;
  const Pkey key(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(rawKey), size_t(rawKey.size())));
  const MdCtx ctx(EVP_MD_CTX_new());
  if (!key || !ctx) return false;
  if (EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(ctx.get(), Bytes(signature), size_t(signature.size()), Bytes(message),
                          size_t(message.size())) == 1;
}

QByteArray WithoutLineEnd(QByteArray line) {
  if (line.endsWith('\r')) line.chop(1);
  return line;
}

}  // namespace

QByteArray BuiltInUpdatePublicKey() {
#if defined(QH_UPDATE_PUBLIC_KEY)
  return QByteArray(QH_UPDATE_PUBLIC_KEY).trimmed();
#else
  return {};
#endif
}

MinisignPublicKey ParseMinisignPublicKey(QByteArrayView text) {
  QByteArray body = text.toByteArray().trimmed();
  if (body.startsWith(kUntrusted)) body = body.mid(body.indexOf('\n') + 1);
  const QByteArray bytes = WrappedBase64(body);
  MinisignPublicKey key;
  if (bytes.size() != 2 + kMinisignKeyIdBytes + kEd25519KeyBytes || !bytes.startsWith("Ed"))
    return key;
  key.KeyId = bytes.mid(2, kMinisignKeyIdBytes);
  key.Key = bytes.mid(2 + kMinisignKeyIdBytes);
  return key;
}

MinisignSignature ParseMinisignSignature(QByteArrayView file) {
  MinisignSignature result;
  if (file.size() > kMaxMinisigBytes) return result;
  const QList<QByteArray> lines = file.toByteArray().trimmed().split('\n');
  if (lines.isEmpty() || !lines.first().startsWith(kUntrusted)) return result;
  qsizetype trusted = -1;
  for (qsizetype i = 1; i < lines.size() && trusted < 0; ++i)
    if (lines[i].startsWith(kTrusted)) trusted = i;
  if (trusted < 0) return result;
  QByteArray signatureText;
  for (qsizetype i = 1; i < trusted; ++i) signatureText += lines[i];
  QByteArray globalText;
  for (qsizetype i = trusted + 1; i < lines.size(); ++i) globalText += lines[i];
  const QByteArray signature = WrappedBase64(signatureText);
  const QByteArray global = WrappedBase64(globalText);
  if (signature.size() != 2 + kMinisignKeyIdBytes + kEd25519SignatureBytes ||
      global.size() != kEd25519SignatureBytes)
    return result;
  result.Algorithm = signature.left(2);
  result.KeyId = signature.mid(2, kMinisignKeyIdBytes);
  result.Signature = signature.mid(2 + kMinisignKeyIdBytes);
  result.TrustedComment = WithoutLineEnd(lines[trusted]).mid(qsizetype(sizeof(kTrusted)) - 1);
  result.GlobalSignature = global;
  result.Parsed = true;
  return result;
}

bool VerifyTrustedComment(const MinisignSignature& signature, const MinisignPublicKey& key) {
  if (!signature.Parsed || !key.valid()) return false;
  return Ed25519Verify(signature.Signature + signature.TrustedComment, signature.GlobalSignature,
                       key.Key);
}

bool VerifyFileHash(const MinisignSignature& signature, QByteArrayView fileHash,
                    const MinisignPublicKey& key) {
  if (!signature.Parsed || !key.valid() || signature.Algorithm != "ED" ||
      signature.KeyId != key.KeyId || fileHash.size() != kBlake2b512Bytes)
    return false;
  return Ed25519Verify(fileHash, signature.Signature, key.Key);
}

QByteArray Blake2b512OfFile(const QString& path) {
  QFile file(path);
  const MdCtx ctx(EVP_MD_CTX_new());
  if (!file.open(QIODevice::ReadOnly) || !ctx ||
      EVP_DigestInit_ex(ctx.get(), EVP_blake2b512(), nullptr) != 1)
    return {};
  QByteArray buffer(kFileReadBytes, Qt::Uninitialized);
  for (;;) {
    const qint64 n = file.read(buffer.data(), buffer.size());
    if (n < 0) return {};
    if (n == 0) break;
    if (EVP_DigestUpdate(ctx.get(), buffer.constData(), size_t(n)) != 1) return {};
  }
  QByteArray hash(kBlake2b512Bytes, '\0');
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(hash.data()), &length) != 1 ||
      length != kBlake2b512Bytes)
    return {};
  return hash;
}

}  // namespace qh
