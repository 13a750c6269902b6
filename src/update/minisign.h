#pragma once
// Release signatures in minisign's format, so releases are signed with the
// standard `minisign` tool: Ed25519 over the file's BLAKE2b-512 (algorithm
// "ED"), plus a global signature over that signature and the trusted
// comment, which carries the release statement.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace qh {

inline constexpr qsizetype kEd25519KeyBytes = 32;
inline constexpr qsizetype kEd25519SignatureBytes = 64;
inline constexpr qsizetype kMinisignKeyIdBytes = 8;
inline constexpr qsizetype kBlake2b512Bytes = 64;
// A ".minisig" file is a few hundred bytes; anything far larger is none.
inline constexpr qint64 kMaxMinisigBytes = 4096;

struct MinisignPublicKey {
  QByteArray KeyId;  // 8 bytes
  QByteArray Key;    // 32 raw Ed25519 bytes
  bool valid() const { return Key.size() == kEd25519KeyBytes; }
};

// The public key the build was configured with (minisign's public key line),
// or empty when the build has none and therefore cannot install updates.
QByteArray BuiltInUpdatePublicKey();

// minisign's public key: its base64 line ("RW..."), or the whole
// minisign.pub file (its comment line is skipped). Invalid when neither.
MinisignPublicKey ParseMinisignPublicKey(QByteArrayView text);

struct MinisignSignature {
  QByteArray Algorithm;        // "ED" (prehashed) or "Ed" (legacy, refused)
  QByteArray KeyId;            // 8 bytes
  QByteArray Signature;        // 64 bytes over the file's BLAKE2b-512
  QByteArray TrustedComment;   // the text after "trusted comment: "
  QByteArray GlobalSignature;  // 64 bytes over signature + trusted comment
  bool Parsed = false;
};

// A ".minisig" file: an untrusted comment line, the signature in base64,
// the trusted comment line and the global signature in base64. Lines may
// end in CR LF; each base64 block may be wrapped over several lines and
// surrounded by blanks. Not parsed when anything else is found.
MinisignSignature ParseMinisignSignature(QByteArrayView file);

// True when the trusted comment was signed by key (the global signature).
bool VerifyTrustedComment(const MinisignSignature& signature, const MinisignPublicKey& key);

// True when key signed the file whose BLAKE2b-512 is fileHash, prehashed
// (algorithm "ED"), with a signature naming the key's id.
bool VerifyFileHash(const MinisignSignature& signature, QByteArrayView fileHash,
                    const MinisignPublicKey& key);

// BLAKE2b-512 of a whole file as it is on disk, read in bounded pieces;
// empty when unreadable.
QByteArray Blake2b512OfFile(const QString& path);

}  // namespace qh
