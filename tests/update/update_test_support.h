#pragma once
// Throw-away signing keys, the stand-in release program and event-loop
// waits for the update tests.
#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QThread>
#include <functional>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "update/update_signature.h"

namespace qh::test {

// A fresh Ed25519 key pair.
struct TestKey {
  QByteArray privatePem;
  QByteArray publicBase64;  // as QH_UPDATE_PUBLIC_KEY holds it

  static TestKey Generate() {
    TestKey key;
    EVP_PKEY* pkey = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
    BIO* bio = BIO_new(BIO_s_mem());
    if (pkey && bio && PEM_write_bio_PrivateKey(bio, pkey, nullptr, nullptr, 0, nullptr, nullptr)) {
      char* data = nullptr;
      const long length = BIO_get_mem_data(bio, &data);
      key.privatePem = QByteArray(data, length);
    }
    QByteArray raw(kEd25519KeyBytes, '\0');
    size_t rawLength = size_t(raw.size());
    if (pkey)
      EVP_PKEY_get_raw_public_key(pkey, reinterpret_cast<unsigned char*>(raw.data()), &rawLength);
    key.publicBase64 = raw.toBase64();
    BIO_free(bio);
    EVP_PKEY_free(pkey);
    return key;
  }

  QByteArray SignDigest(const QByteArray& digest) const {
    return SignUpdateDigest(digest, privatePem).signature;
  }
  QByteArray Sign(const QByteArray& bytes) const {
    Sha512Stream sha;
    sha.Add(bytes);
    return SignDigest(sha.Finish());
  }
};

inline QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The stand-in release: a real program for this computer.
inline QByteArray TestProgramBytes() {
  return ReadWholeFile(QStringLiteral(QH_UPDATE_TEST_PROGRAM));
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
