// The value rules see every cell of every reader.
#include "data/value_rules.h"
#include "fuzz_support.h"

#include <cmath>

namespace {

bool HasDigit(const QString& text) {
  for (QChar c : text) {
    if (c >= u'0' && c <= u'9') return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const bool isValue = qh::IsValueText(text);
  const bool plain = qh::IsPlainNumber(text);
  double read = 0.0;
  const bool readOk = qh::ReadValue(text, read);

  // "inf", "nan" or a hexadecimal float must not sneak in through strtod.
  if (readOk && !HasDigit(text)) qh::fuzz::Violation("a number without digits", text);
  if (plain && !HasDigit(text)) qh::fuzz::Violation("plain number without digits", text);
  if (isValue && !HasDigit(text)) qh::fuzz::Violation("value text without digits", text);
  // A usable cell is an accepted text that reads a finite number.
  if (readOk && !isValue) qh::fuzz::Violation("ReadValue accepts a refused text", text);
  if (readOk && !std::isfinite(read)) qh::fuzz::Violation("ReadValue gave no number", text);
  return 0;
}
