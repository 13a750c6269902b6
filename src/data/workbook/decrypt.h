#pragma once
// Workbooks "protected" with the password Excel uses when none was typed
// ("VelvetSweatshop": write- or structure-protected workbooks, which Excel
// and WPS open without asking). They are encrypted all the same, and are
// decrypted here with that password.
#include <QByteArray>
#include <QByteArrayView>

namespace qh {

enum class Decryption {
  Opened,         // decrypted with the built-in password
  OtherPassword,  // a password someone typed, or a scheme not read here
  Damaged,        // headers out of range: lengths, key sizes, spin counts
};

// A BIFF8 workbook stream whose global records carry FILEPASS with RC4 or
// CryptoAPI RC4 encryption. On Opened, stream is the plain stream, its
// FILEPASS record turned into one no reader acts on.
Decryption DecryptBiffStream(QByteArray& stream);

// The EncryptionInfo and EncryptedPackage streams of an encrypted .xlsx
// (ECMA-376 standard or agile encryption). On Opened, package holds the
// plain zip package.
Decryption DecryptOoxmlPackage(QByteArrayView info, QByteArrayView encrypted, QByteArray& package);

}  // namespace qh
