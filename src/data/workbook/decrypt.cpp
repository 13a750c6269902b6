#include "data/workbook/decrypt.h"

#include "base/library_calls.h"
#include "base/little_endian.h"
#include "data/workbook/xml_scanner.h"

#include <QHash>
#include <openssl/evp.h>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace qh {

namespace {

// libcrypto, opened by the first workbook that turns out to be encrypted.
// Its calls keep their names, without the EVP_ prefix.
struct Crypto {
  decltype(&EVP_CIPHER_CTX_free) CIPHER_CTX_free;
  decltype(&EVP_CIPHER_CTX_new) CIPHER_CTX_new;
  decltype(&EVP_CIPHER_CTX_set_padding) CIPHER_CTX_set_padding;
  decltype(&EVP_DecryptFinal_ex) DecryptFinal_ex;
  decltype(&EVP_DecryptInit_ex) DecryptInit_ex;
  decltype(&EVP_DecryptUpdate) DecryptUpdate;
  decltype(&EVP_DigestFinal_ex) DigestFinal_ex;
  decltype(&EVP_DigestInit_ex) DigestInit_ex;
  decltype(&EVP_DigestInit_ex2) DigestInit_ex2;
  decltype(&EVP_DigestUpdate) DigestUpdate;
  decltype(&EVP_MD_CTX_free) MD_CTX_free;
  decltype(&EVP_MD_CTX_new) MD_CTX_new;
  decltype(&EVP_MD_get_size) MD_get_size;
  decltype(&EVP_aes_128_cbc) aes_128_cbc;
  decltype(&EVP_aes_128_ecb) aes_128_ecb;
  decltype(&EVP_aes_192_cbc) aes_192_cbc;
  decltype(&EVP_aes_192_ecb) aes_192_ecb;
  decltype(&EVP_aes_256_cbc) aes_256_cbc;
  decltype(&EVP_aes_256_ecb) aes_256_ecb;
  decltype(&EVP_md5) md5;
  decltype(&EVP_sha1) sha1;
  decltype(&EVP_sha256) sha256;
  decltype(&EVP_sha384) sha384;
  decltype(&EVP_sha512) sha512;
};

// Null when libcrypto or one of its calls cannot be had.
const Crypto* LoadCrypto() {
  return OpenCalls<Crypto>(QH_CRYPTO_LIBRARY, [](LibraryCalls& library, Crypto& c) {
    library.Resolve("EVP_CIPHER_CTX_free", c.CIPHER_CTX_free);
    library.Resolve("EVP_CIPHER_CTX_new", c.CIPHER_CTX_new);
    library.Resolve("EVP_CIPHER_CTX_set_padding", c.CIPHER_CTX_set_padding);
    library.Resolve("EVP_DecryptFinal_ex", c.DecryptFinal_ex);
    library.Resolve("EVP_DecryptInit_ex", c.DecryptInit_ex);
    library.Resolve("EVP_DecryptUpdate", c.DecryptUpdate);
    library.Resolve("EVP_DigestFinal_ex", c.DigestFinal_ex);
    library.Resolve("EVP_DigestInit_ex", c.DigestInit_ex);
    library.Resolve("EVP_DigestInit_ex2", c.DigestInit_ex2);
    library.Resolve("EVP_DigestUpdate", c.DigestUpdate);
    library.Resolve("EVP_MD_CTX_free", c.MD_CTX_free);
    library.Resolve("EVP_MD_CTX_new", c.MD_CTX_new);
    library.Resolve("EVP_MD_get_size", c.MD_get_size);
    library.Resolve("EVP_aes_128_cbc", c.aes_128_cbc);
    library.Resolve("EVP_aes_128_ecb", c.aes_128_ecb);
    library.Resolve("EVP_aes_192_cbc", c.aes_192_cbc);
    library.Resolve("EVP_aes_192_ecb", c.aes_192_ecb);
    library.Resolve("EVP_aes_256_cbc", c.aes_256_cbc);
    library.Resolve("EVP_aes_256_ecb", c.aes_256_ecb);
    library.Resolve("EVP_md5", c.md5);
    library.Resolve("EVP_sha1", c.sha1);
    library.Resolve("EVP_sha256", c.sha256);
    library.Resolve("EVP_sha384", c.sha384);
    library.Resolve("EVP_sha512", c.sha512);
  });
}

// The calls, once LoadCrypto has opened them: both ways in check first.
const Crypto& Evp() { return *LoadCrypto(); }

constexpr char16_t kDefaultPassword[] = u"VelvetSweatshop";

// The format allows up to ten million hashing rounds, some nine seconds of
// SHA-512 here; Excel writes 100,000. Past a million (about a second) the
// built-in password is not tried: the file keeps the password hint.
constexpr quint32 kMaxSpinCount = 10'000'000;
constexpr quint32 kMaxSpinCountTried = 1'000'000;
// Encrypted key and verifier values are one to a few AES blocks.
constexpr qsizetype kMaxAgileValueBytes = 1024;
constexpr qsizetype kMaxAgileSaltBytes = 64;
constexpr qsizetype kAesBlock = 16;

QByteArray PasswordBytes() {
  QByteArray bytes;
  for (char16_t c : std::u16string_view(kDefaultPassword)) {
    bytes.append(char(c & 0xFF)).append(char(c >> 8));
  }
  return bytes;
}

QByteArray Le32(quint32 value) {
  QByteArray bytes(4, '\0');
  qToLittleEndian(value, bytes.data());
  return bytes;
}

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(Crypto::MD_CTX_free)>;

QByteArray Digest(const EVP_MD* md, std::initializer_list<QByteArrayView> parts) {
  DigestContext context(Evp().MD_CTX_new(), Evp().MD_CTX_free);
  QByteArray out(Evp().MD_get_size(md), '\0');
  unsigned int length = 0;
  if (!context || Evp().DigestInit_ex(context.get(), md, nullptr) != 1) return {};
  for (QByteArrayView part : parts)
    Evp().DigestUpdate(context.get(), part.data(), size_t(part.size()));
  if (Evp().DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(out.data()), &length) !=
      1)
    return {};
  return out;
}

// H0 = H(salt + password), then spinCount rounds of H(round + H).
QByteArray SpunHash(const EVP_MD* md, QByteArrayView salt, quint32 spinCount) {
  QByteArray hash = Digest(md, {salt, PasswordBytes()});
  DigestContext context(Evp().MD_CTX_new(), Evp().MD_CTX_free);
  if (!context || hash.isEmpty()) return {};
  auto* out = reinterpret_cast<unsigned char*>(hash.data());
  unsigned int length = 0;
  // Set up once: handing the digest to every round's init makes OpenSSL 3
  // look it up again each time, which costs more than the hash itself.
  if (Evp().DigestInit_ex2(context.get(), md, nullptr) != 1) return {};
  for (quint32 round = 0; round < spinCount; ++round) {
    unsigned char counter[4];
    qToLittleEndian(round, counter);
    if (Evp().DigestInit_ex2(context.get(), nullptr, nullptr) != 1) return {};
    Evp().DigestUpdate(context.get(), counter, 4);
    Evp().DigestUpdate(context.get(), out, size_t(hash.size()));
    if (Evp().DigestFinal_ex(context.get(), out, &length) != 1) return {};
  }
  return hash;
}

// AES without padding; the input is whole blocks. An empty iv means ECB.
std::optional<QByteArray> AesDecrypt(QByteArrayView key, QByteArrayView iv, QByteArrayView in) {
  const EVP_CIPHER* cipher = nullptr;
  switch (key.size()) {
    case 16: cipher = iv.isEmpty() ? Evp().aes_128_ecb() : Evp().aes_128_cbc(); break;
    case 24: cipher = iv.isEmpty() ? Evp().aes_192_ecb() : Evp().aes_192_cbc(); break;
    case 32: cipher = iv.isEmpty() ? Evp().aes_256_ecb() : Evp().aes_256_cbc(); break;
    default: return std::nullopt;
  }
  if (in.size() % kAesBlock != 0 || (!iv.isEmpty() && iv.size() != kAesBlock)) return std::nullopt;
  std::unique_ptr<EVP_CIPHER_CTX, decltype(Crypto::CIPHER_CTX_free)> context(Evp().CIPHER_CTX_new(),
                                                                             Evp().CIPHER_CTX_free);
  const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.data());
  const auto* ivBytes = iv.isEmpty() ? nullptr : reinterpret_cast<const unsigned char*>(iv.data());
  if (!context || Evp().DecryptInit_ex(context.get(), cipher, nullptr, keyBytes, ivBytes) != 1)
    return std::nullopt;
  Evp().CIPHER_CTX_set_padding(context.get(), 0);
  QByteArray out(in.size(), '\0');
  auto* outBytes = reinterpret_cast<unsigned char*>(out.data());
  int written = 0, last = 0;
  // EVP lengths are int: large packages go in steps.
  constexpr qsizetype kStep = 1 << 24;
  for (qsizetype at = 0; at < in.size(); at += kStep) {
    const int step = int(qMin(kStep, in.size() - at));
    if (Evp().DecryptUpdate(context.get(), outBytes + at, &written,
                            reinterpret_cast<const unsigned char*>(in.data()) + at, step) != 1)
      return std::nullopt;
  }
  if (Evp().DecryptFinal_ex(context.get(), outBytes + in.size(), &last) != 1) return std::nullopt;
  return out;
}

// RC4, which OpenSSL 3 keeps only in its legacy provider.
class Rc4 {
 public:
  explicit Rc4(QByteArrayView key) {
    for (int i = 0; i < 256; ++i) state_[size_t(i)] = std::uint8_t(i);
    std::uint8_t j = 0;
    for (size_t i = 0; i < 256; ++i) {
      j = std::uint8_t(j + state_[i] + std::uint8_t(key[qsizetype(i) % key.size()]));
      std::swap(state_[i], state_[j]);
    }
  }
  std::uint8_t Next() {
    i_ = std::uint8_t(i_ + 1);
    j_ = std::uint8_t(j_ + state_[i_]);
    std::swap(state_[i_], state_[j_]);
    return state_[std::uint8_t(state_[i_] + state_[j_])];
  }
  QByteArray Apply(QByteArrayView data) {
    QByteArray out(data.size(), '\0');
    for (qsizetype k = 0; k < data.size(); ++k) out[k] = char(std::uint8_t(data[k]) ^ Next());
    return out;
  }

 private:
  std::array<std::uint8_t, 256> state_{};
  std::uint8_t i_ = 0, j_ = 0;
};

// ---- BIFF8: RC4 and CryptoAPI RC4 -----------------------------------------

constexpr quint16 kRecordFilePass = 0x002F;
constexpr quint16 kRecordEof = 0x000A;
constexpr quint16 kRecordBoundSheet = 0x0085;
// What the FILEPASS record becomes once the stream is plain: no record has
// this type, so every reader passes over it.
constexpr quint16 kOpenedFilePass = 0xFFFF;
constexpr qsizetype kBiffBlock = 1024;

// Records the writer leaves plain in an encrypted stream.
bool StaysPlain(quint16 type) {
  switch (type) {
    case 0x0809:  // BOF
    case kRecordFilePass:
    case 0x0194:  // UsrExcl
    case 0x0195:  // FileLock
    case 0x00E1:  // InterfaceHdr
    case 0x0196:  // RRDInfo
    case 0x0138:  // RRDHead
      return true;
    default: return false;
  }
}

// The key of each 1,024-byte block of the stream.
struct BlockKeys {
  virtual ~BlockKeys() = default;
  virtual QByteArray Key(quint32 block) const = 0;
};

struct Rc4BlockKeys final : BlockKeys {
  QByteArray Truncated;  // five bytes of the hashed password and salt
  QByteArray Key(quint32 block) const override {
    return Digest(Evp().md5(), {Truncated, Le32(block)});
  }
};

struct CryptoApiBlockKeys final : BlockKeys {
  QByteArray Base;  // SHA-1 of salt and password
  qsizetype KeyBytes = 16;
  QByteArray Key(quint32 block) const override {
    QByteArray key = Digest(Evp().sha1(), {Base, Le32(block)}).left(KeyBytes);
    // A 40-bit key is used as 128 bits, the rest zero.
    return KeyBytes == 5 ? key.leftJustified(16, '\0') : key;
  }
};

// The keystream byte for every position of the stream, block by block.
class BiffKeystream {
 public:
  explicit BiffKeystream(const BlockKeys& keys) : keys_(keys) {}
  std::uint8_t At(qsizetype position) {
    const qsizetype block = position / kBiffBlock;
    if (block != block_) {
      Rc4 rc4(keys_.Key(quint32(block)));
      for (auto& byte : bytes_) byte = rc4.Next();
      block_ = block;
    }
    return bytes_[size_t(position % kBiffBlock)];
  }

 private:
  const BlockKeys& keys_;
  qsizetype block_ = -1;
  std::array<std::uint8_t, kBiffBlock> bytes_{};
};

void DecryptRecords(QByteArray& stream, qsizetype from, const BlockKeys& keys) {
  BiffKeystream keystream(keys);
  for (qsizetype at = from; at + 4 <= stream.size();) {
    const quint16 type = ReadLe16(stream, at);
    const qsizetype end = qMin(stream.size(), at + 4 + ReadLe16(stream, at + 2));
    qsizetype first = at + 4;
    if (type == kRecordBoundSheet) first += 4;  // the sheet's offset stays plain
    if (!StaysPlain(type)) {
      for (qsizetype p = first; p < end; ++p) stream[p] = char(stream[p] ^ keystream.At(p));
    }
    at = end;
  }
}

bool VerifierMatches(Rc4 rc4, QByteArrayView verifier, QByteArrayView verifierHash,
                     const EVP_MD* md) {
  const QByteArray plain = rc4.Apply(verifier);
  const QByteArray hash = rc4.Apply(verifierHash);
  return Digest(md, {plain}) == hash.left(Evp().MD_get_size(md));
}

// What CryptoAPI RC4 and ECMA-376 standard encryption share: the header's
// size at sizeAt, the header (flags, extra size, algorithm, hash algorithm,
// key size, ...), then the verifier: salt size, salt, verifier, hash size and
// a hash of hashBytes. Empty when the sizes do not fit the bytes.
struct EncryptionHeader {
  quint32 Algorithm = 0;
  quint32 HashAlgorithm = 0;
  quint32 KeyBits = 0;
  QByteArrayView Verifier;  // from the salt size to the end
};

std::optional<EncryptionHeader> ReadEncryptionHeader(QByteArrayView bytes, qsizetype sizeAt,
                                                     qsizetype hashBytes) {
  const qsizetype headerAt = sizeAt + 4;
  if (bytes.size() < headerAt) return std::nullopt;
  const quint32 headerSize = ReadLe32(bytes, sizeAt);
  const qsizetype verifierBytes = 4 + 16 + 16 + 4 + hashBytes;
  if (headerSize < 32 || qsizetype(headerSize) > bytes.size() - headerAt - verifierBytes)
    return std::nullopt;
  const QByteArrayView header = bytes.sliced(headerAt, headerSize);
  return EncryptionHeader{ReadLe32(header, 8), ReadLe32(header, 12), ReadLe32(header, 16),
                          bytes.sliced(headerAt + headerSize)};
}

// A 16-byte salt and a 20-byte (SHA-1) verifier hash: any other size is damage.
bool VerifierSizesMatch(QByteArrayView verifier) {
  return ReadLe32(verifier, 0) == 16 && ReadLe32(verifier, 36) == 20;
}

Decryption OpenRc4(QByteArrayView body, std::unique_ptr<BlockKeys>& keys) {
  if (body.size() < 6 + 48) return Decryption::Damaged;
  const QByteArrayView salt = body.sliced(6, 16);
  const QByteArray h0 = Digest(Evp().md5(), {PasswordBytes()}).left(5);
  QByteArray buffer;
  for (int i = 0; i < 16; ++i) buffer += h0 + salt.toByteArray();
  auto rc4Keys = std::make_unique<Rc4BlockKeys>();
  rc4Keys->Truncated = Digest(Evp().md5(), {buffer}).left(5);
  if (!VerifierMatches(Rc4(rc4Keys->Key(0)), body.sliced(22, 16), body.sliced(38, 16), Evp().md5()))
    return Decryption::OtherPassword;
  keys = std::move(rc4Keys);
  return Decryption::Opened;
}

Decryption OpenCryptoApiRc4(QByteArrayView body, std::unique_ptr<BlockKeys>& keys) {
  // Flags, then the header and verifier.
  const std::optional<EncryptionHeader> header = ReadEncryptionHeader(body, 10, 20);
  if (!header) return Decryption::Damaged;
  const quint32 algorithm = header->Algorithm, hashAlgorithm = header->HashAlgorithm;
  const quint32 keyBits = header->KeyBits == 0 ? 40 : header->KeyBits;
  if ((algorithm != 0x6801 && algorithm != 0) || (hashAlgorithm != 0x8004 && hashAlgorithm != 0) ||
      keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) {
    return Decryption::Damaged;
  }
  const QByteArrayView verifier = header->Verifier;
  if (!VerifierSizesMatch(verifier)) return Decryption::Damaged;
  auto apiKeys = std::make_unique<CryptoApiBlockKeys>();
  apiKeys->Base = Digest(Evp().sha1(), {verifier.sliced(4, 16), PasswordBytes()});
  apiKeys->KeyBytes = keyBits / 8;
  if (!VerifierMatches(Rc4(apiKeys->Key(0)), verifier.sliced(20, 16), verifier.sliced(40, 20),
                       Evp().sha1()))
    return Decryption::OtherPassword;
  keys = std::move(apiKeys);
  return Decryption::Opened;
}

// ---- ECMA-376 (.xlsx) -------------------------------------------------------

// Hash to key length: cut, or padded with 0x36.
QByteArray FitTo(QByteArray bytes, qsizetype size) {
  return bytes.size() >= size ? bytes.left(size) : bytes.leftJustified(size, '\x36');
}

Decryption OpenStandard(QByteArrayView info, QByteArrayView data, QByteArray& package) {
  // Version and flags, then the header and verifier (its hash padded to
  // AES blocks).
  const std::optional<EncryptionHeader> header = ReadEncryptionHeader(info, 8, 32);
  if (!header) return Decryption::Damaged;
  const quint32 algorithm = header->Algorithm, hashAlgorithm = header->HashAlgorithm;
  const quint32 keyBits = header->KeyBits;
  if (algorithm != 0x660E && algorithm != 0x660F && algorithm != 0x6610)
    return Decryption::OtherPassword;  // RC4 or another scheme not read here
  if ((hashAlgorithm != 0x8004 && hashAlgorithm != 0) ||
      (keyBits != 128 && keyBits != 192 && keyBits != 256)) {
    return Decryption::Damaged;
  }
  const QByteArrayView verifier = header->Verifier;
  if (!VerifierSizesMatch(verifier)) return Decryption::Damaged;
  const QByteArray hash = SpunHash(Evp().sha1(), verifier.sliced(4, 16), 50000);
  const QByteArray final = Digest(Evp().sha1(), {hash, Le32(0)});
  QByteArray inner(64, '\x36'), outer(64, '\x5c');
  for (qsizetype i = 0; i < final.size(); ++i) {
    inner[i] = char(inner[i] ^ final[i]);
    outer[i] = char(outer[i] ^ final[i]);
  }
  const QByteArray key =
      (Digest(Evp().sha1(), {inner}) + Digest(Evp().sha1(), {outer})).left(keyBits / 8);
  const auto plainVerifier = AesDecrypt(key, {}, verifier.sliced(20, 16));
  const auto plainHash = AesDecrypt(key, {}, verifier.sliced(40, 32));
  if (!plainVerifier || !plainHash || Digest(Evp().sha1(), {*plainVerifier}) != plainHash->left(20))
    return Decryption::OtherPassword;
  if (data.size() % kAesBlock != 0) return Decryption::Damaged;
  auto plain = AesDecrypt(key, {}, data);
  if (!plain) return Decryption::Damaged;
  package = std::move(*plain);
  return Decryption::Opened;
}

const EVP_MD* DigestNamed(QByteArrayView name) {
  if (name == "SHA1") return Evp().sha1();
  if (name == "SHA256") return Evp().sha256();
  if (name == "SHA384") return Evp().sha384();
  if (name == "SHA512") return Evp().sha512();
  return nullptr;
}

// The attributes of one element by local name, their values decoded.
class AgileAttributes {
 public:
  // False on a value with a bad entity.
  bool Take(const XmlScanner& scanner) {
    static constexpr char kNames[] =
        "cipherAlgorithm cipherChaining hashAlgorithm keyBits blockSize hashSize saltValue "
        "spinCount encryptedVerifierHashInput encryptedVerifierHashValue encryptedKeyValue";
    for (const QByteArray& name : QByteArray(kNames).split(' ')) {
      const auto text = scanner.AttributeText(name);
      if (!text) return false;
      values_.insert(name, text->toLatin1());
    }
    return true;
  }
  QByteArray Value(const char* name) const { return values_.value(QByteArray(name)); }

 private:
  QHash<QByteArray, QByteArray> values_;
};

// The attributes of <keyData> and of the password's <encryptedKey>.
struct AgileParameters {
  AgileAttributes KeyData;
  AgileAttributes PasswordKey;
  bool HasPasswordKey = false;  // else only a certificate opens it
};

std::optional<AgileParameters> ReadAgileXml(QByteArrayView xml) {
  AgileParameters parameters;
  bool keyData = false;
  // The scanner refuses a DOCTYPE, as everywhere else in a package.
  XmlScanner scanner(xml);
  for (auto token = scanner.Next(); token != XmlScanner::Token::Finished; token = scanner.Next()) {
    if (token == XmlScanner::Token::Error) return std::nullopt;
    if (scanner.IsStart("keyData") && !keyData) {
      if (!parameters.KeyData.Take(scanner)) return std::nullopt;
      keyData = true;
    } else if (scanner.IsStart("encryptedKey") && !parameters.HasPasswordKey &&
               !scanner.Attribute("spinCount").isEmpty()) {
      if (!parameters.PasswordKey.Take(scanner)) return std::nullopt;
      parameters.HasPasswordKey = true;
    }
  }
  if (!keyData) return std::nullopt;
  return parameters;
}

struct AgileCipher {
  const EVP_MD* Md = nullptr;
  QByteArray Salt;
  qsizetype KeyBytes = 0;
};

// The cipher and hash one element names, or why they cannot be used.
Decryption ReadAgileCipher(const AgileAttributes& a, AgileCipher& cipher) {
  if (a.Value("cipherAlgorithm") != "AES" || a.Value("cipherChaining") != "ChainingModeCBC")
    return Decryption::OtherPassword;
  cipher.Md = DigestNamed(a.Value("hashAlgorithm"));
  if (cipher.Md == nullptr) return Decryption::OtherPassword;
  const qsizetype keyBits = a.Value("keyBits").toLongLong();
  cipher.KeyBytes = keyBits / 8;
  cipher.Salt = QByteArray::fromBase64(a.Value("saltValue"));
  if ((keyBits != 128 && keyBits != 192 && keyBits != 256) ||
      a.Value("blockSize").toLongLong() != kAesBlock ||
      a.Value("hashSize").toLongLong() != Evp().MD_get_size(cipher.Md) || cipher.Salt.isEmpty() ||
      cipher.Salt.size() > kMaxAgileSaltBytes) {
    return Decryption::Damaged;
  }
  return Decryption::Opened;
}

std::optional<QByteArray> AgileValue(const AgileAttributes& a, const char* name) {
  const QByteArray value = QByteArray::fromBase64(a.Value(name));
  if (value.isEmpty() || value.size() % kAesBlock != 0 || value.size() > kMaxAgileValueBytes)
    return std::nullopt;
  return value;
}

Decryption OpenAgile(QByteArrayView info, QByteArrayView data, QByteArray& package) {
  const auto parameters = ReadAgileXml(info.sliced(8));
  if (!parameters) return Decryption::Damaged;
  if (!parameters->HasPasswordKey) return Decryption::OtherPassword;
  AgileCipher content, password;
  for (auto [attributes, cipher] : {std::pair{&parameters->KeyData, &content},
                                    std::pair{&parameters->PasswordKey, &password}}) {
    if (const Decryption d = ReadAgileCipher(*attributes, *cipher); d != Decryption::Opened)
      return d;
  }
  bool spinOk = false;
  const quint32 spinCount = parameters->PasswordKey.Value("spinCount").toUInt(&spinOk);
  const auto hashInput = AgileValue(parameters->PasswordKey, "encryptedVerifierHashInput");
  const auto hashValue = AgileValue(parameters->PasswordKey, "encryptedVerifierHashValue");
  const auto keyValue = AgileValue(parameters->PasswordKey, "encryptedKeyValue");
  if (!spinOk || spinCount > kMaxSpinCount || !hashInput || !hashValue || !keyValue)
    return Decryption::Damaged;
  if (spinCount > kMaxSpinCountTried) return Decryption::OtherPassword;

  const QByteArray spun = SpunHash(password.Md, password.Salt, spinCount);
  const QByteArray iv = FitTo(password.Salt, kAesBlock);
  auto decryptWith = [&](const char* blockKey, const QByteArray& value) {
    const QByteArray key =
        FitTo(Digest(password.Md, {spun, QByteArray::fromHex(blockKey)}), password.KeyBytes);
    return AesDecrypt(key, iv, value);
  };
  const auto verifier = decryptWith("fea7d2763b4b9e79", *hashInput);
  const auto verifierHash = decryptWith("d7aa0f6d3061344e", *hashValue);
  const auto secret = decryptWith("146e0be7abacd0d6", *keyValue);
  const qsizetype hashBytes = Evp().MD_get_size(password.Md);
  if (!verifier || !verifierHash || !secret || verifierHash->size() < hashBytes ||
      secret->size() < content.KeyBytes ||
      Digest(password.Md, {verifier->left(password.Salt.size())}) !=
          verifierHash->left(hashBytes)) {
    return Decryption::OtherPassword;
  }
  const QByteArray key = secret->left(content.KeyBytes);
  // Segments of 4,096 bytes, each with its own initial vector.
  constexpr qsizetype kSegment = 4096;
  if (data.size() % kAesBlock != 0) return Decryption::Damaged;
  package.resize(data.size());
  for (qsizetype at = 0; at < data.size(); at += kSegment) {
    const QByteArray segmentIv =
        FitTo(Digest(content.Md, {content.Salt, Le32(quint32(at / kSegment))}), kAesBlock);
    const auto plain =
        AesDecrypt(key, segmentIv, data.sliced(at, qMin(kSegment, data.size() - at)));
    if (!plain) return Decryption::Damaged;
    package.replace(at, plain->size(), *plain);
  }
  return Decryption::Opened;
}

}  // namespace

Decryption DecryptBiffStream(QByteArray& stream) {
  if (LoadCrypto() == nullptr) return Decryption::OtherPassword;
  // FILEPASS lies among the global records, before their EOF.
  qsizetype at = 0;
  for (;;) {
    if (at + 4 > stream.size()) return Decryption::Damaged;
    const quint16 type = ReadLe16(stream, at);
    const qsizetype length = ReadLe16(stream, at + 2);
    if (at + 4 + length > stream.size() || type == kRecordEof) return Decryption::Damaged;
    if (type == kRecordFilePass) break;
    at += 4 + length;
  }
  const QByteArrayView body = QByteArrayView(stream).sliced(at + 4, ReadLe16(stream, at + 2));
  // Type 0 is the XOR obfuscation of Excel 95 and earlier, not read here.
  if (body.size() < 6) return Decryption::Damaged;
  if (ReadLe16(body, 0) != 1) return Decryption::OtherPassword;
  const quint16 major = ReadLe16(body, 2), minor = ReadLe16(body, 4);
  std::unique_ptr<BlockKeys> keys;
  Decryption opened = Decryption::OtherPassword;
  if (major == 1 && minor == 1) {
    opened = OpenRc4(body, keys);
  } else if (major >= 2 && major <= 4 && minor == 2) {
    opened = OpenCryptoApiRc4(body, keys);
  }
  if (opened != Decryption::Opened) return opened;
  const qsizetype next = at + 4 + body.size();
  DecryptRecords(stream, next, *keys);
  qToLittleEndian(kOpenedFilePass, stream.data() + at);
  return Decryption::Opened;
}

Decryption DecryptOoxmlPackage(QByteArrayView info, QByteArrayView encrypted, QByteArray& package) {
  if (LoadCrypto() == nullptr) return Decryption::OtherPassword;
  if (info.size() < 8 || encrypted.size() < 8) return Decryption::Damaged;
  const quint64 plainSize = qFromLittleEndian<quint64>(encrypted.data());
  // Only the blocks that hold the package: writers may pad the stream.
  const quint64 blocks = plainSize / kAesBlock + (plainSize % kAesBlock != 0 ? 1 : 0);
  if (blocks > quint64(encrypted.size() - 8) / kAesBlock) return Decryption::Damaged;
  const QByteArrayView data = encrypted.sliced(8, qsizetype(blocks) * kAesBlock);
  const quint16 major = ReadLe16(info, 0), minor = ReadLe16(info, 2);
  Decryption opened = Decryption::OtherPassword;
  if ((major == 3 || major == 4) && minor == 2) {
    opened = OpenStandard(info, data, package);
  } else if (major == 4 && minor == 4) {
    opened = OpenAgile(info, data, package);
  }
  if (opened == Decryption::Opened) package.truncate(qsizetype(plainSize));
  return opened;
}

}  // namespace qh
