#pragma once
// Throw-away minisign keys, the stand-in release program and event-loop
// waits for the update tests.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QThread>
#include <functional>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "update/minisign.h"
#include "update/release_statement.h"

namespace qh::test {

// A throw-away release key in minisign's format, made with OpenSSL so the
// table tests need no external tool (RealMinisign below uses the real one).
struct TestKey {
  QByteArray PrivatePem;
  QByteArray KeyId;       // 8 bytes
  QByteArray PublicLine;  // minisign's public key line, as QH_UPDATE_PUBLIC_KEY holds it

  static TestKey Generate() {
    TestKey key;
    EVP_PKEY* pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    BIO* bio = BIO_new(BIO_s_mem());
    if (pkey && bio && PEM_write_bio_PrivateKey(bio, pkey, nullptr, nullptr, 0, nullptr, nullptr)) {
      char* data = nullptr;
      const long length = BIO_get_mem_data(bio, &data);
      key.PrivatePem = QByteArray(data, length);
    }
    QByteArray raw(kEd25519KeyBytes, '\0');
    size_t rawLength = size_t(raw.size());
    if (pkey)
      EVP_PKEY_get_raw_public_key(pkey, reinterpret_cast<unsigned char*>(raw.data()), &rawLength);
    key.KeyId = QByteArray::number(QRandomGenerator::global()->generate64(), 16).left(8);
    key.PublicLine = (QByteArray("Ed") + key.KeyId + raw).toBase64();
    BIO_free(bio);
    EVP_PKEY_free(pkey);
    return key;
  }

  QByteArray SignMessage(const QByteArray& message) const {
    BIO* bio = BIO_new_mem_buf(PrivatePem.constData(), int(PrivatePem.size()));
    EVP_PKEY* pkey = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    QByteArray signature(kEd25519SignatureBytes, '\0');
    size_t length = size_t(signature.size());
    EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, pkey);
    EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(signature.data()), &length,
                   reinterpret_cast<const unsigned char*>(message.constData()),
                   size_t(message.size()));
    EVP_MD_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    BIO_free(bio);
    return signature;
  }

  // A ".minisig" for bytes stating comment; wrap > 0 breaks both base64
  // blocks into lines of that many columns, as `base64` does.
  // algorithm "Ed" makes minisign's legacy kind, keyId another key's id.
  QByteArray Statement(const QByteArray& bytes, const QByteArray& comment, int wrap = 0,
                       const QByteArray& algorithm = "ED", const QByteArray& keyId = {}) const {
    QByteArray hash(kBlake2b512Bytes, '\0');
    EVP_Digest(bytes.constData(), size_t(bytes.size()),
               reinterpret_cast<unsigned char*>(hash.data()), nullptr, EVP_blake2b512(), nullptr);
    const QByteArray signature = SignMessage(hash);
    const QByteArray global = SignMessage(signature + comment);
    return "untrusted comment: signature from a test key\n" +
           Wrapped((algorithm + (keyId.isEmpty() ? KeyId : keyId) + signature).toBase64(), wrap) +
           "trusted comment: " + comment + "\n" + Wrapped(global.toBase64(), wrap);
  }

  static QByteArray Wrapped(const QByteArray& text, int wrap) {
    if (wrap <= 0) return text + "\n";
    QByteArray out;
    for (qsizetype at = 0; at < text.size(); at += wrap) out += text.mid(at, wrap) + "\n";
    return out;
  }
};

// The trusted comment of a release of the stand-in program for this computer.
inline QByteArray StatementText(const char* program = "window", const char* version = "99.12.31.23",
                                const char* expires = "2030-01-01") {
  return QByteArray("qinghechart ") + program + " " + UpdatePlatformName().toLatin1() +
         " version " + version + " expires " + expires;
}

inline QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The stand-in release: a real program for this computer. A mode (see
// update_test_program.cpp) is written after its bytes, so it travels with
// the download into the contained trial run.
inline QByteArray TestProgramBytes(const QByteArray& mode = {}) {
  const QByteArray program = ReadWholeFile(QStringLiteral(QH_UPDATE_TEST_PROGRAM));
  return mode.isEmpty() ? program : program + "\nQH_TEST_PROGRAM_MODE=" + mode + "\n";
}

// Runs the event loop until done() holds or timeoutMs passed; false on time-out.
inline bool SpinUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace qh::test
