// Signs a release for the online update: writes FILE.sig, the Ed25519
// signature of the file's SHA-512 digest, and prints the key's public half
// (base64), which must equal the build's QH_UPDATE_PUBLIC_KEY.
//   sign-update --new-key KEY.pem       make a new private key (kept secret)
//   sign-update KEY.pem FILE [SIG]      sign FILE into SIG (default FILE.sig)
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include "base/save_file.h"
#include "update/update_signature.h"

namespace {

int Usage() {
  QTextStream(stderr) << "usage: sign-update KEY.pem FILE [SIGNATURE]\n"
                         "       sign-update --new-key KEY.pem\n";
  return 2;
}

int Fail(const QString& text) {
  QTextStream(stderr) << "sign-update: " << text << "\n";
  return 1;
}

QByteArray NewPrivateKeyPem() {
  EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
  BIO* bio = BIO_new(BIO_s_mem());
  QByteArray pem;
  if (key && bio && PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr)) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    pem = QByteArray(data, length);
  }
  BIO_free(bio);
  EVP_PKEY_free(key);
  return pem;
}

// The key is private from its first byte: created with its final mode.
qh::SaveResult WriteFile(const QString& path, const QByteArray& bytes, unsigned newFileMode) {
  return qh::SaveFile(path, bytes, {newFileMode});
}

int NewKey(const QString& keyPath) {
  if (QFile::exists(keyPath)) return Fail(keyPath + " exists; not overwritten");
  const QByteArray pem = NewPrivateKeyPem();
  if (pem.isEmpty()) return Fail("cannot make a key");
  if (const qh::SaveResult saved = WriteFile(keyPath, pem, 0600); !saved)
    return Fail("cannot write " + keyPath + ": " + saved.Reason);
  const qh::SignedDigest probe = qh::SignUpdateDigest(QByteArray(qh::kSha512Bytes, '\0'), pem);
  QTextStream(stdout) << probe.publicKey.toBase64() << "\n";
  return 0;
}

int Sign(const QString& keyPath, const QString& filePath, const QString& signaturePath) {
  QFile keyFile(keyPath);
  if (!keyFile.open(QIODevice::ReadOnly)) return Fail("cannot read " + keyPath);
  const QByteArray digest = qh::Sha512OfFile(filePath);
  if (digest.isEmpty()) return Fail("cannot read " + filePath);
  const qh::SignedDigest signedDigest = qh::SignUpdateDigest(digest, keyFile.readAll());
  if (!signedDigest.error.isEmpty()) return Fail(keyPath + ": " + signedDigest.error);
  if (const qh::SaveResult saved = WriteFile(signaturePath, signedDigest.signature, 0644); !saved)
    return Fail("cannot write " + signaturePath + ": " + saved.Reason);
  QTextStream(stdout) << signedDigest.publicKey.toBase64() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  if (args.size() == 2 && args[0] == QLatin1String("--new-key")) return NewKey(args[1]);
  if (args.size() < 2 || args.size() > 3 || args[0].startsWith(QLatin1Char('-'))) return Usage();
  return Sign(args[0], args[1], args.size() == 3 ? args[2] : args[1] + QStringLiteral(".sig"));
}
