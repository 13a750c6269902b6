#include "data/workbook/password.h"

#include "data/workbook/cfb.h"

#include <cstdint>

namespace qh {

namespace {

constexpr std::uint16_t kRecordEof = 0x000A;
constexpr std::uint16_t kRecordFilePass = 0x002F;

std::uint16_t ReadU16(const QByteArray& bytes, qsizetype at) {
  return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
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

bool IsPasswordProtectedWorkbook(const QByteArray& compoundFile) {
  if (ReadCompoundStream(compoundFile, u"EncryptedPackage")) return true;
  auto stream = ReadCompoundStream(compoundFile, u"Workbook");
  if (!stream) stream = ReadCompoundStream(compoundFile, u"Book");
  return stream && BiffHasFilePass(*stream);
}

}  // namespace qh
