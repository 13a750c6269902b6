#include "update/update_signature.h"

#include <QFile>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

namespace qh {

namespace {

// The fixed start of an Ed25519 SubjectPublicKeyInfo in DER.
constexpr char kSpkiPrefix[] = "\x30\x2a\x30\x05\x06\x03\x2b\x65\x70\x03\x21\x00";
constexpr qsizetype kSpkiPrefixBytes = sizeof(kSpkiPrefix) - 1;
constexpr qsizetype kFileReadBytes = 1 << 20;

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

const unsigned char* Bytes(QByteArrayView view) {
  return reinterpret_cast<const unsigned char*>(view.data());
}

bool IsBase64Text(QByteArrayView text) {
  for (char c : text) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '+' || c == '/' || c == '=';
    if (!ok) return false;
  }
  return !text.isEmpty();
}

QByteArray StrictBase64(QByteArrayView text) {
  const QByteArray trimmed = text.toByteArray().trimmed();
  if (!IsBase64Text(trimmed)) return {};
  const auto decoded =
      QByteArray::fromBase64Encoding(trimmed, QByteArray::AbortOnBase64DecodingErrors);
  return decoded ? *decoded : QByteArray();
}

}  // namespace

QByteArray BuiltInUpdatePublicKey() {
#if defined(QH_UPDATE_PUBLIC_KEY)
  return QByteArray(QH_UPDATE_PUBLIC_KEY).trimmed();
#else
  return {};
#endif
}

QByteArray DecodeUpdatePublicKey(QByteArrayView base64) {
  const QByteArray bytes = StrictBase64(base64);
  if (bytes.size() == kEd25519KeyBytes) return bytes;
  if (bytes.size() == kSpkiPrefixBytes + kEd25519KeyBytes &&
      bytes.startsWith(QByteArrayView(kSpkiPrefix, kSpkiPrefixBytes)))
    return bytes.mid(kSpkiPrefixBytes);
  return {};
}

QByteArray DecodeUpdateSignature(QByteArrayView fileBytes) {
  if (fileBytes.size() == kEd25519SignatureBytes) return fileBytes.toByteArray();
  const QByteArray decoded = StrictBase64(fileBytes);
  return decoded.size() == kEd25519SignatureBytes ? decoded : QByteArray();
}

struct Sha512Stream::Context {
  MdCtx ctx{EVP_MD_CTX_new()};
};

Sha512Stream::Sha512Stream() : context_(std::make_unique<Context>()) {
  ok_ = context_->ctx && EVP_DigestInit_ex(context_->ctx.get(), EVP_sha512(), nullptr) == 1;
}

Sha512Stream::~Sha512Stream() = default;

void Sha512Stream::Add(QByteArrayView bytes) {
  if (ok_ && !bytes.isEmpty())
    ok_ = EVP_DigestUpdate(context_->ctx.get(), bytes.data(), size_t(bytes.size())) == 1;
}

QByteArray Sha512Stream::Finish() {
  QByteArray digest(kSha512Bytes, '\0');
  unsigned int length = 0;
  if (!ok_ ||
      EVP_DigestFinal_ex(context_->ctx.get(), reinterpret_cast<unsigned char*>(digest.data()),
                         &length) != 1 ||
      length != kSha512Bytes)
    return {};
  ok_ = false;  // finished: further use gives nothing
  return digest;
}

QByteArray Sha512OfFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  Sha512Stream sha;
  QByteArray buffer(kFileReadBytes, Qt::Uninitialized);
  for (;;) {
    const qint64 n = file.read(buffer.data(), buffer.size());
    if (n < 0) return {};
    if (n == 0) break;
    sha.Add(QByteArrayView(buffer.constData(), n));
  }
  return sha.Finish();
}

bool VerifyUpdateSignature(QByteArrayView digest, QByteArrayView signature, QByteArrayView rawKey) {
  if (digest.size() != kSha512Bytes || signature.size() != kEd25519SignatureBytes ||
      rawKey.size() != kEd25519KeyBytes)
    return false;
  const Pkey key(
      EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, Bytes(rawKey), size_t(rawKey.size())));
  const MdCtx ctx(EVP_MD_CTX_new());
  if (!key || !ctx) return false;
  if (EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(ctx.get(), Bytes(signature), size_t(signature.size()), Bytes(digest),
                          size_t(digest.size())) == 1;
}

SignedDigest SignUpdateDigest(QByteArrayView digest, QByteArrayView privateKeyPem) {
  SignedDigest result;
  const std::unique_ptr<BIO, BioFree> bio(
      BIO_new_mem_buf(privateKeyPem.data(), int(privateKeyPem.size())));
  const Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr) : nullptr);
  if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_ED25519) {
    result.error = QStringLiteral("the key file holds no Ed25519 private key");
    return result;
  }
  size_t keyLength = kEd25519KeyBytes;
  result.publicKey.resize(kEd25519KeyBytes);
  EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(result.publicKey.data()),
                              &keyLength);
  const MdCtx ctx(EVP_MD_CTX_new());
  size_t length = kEd25519SignatureBytes;
  QByteArray signature(kEd25519SignatureBytes, '\0');
  if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1 ||
      EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                     Bytes(digest), size_t(digest.size())) != 1 ||
      length != kEd25519SignatureBytes) {
    result.error = QStringLiteral("signing failed");
    return result;
  }
  result.signature = signature;
  return result;
}

}  // namespace qh
