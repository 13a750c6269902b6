#include "data/workbook/password.h"

#include "data/workbook/cfb.h"
#include "data/workbook/decrypt.h"

#include <cstdint>

namespace qh {

namespace {

constexpr std::uint16_t kRecordEof = 0x000A;
constexpr std::uint16_t kRecordFilePass = 0x002F;

std::uint16_t ReadU16(const QByteArray& bytes, qsizetype at) {
  return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
}

Protection AsProtection(Decryption decryption) {
  switch (decryption) {
    case Decryption::Opened: return Protection::Opened;
    case Decryption::OtherPassword: return Protection::OtherPassword;
    case Decryption::Damaged: return Protection::Damaged;
  }
  return Protection::Damaged;
}

}  // namespace

bool BiffHasFilePass(const QByteArray& workbookStream) {
  // Record headers stay readable in an encrypted stream; only bodies are
  // scrambled.
  for (qsizetype at = 0; at + 4 <= workbookStream.size();) {
    const std::uint16_t type = ReadU16(workbookStream, at);
    if (type == kRecordFilePass) return true;
    if (type == kRecordEof) return false;
    at += 4 + ReadU16(workbookStream, at + 2);
  }
  return false;
}

Protection OpenProtectedWorkbook(const QByteArray& compoundFile, QByteArray& opened) {
  if (auto encrypted = ReadCompoundStream(compoundFile, u"EncryptedPackage")) {
    const auto info = ReadCompoundStream(compoundFile, u"EncryptionInfo");
    if (!info) return Protection::Damaged;
    return AsProtection(DecryptOoxmlPackage(*info, *encrypted, opened));
  }
  auto stream = ReadCompoundStream(compoundFile, u"Workbook");
  if (!stream) stream = ReadCompoundStream(compoundFile, u"Book");
  if (!stream || !BiffHasFilePass(*stream)) return Protection::None;
  const Decryption decryption = DecryptBiffStream(*stream);
  if (decryption == Decryption::Opened) opened = std::move(*stream);
  return AsProtection(decryption);
}

}  // namespace qh
